#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

#include <memory>

class QTranslator;

// Finds the translation catalogues of the languages folder ("vlf-<name>.qm", with
// "<name>.utf8" holding the name in its own language and "<name>_flag.png") and switches
// the application's translator; the built-in English catalogue stands in for any
// catalogue that is missing or does not load. GUI thread only.
class LanguageManager : public QObject {
    Q_OBJECT
public:
    // Scans the languages folder at once when scan is true.
    explicit LanguageManager(bool scan, QObject* parent = nullptr);
    ~LanguageManager() override;

    // One map per catalogue: "name", "native", "filename", "flag".
    const QVariantList& getLanguages() const { return m_languages; }
    void reloadLanguages();
    // 0 on success; -1 for an empty name (nothing changed then) or a catalogue that is
    // missing or does not load (the built-in English shown and current then).
    int changeLanguage(QString language);
    void unloadCurrentLanguage();
    // Default locale from the current catalogue's "Country" and "Language" entries.
    void updateLocale();

    static QString languagesFolder();
    static QString builtinCatalogue();
    // Whether the file loads as a catalogue holding at least one text.
    static bool loads(const QString& catalogue);

signals:
    void languageChanged();
    void languageListChanged(QVariantList languages);

private:
    void readLanguageList();
    static bool load(QTranslator* translator, const QString& catalogue);

    QVariantList m_languages;
    QTranslator* m_translator = nullptr;
    // English texts for the service log, whatever the user reads.
    std::unique_ptr<QTranslator> m_english;
};
