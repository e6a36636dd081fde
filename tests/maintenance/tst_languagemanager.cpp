#include "maintenance/LanguageManager.h"
#include "maintenance/LocaleCodes.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {
QString greeting() { return QCoreApplication::translate("Menu", "Greeting"); }

QString englishText(const char* context, const char* key)
{
    QTranslator english;
    return english.load(QStringLiteral(VLF_ENGLISH_QM)) ? english.translate(context, key) : QString();
}
} // namespace

class TstLanguageManager : public QObject {
    Q_OBJECT

    std::unique_ptr<DataModelFixture> m_fixture;

    QString folder() const { return LanguageManager::languagesFolder(); }

    // Installs a test catalogue as "vlf-<name>.qm".
    bool install(const QString& catalogue, const QString& name)
    {
        QDir().mkpath(folder());
        return QFile::copy(QStringLiteral(CATALOGUE_DIR "/") + catalogue + QStringLiteral(".qm"),
                           folder() + QStringLiteral("/vlf-") + name + QStringLiteral(".qm"));
    }

    bool write(const QString& fileName, const QByteArray& content)
    {
        QDir().mkpath(folder());
        QFile f(folder() + QLatin1Char('/') + fileName);
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        QVERIFY(folder().startsWith(m_fixture->root().root()));
    }

    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        m_fixture.reset();
    }

    void scanDescribesEveryCatalogue()
    {
        // No folder: empty list and no signal.
        {
            LanguageManager manager(true);
            QSignalSpy lists(&manager, &LanguageManager::languageListChanged);
            QVERIFY(manager.getLanguages().isEmpty());
            manager.reloadLanguages();
            QVERIFY(lists.isEmpty());
        }

        QVERIFY(install(QStringLiteral("vlf-de-AT"), QStringLiteral("de-AT")));
        QVERIFY(install(QStringLiteral("vlf-XX"), QStringLiteral("XX")));
        QVERIFY(write(QStringLiteral("vlfde.qm"), "no hyphen, not listed"));
        QVERIFY(write(QStringLiteral("AT.utf8"), QStringLiteral("Österreich\nAustria\n").toUtf8()));

        LanguageManager manager(true);
        QCOMPARE(manager.getLanguages().size(), 3);
        QSignalSpy lists(&manager, &LanguageManager::languageListChanged);
        manager.reloadLanguages();
        manager.reloadLanguages();
        QCOMPARE(lists.size(), 2);
        QCOMPARE(lists.at(0).at(0).toList(), lists.at(1).at(0).toList());
        QCOMPARE(lists.at(1).at(0).toList(), manager.getLanguages());

        QMap<QString, QVariantMap> byName;
        for (const QVariant& v : manager.getLanguages())
            byName.insert(v.toMap().value("name").toString(), v.toMap());
        // The built-in English stays selectable beside the installed ones.
        QCOMPARE(byName.keys(), (QStringList{QStringLiteral("AT"), QStringLiteral("English"), QStringLiteral("XX")}));
        QCOMPARE(byName.value("English").value("filename").toString(), LanguageManager::builtinCatalogue());
        const QString dir = QDir(folder()).absolutePath();
        const QVariantMap at = byName.value("AT");
        QCOMPARE(at.size(), 4);
        QCOMPARE(at.value("native").toString(), QStringLiteral("Österreich"));
        QCOMPARE(at.value("filename").toString(), dir + QStringLiteral("/vlf-de-AT.qm"));
        QCOMPARE(at.value("flag").toString(), dir + QStringLiteral("/AT_flag.png"));
        QCOMPARE(byName.value("XX").value("native").toString(), QString());
        QCOMPARE(byName.value("XX").value("flag").toString(), dir + QStringLiteral("/XX_flag.png"));
    }

    void changeLanguageSwitchesTheOneTranslator()
    {
        QVERIFY(install(QStringLiteral("vlf-de-AT"), QStringLiteral("AT")));
        QVERIFY(install(QStringLiteral("vlf-XX"), QStringLiteral("XX")));
        QVERIFY(install(QStringLiteral("vlf-none"), QStringLiteral("None")));
        DataModell* dm = m_fixture->dm();
        dm->setCurrentLanguage(QStringLiteral("Before"));
        const QString englishInvalid = englishText("ConfigfileManager", "ConfigIsInvalid");
        QVERIFY(!englishInvalid.isEmpty());

        LanguageManager manager(false);
        QSignalSpy changes(&manager, &LanguageManager::languageChanged);
        QCOMPARE(manager.changeLanguage(QString()), -1);
        QVERIFY(changes.isEmpty());
        QCOMPARE(dm->getCurrentLanguage(), QStringLiteral("Before"));
        QCOMPARE(QCoreApplication::translate("ConfigfileManager", "ConfigIsInvalid"), QStringLiteral("ConfigIsInvalid"));

        // No catalogue of that name: the built-in English one.
        QCOMPARE(manager.changeLanguage(QStringLiteral("English")), 0);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(dm->getCurrentLanguage(), QStringLiteral("English"));
        QCOMPARE(QCoreApplication::translate("ConfigfileManager", "ConfigIsInvalid"), englishInvalid);

        // Three changes leave one translator: the last one's.
        QCOMPARE(manager.changeLanguage(QStringLiteral("AT")), 0);
        QCOMPARE(greeting(), QStringLiteral("Servus"));
        QCOMPARE(manager.changeLanguage(QStringLiteral("XX")), 0);
        QCOMPARE(greeting(), QStringLiteral("XX greeting"));
        QCOMPARE(manager.changeLanguage(QStringLiteral("None")), 0);
        QCOMPARE(QCoreApplication::translate("Menu", "Other"), QStringLiteral("Anders"));
        QCOMPARE(greeting(), QStringLiteral("Greeting"));
        QCOMPARE(QCoreApplication::translate("ConfigfileManager", "ConfigIsInvalid"), QStringLiteral("ConfigIsInvalid"));
        QCOMPARE(changes.size(), 4);
        QCOMPARE(dm->getCurrentLanguage(), QStringLiteral("None"));

        manager.unloadCurrentLanguage();
        QCOMPARE(QCoreApplication::translate("Menu", "Other"), QStringLiteral("Other"));
    }

    void damagedCatalogueFallsBackToEnglish_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("not a catalogue") << QByteArray("<TS>this is a source file, not a catalogue</TS>") << true;
        QFile real(QStringLiteral(CATALOGUE_DIR "/vlf-de-AT.qm"));
        QVERIFY(real.open(QIODevice::ReadOnly));
        const QByteArray whole = real.readAll();
        QTest::newRow("truncated header") << whole.left(20) << true;
        QTest::newRow("truncated half") << whole.left(whole.size() / 2) << true;
    }

    // The window shows English, and the settings mark English, not the language asked for.
    void damagedCatalogueFallsBackToEnglish()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, present);
        QVERIFY(install(QStringLiteral("vlf-de-AT"), QStringLiteral("AT")));
        QVERIFY(!present || write(QStringLiteral("vlf-Broken.qm"), content));
        LanguageManager manager(false);
        QCOMPARE(manager.changeLanguage(QStringLiteral("AT")), 0);
        QSignalSpy changes(&manager, &LanguageManager::languageChanged);
        QCOMPARE(manager.changeLanguage(QStringLiteral("Broken")), -1);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(QCoreApplication::translate("ConfigfileManager", "ConfigIsInvalid"),
                 englishText("ConfigfileManager", "ConfigIsInvalid"));
        QCOMPARE(m_fixture->dm()->getCurrentLanguage(), QStringLiteral("English"));
    }

    void serviceLogGetsEnglish()
    {
        const QString english = englishText("ConfigfileManager", "ConfigImportFailed");
        {
            LanguageManager manager(false);
            QVERIFY(install(QStringLiteral("vlf-de-AT"), QStringLiteral("AT")));
            QCOMPARE(manager.changeLanguage(QStringLiteral("AT")), 0);
            QCOMPARE(LoggingCtrl::getUntranslatedText("ConfigfileManager", "ConfigImportFailed"), english);
        }
        QCOMPARE(LoggingCtrl::getUntranslatedText("ConfigfileManager", "ConfigImportFailed"),
                 QStringLiteral("ConfigImportFailed"));
    }

    void updateLocaleFollowsTheCatalogue_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("country");
        // The country entry "de" is upper-cased, the language entry "DE" lower-cased.
        QTest::newRow("de-AT") << "vlf-de-AT" << int(QLocale::German) << int(QLocale::Germany);
        QTest::newRow("cz") << "vlf-cz" << int(QLocale::Czech) << int(QLocale::CzechRepublic);
        // "XX" is no country; the language decides alone.
        QTest::newRow("XX") << "vlf-XX" << int(QLocale::Malayalam) << int(QLocale(QLocale::Malayalam).country());
        QTest::newRow("untranslated") << "vlf-none" << int(QLocale::C) << int(QLocale::c().country());
    }

    void updateLocaleFollowsTheCatalogue()
    {
        QFETCH(QString, catalogue);
        QFETCH(int, language);
        QFETCH(int, country);
        QVERIFY(install(catalogue, QStringLiteral("Test")));
        LanguageManager manager(false);
        QCOMPARE(manager.changeLanguage(QStringLiteral("Test")), 0);
        QCOMPARE(QLocale().language(), QLocale::C); // the change alone leaves the locale
        manager.updateLocale();
        QCOMPARE(int(QLocale().language()), language);
        QCOMPARE(int(QLocale().country()), country);
    }

    void codeTables()
    {
        using L = QLocale;
        QCOMPARE(LocaleCodes::country(QStringLiteral("AD")), L::Andorra);
        QCOMPARE(int(LocaleCodes::country(QStringLiteral("AE"))), 223);
        QCOMPARE(int(LocaleCodes::country(QStringLiteral("AF"))), 1);
        QCOMPARE(int(LocaleCodes::country(QStringLiteral("US"))), 225);
        QCOMPARE(LocaleCodes::country(QStringLiteral("AQ")), L::Antarctica);
        QCOMPARE(LocaleCodes::country(QStringLiteral("ZW")), L::Zimbabwe);
        QCOMPARE(LocaleCodes::country(QStringLiteral("DEU")), L::Germany); // two characters count
        QCOMPARE(LocaleCodes::country(QStringLiteral("XX")), L::AnyCountry);
        QCOMPARE(LocaleCodes::country(QStringLiteral("D")), L::AnyCountry);
        QCOMPARE(LocaleCodes::country(QString()), L::AnyCountry);
        QCOMPARE(LocaleCodes::country(QStringLiteral("D\u0100")), L::AnyCountry);
        QCOMPARE(LocaleCodes::country(QStringLiteral("de")), L::AnyCountry); // callers upper-case

        QCOMPARE(int(LocaleCodes::language(QStringLiteral("aa"))), 4);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("ab"))), 2);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("en"))), 31);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("fr"))), 37);
        QCOMPARE(LocaleCodes::language(QStringLiteral("ml")), L::Malayalam);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("cz"))), 28);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("in"))), 52);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("iw"))), 48);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("ji"))), 137);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("jw"))), 60);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("no"))), 85);
        QCOMPARE(int(LocaleCodes::language(QStringLiteral("sh"))), 100);
        QCOMPARE(LocaleCodes::language(QStringLiteral("zu")), L::Zulu);
        QCOMPARE(LocaleCodes::language(QStringLiteral("xx")), L::C);
        QCOMPARE(LocaleCodes::language(QString()), L::C);
    }
};

QTEST_GUILESS_MAIN(TstLanguageManager)
#include "tst_languagemanager.moc"
