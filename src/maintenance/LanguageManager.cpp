#include "maintenance/LanguageManager.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "logging/LoggingCtrl.h"
#include "maintenance/LocaleCodes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>
#include <QTextStream>
#include <QTranslator>
#include <QVariantMap>

#include <algorithm>

// Keeps the built-in catalogues in a static link; at global scope, as the macro needs.
static void initBuiltinLanguages()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(translations);
        return true;
    }();
    Q_UNUSED(registered)
}

namespace {
const char* const kClass = "LanguageManager";
// The language of the built-in catalogue.
const char* const kBuiltinLanguage = "English";

QString nativeName(const QString& path)
{
    QFile f(path);
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return QString();
    QTextStream in(&f);
    in.setCodec("UTF-8");
    return in.atEnd() ? QString() : in.readLine();
}
} // namespace

LanguageManager::LanguageManager(bool scan, QObject* parent) : QObject(parent), m_english(new QTranslator)
{
    initBuiltinLanguages();
    if (m_english->load(builtinCatalogue()))
        LoggingCtrl::setEnglishTranslator(m_english.get());
    else
        KLOG_ERROR2(kClass, "LanguageManager", QStringLiteral("Cannot load %1").arg(builtinCatalogue()));
    if (scan)
        readLanguageList();
}

LanguageManager::~LanguageManager()
{
    if (m_translator)
        unloadCurrentLanguage();
    LoggingCtrl::setEnglishTranslator(nullptr);
}

QString LanguageManager::languagesFolder() { return GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Languages); }

QString LanguageManager::builtinCatalogue() { return QStringLiteral(":/languages/english.qm"); }

void LanguageManager::reloadLanguages() { readLanguageList(); }

void LanguageManager::readLanguageList()
{
    const QDir folder(languagesFolder());
    if (!folder.exists()) {
        m_languages.clear();
        return;
    }
    QVariantList list;
    const QFileInfoList files = folder.entryInfoList({QStringLiteral("*-*.qm")}, QDir::Files, QDir::Unsorted);
    for (const QFileInfo& file : files) {
        const QString name = file.baseName().split(QLatin1Char('-'), Qt::KeepEmptyParts).last();
        QVariantMap entry;
        entry.insert(QStringLiteral("name"), name);
        entry.insert(QStringLiteral("native"), nativeName(folder.absoluteFilePath(name + QStringLiteral(".utf8"))));
        entry.insert(QStringLiteral("filename"), file.absoluteFilePath());
        entry.insert(QStringLiteral("flag"), folder.absolutePath() + QLatin1Char('/') + name + QStringLiteral("_flag.png"));
        list.append(entry);
        KLOG_DEBUG2(kClass, "readLanguageList", QStringLiteral("Found Language: %1").arg(name));
    }
    // The built-in English stays selectable beside the installed languages.
    const bool englishListed = std::any_of(list.cbegin(), list.cend(), [](const QVariant& v) {
        return v.toMap().value(QStringLiteral("name")).toString() == QLatin1String(kBuiltinLanguage);
    });
    if (!list.isEmpty() && !englishListed) {
        list.prepend(QVariantMap{{QStringLiteral("name"), QLatin1String(kBuiltinLanguage)},
                                 {QStringLiteral("native"), QLatin1String(kBuiltinLanguage)},
                                 {QStringLiteral("filename"), builtinCatalogue()},
                                 {QStringLiteral("flag"), QString()}});
    }
    m_languages = list;
    emit languageListChanged(m_languages);
}

int LanguageManager::changeLanguage(QString language)
{
    if (language.isEmpty())
        return -1;
    KLOG_INFO2(kClass, "changeLanguage", QStringLiteral("Change Language to %1").arg(language));
    auto* translator = new QTranslator();
    QString path = QStringLiteral("%1/%2%3.qm").arg(languagesFolder(), QStringLiteral("vlf-"), language);
    if (!QFileInfo::exists(path)) {
        KLOG_WARN2(kClass, "changeLanguage",
                   QStringLiteral("missing languageFile at %1. Use fallback %2")
                       .arg(QFileInfo(path).absoluteFilePath(), builtinCatalogue()));
        path = builtinCatalogue();
    }
    KLOG_DEBUG2(kClass, "changeLanguage", QStringLiteral("languageFile = %1").arg(path));
    // A damaged catalogue must not leave the interface showing bare keys.
    bool loaded = load(translator, path);
    if (!loaded && path != builtinCatalogue()) {
        KLOG_ERROR2(kClass, "changeLanguage",
                    QStringLiteral("Cannot load %1. Use fallback %2").arg(path, builtinCatalogue()));
        translator->load(builtinCatalogue());
    }
    loaded = loaded && (path != builtinCatalogue() || language == QLatin1String(kBuiltinLanguage));
    if (m_translator)
        unloadCurrentLanguage();
    QCoreApplication::installTranslator(translator);
    m_translator = translator;
    // What the settings mark as current is what the window shows.
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setCurrentLanguage(loaded ? language : QLatin1String(kBuiltinLanguage));
    emit languageChanged();
    return loaded ? 0 : -1;
}

bool LanguageManager::load(QTranslator* translator, const QString& catalogue)
{
    return translator->load(catalogue) && !translator->isEmpty();
}

bool LanguageManager::loads(const QString& catalogue)
{
    QTranslator translator;
    return load(&translator, catalogue);
}

void LanguageManager::unloadCurrentLanguage()
{
    KLOG_DEBUG2(kClass, "unloadCurrentLanguage", QStringLiteral("Unloading language file"));
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
        m_translator = nullptr;
    }
}

void LanguageManager::updateLocale()
{
    QLocale::Country country = QLocale::AnyCountry;
    const QString countryText =
        QCoreApplication::translate("Internal", "Country", "Localization information (ISO 639)").toUpper();
    if (countryText != QLatin1String("COUNTRY"))
        country = LocaleCodes::country(countryText);

    QLocale::Language language = QLocale::C;
    const QString languageText =
        QCoreApplication::translate("Menu", "Language", "Localization information (ISO 3166)").toLower();
    if (languageText != QLatin1String("language"))
        language = LocaleCodes::language(languageText);

    KLOG_DEBUG2(kClass, "updateLocale",
                QStringLiteral("locale changed to %1 %2")
                    .arg(QString::fromLatin1(QMetaEnum::fromType<QLocale::Language>().valueToKey(language)),
                         QString::fromLatin1(QMetaEnum::fromType<QLocale::Country>().valueToKey(country))));
    QLocale::setDefault(QLocale(language, country));
}
