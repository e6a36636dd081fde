#include "config/ConfigKeys.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <iterator>

namespace ConfigKeys {
namespace {
constexpr char kInsulations[] = "/Settings/Insulations/";
constexpr char kPhaseNames[] = "/General/PhaseNames/";

// Values from elsewhere (the configuration editor, an imported file, a hand edit) are held
// to the rows: a negative double-click time lets no knob press act, a zero graph interval
// runs the chart timer every millisecond, a long time format stalls the header that
// formats it every second.
const Row kRows[] = {
    {DblClickTime, CVT_LONG, 0, 1000, Check::None, Holder::Anyone},
    {GraphUpdateInterval, CVT_LONG, 50, 2000, Check::None, Holder::Anyone},
    {TextScrollSpeed, CVT_LONG, 1, 100, Check::None, Holder::Anyone},
    {TimeFormat, CVT_STRING, 1, 32, Check::TimeFormat, Holder::Anyone},
    {DateFormat, CVT_STRING, 1, 32, Check::DateFormat, Holder::Anyone},
    {TanDeltaPrecision, CVT_BOOL, 0, 0, Check::None, Holder::Anyone},
    {ExportPath, CVT_STRING, 1, 100, Check::FolderOnTheStick, Holder::Anyone},
    {Screenshots, CVT_BOOL, 0, 0, Check::None, Holder::Service},
    {SmoothScrolling, CVT_BOOL, 0, 0, Check::None, Holder::Service},
    {kInsulations, CVT_BOOL, 0, 0, Check::None, Holder::Anyone},
    {kPhaseNames, CVT_STRING, 1, 32, Check::None, Holder::Anyone},
    // With it the test boost always reports ground and F-Ohm, so the HV-enable line rises without one.
    {VirtualTestBoost, CVT_BOOL, 0, 0, Check::None, Holder::Instrument},
    {ForcedModes, CVT_LONG, 0, LONG_MAX, Check::ForcibleModes, Holder::Service},
    {ShuntSwitching, CVT_BOOL, 0, 0, Check::None, Holder::Service},
    {DevelopmentCosRect, CVT_BOOL, 0, 0, Check::None, Holder::Service},
    {GeneratorCharacteristics, CVT_LONG, 0, 1, Check::None, Holder::Service},
    // A floor of 1 makes every tan delta at least 1: every verdict a fail. Up to what a record holds.
    {TanDeltaMinimum, CVT_LONG, 0, 4294, Check::None, Holder::Instrument},
    {NominalVoltageSupported, CVT_BOOL, 0, 0, Check::None, Holder::Service},
    {DevelopmentMode, CVT_BOOL, 0, 0, Check::None, Holder::Service},
    {DisplayType, CVT_LONG, 0, 255, Check::None, Holder::Service},
    {SerialNumber, CVT_STRING, 11, 11, Check::Digits, Holder::Identity},
    {HardwareId, CVT_STRING, 0, 64, Check::None, Holder::Identity},
    // It names the program, its trace file and database, and the exports; shown on the main page.
    {SystemName, CVT_STRING, 1, 64, Check::None, Holder::Service},
    {EncoderDevice, CVT_STRING, 1, 255, Check::InputDevice, Holder::Service},
    {Theme, CVT_LONG, 0, 1, Check::None, Holder::Anyone},
    {DeviceName, CVT_STRING, 1, 64, Check::None, Holder::Anyone},
    {AdHocSsid, CVT_STRING, 1, 32, Check::SsidBytes, Holder::Anyone},
};

QString why(const char* text) { return QString::fromLatin1(text); }

QString catalogueText(const char* key, const char* english)
{
    const QString text = QCoreApplication::translate("DateTime", key);
    return text == QLatin1String(key) ? QString::fromLatin1(english) : text;
}

QString offered(const QStringList& formats, const QString& catalogue, const QString& text)
{
    return formats.contains(text) || text == catalogue ? QString() : why("not an offered format");
}

bool isBool(ConfigValueTypes type, const QString& text)
{
    const QString t = text.trimmed();
    // A binary reads as a bool too, as the store reads it.
    if (type == CVT_BINARY)
        return t.size() <= 16 && QByteArray::fromHex(t.toLatin1()).toHex() == t.toLower().toLatin1();
    return type == CVT_BOOL && (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                                t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
                                t == QLatin1String("1") || t == QLatin1String("0"));
}

QString checked(Check check, const QString& text)
{
    switch (check) {
    case Check::Digits:
        return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; })
                   ? QString()
                   : why("not 11 digits");
    case Check::FolderOnTheStick:
        // The cleaned form is what the pages write; anything else would leave the stick.
        return cleanExportFolder(text) == text ? QString() : why("no folder on the stick");
    case Check::SsidBytes:
        return text.toUtf8().size() <= 32 ? QString() : why("longer than 32 bytes");
    case Check::ForcibleModes:
        return (text.trimmed().toLong() & ~ForcibleModeBits) == 0 ? QString()
                                                                   : why("forces no test mode or a calibration mode");
    case Check::TimeFormat:
        return offered(offeredTimeFormats(), defaultTimeFormat(), text);
    case Check::DateFormat:
        return offered(offeredDateFormats(), defaultDateFormat(), text);
    case Check::None:
    case Check::InputDevice:
        break;
    }
    return QString();
}
} // namespace

QString phaseName(int phase) { return QLatin1String(kPhaseNames) + QStringLiteral("Phase%1").arg(phase + 1); }

QString insulation(int type) { return QLatin1String(kInsulations) + QString::number(type); }

QStringList offeredTimeFormats() { return {QStringLiteral("HH:mm:ss"), QStringLiteral("hh:mm:ss AP")}; }

QStringList offeredDateFormats() { return {QStringLiteral("dd.MM.yyyy"), QStringLiteral("MM/dd/yyyy")}; }

QString defaultTimeFormat() { return catalogueText("TimeFormat", "hh:mm:ss AP"); }

QString defaultDateFormat() { return catalogueText("DateFormat", "MM/dd/yyyy"); }

int longestValue(const QString& key)
{
    const Row* row = rowOf(key);
    // A UTF-16 unit takes at most three bytes.
    return row && row->type == CVT_STRING ? int(std::max<long>(LongestValue, row->max * 3)) : LongestValue;
}

int defaultFileElements()
{
    QStringList groups;
    int keys = 0;
    for (const Row& row : kRows) {
        const QString key = QLatin1String(row.key);
        const bool family = key.endsWith(QLatin1Char('/'));
        keys += !family ? 1 : key == QLatin1String(kPhaseNames) ? PhaseNameCount : InsulationCount;
        for (int at = key.indexOf(QLatin1Char('/'), 1); at > 0; at = key.indexOf(QLatin1Char('/'), at + 1)) {
            if (!groups.contains(key.left(at)))
                groups << key.left(at);
        }
    }
    return 2 + groups.size() + keys;
}

const Row* begin() { return std::begin(kRows); }

const Row* end() { return std::end(kRows); }

const Row* rowOf(const QString& key)
{
    for (const Row& row : kRows) {
        const QLatin1String name(row.key);
        if (key == name)
            return &row;
        if (name.endsWith('/') && key.startsWith(name) && key.size() > name.size() &&
            key.indexOf('/', name.size()) < 0)
            return &row;
    }
    return nullptr;
}

QString outOfBounds(const QString& key, ConfigValueTypes type, const QString& text)
{
    const Row* row = rowOf(key);
    // Kept for good, a value nobody reads must not fill the file.
    if (!row)
        return text.toUtf8().size() > LongestValue ? QStringLiteral("longer than %1 bytes").arg(LongestValue)
                                                   : QString();
    if (row->type == CVT_BOOL)
        return isBool(type, text) ? QString() : why("not a bool");
    if (type != row->type)
        return why("of another type");
    if (row->type == CVT_LONG) {
        bool ok = false;
        const long value = text.trimmed().toLong(&ok);
        if (!ok)
            return why("not a whole number");
        if (value < row->min || value > row->max)
            return QStringLiteral("outside %1..%2").arg(row->min).arg(row->max);
    } else {
        if (text.size() < row->min || text.size() > row->max)
            return QStringLiteral("not %1 to %2 characters long").arg(row->min).arg(row->max);
        if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
            return why("a control character");
    }
    return checked(row->check, text);
}

long bounded(const char* key, long value)
{
    const Row* row = rowOf(QLatin1String(key));
    return row ? std::clamp(value, row->min, row->max) : value;
}

QString cleanExportFolder(const QString& folder)
{
    QString f = folder.trimmed();
    for (const QString& prefix : {QStringLiteral("USB/"), QStringLiteral("/media/USB")}) {
        if (f.startsWith(prefix)) {
            f = f.mid(prefix.size());
            break;
        }
    }
    QStringList kept;
    for (const QString& part : f.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            continue; // never leave the stick
        kept << part;
    }
    return kept.join(QLatin1Char('/'));
}
} // namespace ConfigKeys
