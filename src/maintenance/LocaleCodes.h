#pragma once

#include <QLocale>
#include <QString>

// Two-letter codes as a catalogue names its locale: ISO 3166-1 countries (upper case)
// and ISO 639 languages (lower case, older forms such as "cz", "iw", "no" included).
// Only the first two characters count; the first matching table entry wins.
namespace LocaleCodes {
// AnyCountry when the code is unknown.
QLocale::Country country(const QString& code);
// QLocale::C, the neutral locale, when the code is unknown.
QLocale::Language language(const QString& code);
} // namespace LocaleCodes
