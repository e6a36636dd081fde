#include "maintenance/ConfigfileManager.h"

#include "config/ConfigAccessXML.h"
#include "fakes/FakeConfig.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "fakes/FakePlatform.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingGui.h"
#include "fakes/StallMeter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {
const QString kUsb = QStringLiteral("/media/USB");
const QString kConfigDir = QStringLiteral("/home/root/mappedPaths/appdata/config");
const QString kDevice = kConfigDir + QStringLiteral("/PEVANTO.cfg.xml");

QByteArray configFile(const QString& app, const QString& key, const QString& value)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<configuration>\n"
                          " <key name=\"%1\">\n  <key name=\"General\">\n"
                          "   <value name=\"%2\" type=\"string\">%3</value>\n"
                          "  </key>\n </key>\n</configuration>\n")
        .arg(app, key, value)
        .toUtf8();
}

// A configuration with an ordinary value, identity and service keys: those of this instrument
// (mine) or another's, its serial number left out where empty.
QByteArray instrumentFile(const QString& ordinary, const QString& serial, bool mine)
{
    const auto value = [](const char* name, const char* type, const QString& text) {
        return QStringLiteral("<value name=\"%1\" type=\"%2\">%3</value>").arg(name, type, text);
    };
    const QString b = mine ? "false" : "true";
    return ("<configuration><key name=\"PEVANTO\"><key name=\"General\">" + value("OnlyOld", "string", ordinary) +
            value("DevelopmentMode", "bool", b) + value("SystemName", "string", mine ? "Mine" : "Theirs") +
            "</key><key name=\"Device\">" + (serial.isEmpty() ? QString() : value("SerialNumber", "string", serial)) +
            value("HardwareId", "string", mine ? "HW-MINE" : "HW-THEIRS") + value("ShuntSwitching", "bool", b) +
            "</key><key name=\"HV Identification\">" +
            value("HvGeneratorCharacteristics", "long", mine ? "0" : "1") + value("NominalVoltageSupported", "bool", b) +
            "</key></key></configuration>")
        .toUtf8();
}

QString query(const QString& key)
{
    QString value;
    GlobalFuncs::getConfig()->queryString(QStringLiteral("/General/") + key, value);
    return value;
}

class CountingHook : public ConfigfileManager::HookFunction {
public:
    void execute() override { ++runs; }
    int runs = 0;
};

// Exposes the internal steps and lets a test break the final rename.
class TestableManager : public ConfigfileManager {
public:
    using ConfigfileManager::validateConfigFile;
    bool failRename = false;

protected:
    bool replaceFile(const QString& from, const QString& to) override
    {
        return !failRename && ConfigfileManager::replaceFile(from, to);
    }
};

// A store whose next re-read fails, as with a file the medium cannot give back.
class FlakyStore : public ConfigAccessXML {
public:
    using ConfigAccessXML::ConfigAccessXML;
    int failNextReads = 0;
    int initialize() override
    {
        if (failNextReads > 0) {
            --failNextReads;
            return 0;
        }
        return ConfigAccessXML::initialize();
    }
};
} // namespace

class TstConfigfileManager : public QObject {
    Q_OBJECT

    QTranslator m_english;
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<RecordingGui> m_gui;
    std::unique_ptr<FlakyStore> m_store;
    QByteArray m_deviceBytes; // the device file as the store wrote it

    const TempRoot& root() const { return m_fixture->root(); }
    QString path(const QString& p) const { return root().path(p); }
    QByteArray device() const { return root().readFile(kDevice); }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("pevanto"));
        QVERIFY(m_english.load(QStringLiteral(VLF_ENGLISH_QM)));
        // The export is shown its full second in one case only.
        GlobalFuncs::setShownWaitScale(0.01);
    }

    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_platform = std::make_unique<FakePlatform>();
        m_gui = std::make_unique<RecordingGui>();
        GlobalFuncs::setGUI(m_gui.get());
        // The service log is written in English.
        LoggingCtrl::setEnglishTranslator(&m_english);
        m_fixture->dm()->setUSBState(USBState_Ready);
        QVERIFY(!root().insertStick().isEmpty());
        QVERIFY(root().writeFile(kDevice, configFile("PEVANTO", "OnlyOld", "old")));
        m_store = std::make_unique<FlakyStore>(path(kConfigDir));
        QCOMPARE(m_store->initialize(), 1);
        QCOMPARE(m_store->save(), 0);
        GlobalFuncs::setConfig(m_store.get());
        m_deviceBytes = device();
        QCOMPARE(query("OnlyOld"), QStringLiteral("old"));
    }

    void cleanup()
    {
        LoggingCtrl::setEnglishTranslator(nullptr);
        GlobalFuncs::setGUI(nullptr);
        GlobalFuncs::setConfig(m_fixture->config());
        m_store.reset();
        m_gui.reset();
        m_platform.reset();
        m_fixture.reset();
    }

    void exportNamesTheFileByClockOrTag()
    {
        // On a fresh, empty stick.
        ConfigfileManager manager;
        manager.setClock([] { return QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)); });
        QSignalSpy told(&manager, &ConfigfileManager::configExported);
        QElapsedTimer timer;
        timer.start();
        GlobalFuncs::setShownWaitScale(1);
        QCOMPARE(manager.exportConfigFile(), QStringLiteral("USB/PEVANTO_2024_03_07_14_05_09.cfg.xml"));
        QVERIFY(told.wait(5000));
        GlobalFuncs::setShownWaitScale(0.01);
        QVERIFY2(timer.elapsed() >= 900, "the operator sees the export for a second");
        QCOMPARE(told.takeFirst().at(0).toString(), QStringLiteral("USB/PEVANTO_2024_03_07_14_05_09.cfg.xml"));
        const QString exported = kUsb + QStringLiteral("/PEVANTO_2024_03_07_14_05_09.cfg.xml");
        QCOMPARE(root().readFile(exported), m_deviceBytes);
        const auto closes = m_gui->callsOf(QStringLiteral("closeDlg"));
        QCOMPARE(closes.size(), 1);
        QVERIFY(closes.first().id.isNull());
        QCOMPARE(closes.first().closeType, int(IGUI::Accepted));

        // A second export in the same second replaces the first.
        QCOMPARE(GlobalFuncs::getConfig()->setString(QStringLiteral("/General/OnlyOld"), QStringLiteral("newer")), 0);
        QCOMPARE(GlobalFuncs::getConfig()->save(), 0);
        QCOMPARE(manager.exportConfigFile(), QStringLiteral("USB/PEVANTO_2024_03_07_14_05_09.cfg.xml"));
        QCOMPARE(root().readFile(exported), device());
        QVERIFY(root().readFile(exported).contains("newer"));
        QVERIFY(told.wait(5000));

        QCOMPARE(manager.exportConfigFile(QStringLiteral("backup")), QStringLiteral("USB/PEVANTO_backup.cfg.xml"));
        QCOMPARE(root().readFile(kUsb + QStringLiteral("/PEVANTO_backup.cfg.xml")), device());
        QCOMPARE(QDir(path(kUsb)).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 2);
    }

    // The operator's export is shown a while (250 ms here) and meets one thing meanwhile:
    // the file is on the stick already, so a pulled stick or a started test leave its
    // outcome be, and a second press exports nothing. It is told once, on time.
    void exportMeetsSomethingMidway_data() { meetingRows(); }
    void exportMeetsSomethingMidway()
    {
        QFETCH(QString, event);
        m_fixture->readyForATest();
        ConfigfileManager manager;
        manager.setClock([] { return QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)); });
        const QString shown = QStringLiteral("USB/PEVANTO_2024_03_07_14_05_09.cfg.xml");
        QSignalSpy told(&manager, &ConfigfileManager::configExported);
        GlobalFuncs::setShownWaitScale(0.25);
        TickLateness ticks;
        qint64 returned = 0;
        QString exported;
        QVERIFY(runMeeting(
            ticks, 0, 50, [&] { exported = manager.exportConfigFile(); },
            m_fixture->meeting(event, [&] { QCOMPARE(manager.exportConfigFile(QStringLiteral("again")), QString()); }),
            [&] { return told.count() > 0; }, &returned));
        GlobalFuncs::setShownWaitScale(0.01);
        QCOMPARE(exported, shown);
        QVERIFY2(returned < 150, "the window waited while the export was shown");
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.at(0).at(0).toString(), shown);
        QVERIFY(!QFileInfo::exists(path(kUsb + QStringLiteral("/PEVANTO_again.cfg.xml"))));
        if (event == "test started")
            QCOMPARE(m_fixture->dm()->getAppState(), States::InitTest);
        QVERIFY2(ticks.onTime(), qPrintable(ticks.text()));
    }

    void exportRefusals()
    {
        ConfigfileManager manager;
        const QString backup = kUsb + QStringLiteral("/PEVANTO_backup.cfg.xml");

        // No stick (whatever the program last knew), and the user does not connect one;
        // a yes without a stick writes nothing either.
        QVERIFY(root().pullStick());
        QCOMPARE(manager.exportConfigFile(QStringLiteral("backup")), QString());
        QCOMPARE(m_gui->callsOf(QStringLiteral("requestUSBConnDlg")).size(), 1);
        m_gui->usbAnswer = true;
        QCOMPARE(manager.exportConfigFile(QStringLiteral("backup")), QString());
        QVERIFY(!QFileInfo::exists(path(kUsb)));
        QVERIFY(QDir(path(QStringLiteral("/stick"))).isEmpty());
        QVERIFY(!root().insertStick().isEmpty());

        // A failed copy leaves the older export of that name as it was.
        QVERIFY(root().writeFile(backup, "older export"));
        QVERIFY(root().mkdir(backup + QStringLiteral(".part")));
        QSignalSpy told(&manager, &ConfigfileManager::configExported);
        QCOMPARE(manager.exportConfigFile(QStringLiteral("backup")), QString());
        QCOMPARE(root().readFile(backup), QByteArray("older export"));
        QVERIFY(QDir(path(backup + QStringLiteral(".part"))).removeRecursively());
        QVERIFY(told.wait(5000)); // the failure is shown as long as a success

        // Nothing to export.
        QVERIFY(QFile::remove(path(kDevice)));
        QCOMPARE(manager.exportConfigFile(QStringLiteral("backup")), QString());
        QCOMPARE(root().readFile(backup), QByteArray("older export"));
    }

    void listingOffersNamesWithoutExtension()
    {
        ConfigfileManager manager;
        QStringList list;
        // An empty stick: searched, nothing found.
        QCOMPARE(manager.readConfigFileList(list, QString()), -1);
        QVERIFY(list.isEmpty());

        for (const char* name : {"PEVANTO_backup.cfg.xml", "PEVANTO_2024_03_07_14_05_09.cfg.xml", "PEVANTO_backup.txt",
                                 "OTHER.cfg.xml.bak"})
            QVERIFY(root().writeFile(kUsb + QLatin1Char('/') + QLatin1String(name), "x"));
        QVERIFY(QFile::link(path(kUsb + QStringLiteral("/OTHER.cfg.xml.bak")), path(kUsb + QStringLiteral("/LINK.cfg.xml"))));
        QCOMPARE(manager.readConfigFileList(list, QStringLiteral("PEVANTO_backup")), 0);
        QCOMPARE(list, QStringList{QStringLiteral("PEVANTO_backup")});

        list.clear();
        QCOMPARE(manager.readConfigFileList(list, QString()), 0);
        list.sort();
        QCOMPARE(list, (QStringList{QStringLiteral("PEVANTO_2024_03_07_14_05_09"), QStringLiteral("PEVANTO_backup")}));

        // Every search message is closed with its own id.
        const auto shown = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        const auto closed = m_gui->callsOf(QStringLiteral("closeDlg"));
        QCOMPARE(shown.size(), 3);
        QCOMPARE(closed.size(), 3);
        for (int i = 0; i < shown.size(); ++i) {
            QCOMPARE(shown[i].key, QStringLiteral("SearchingForConfigOnUsb"));
            QCOMPARE(shown[i].context, QStringLiteral("ConfigfileManager"));
            QCOMPARE(shown[i].category, int(CAT_PERSISTENT));
            QVERIFY(!shown[i].okButton && !shown[i].cancelButton);
            QCOMPARE(closed[i].id, shown[i].id);
            QCOMPARE(closed[i].closeType, int(IGUI::Accepted));
        }

        // No stick (however the program knew it) and none connected: -1 without a search.
        QVERIFY(root().pullStick());
        QCOMPARE(manager.readConfigFileList(list, QString()), -1);
        QCOMPARE(m_gui->callsOf(QStringLiteral("requestUSBConnDlg")).size(), 1);
        QCOMPARE(m_gui->callsOf(QStringLiteral("showMessageDlg")).size(), 3);
    }

    void validation_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("diagnostic");
        QTest::newRow("good") << configFile("PEVANTO", "a", "b") << true << QString();
        QTest::newRow("value first") << QByteArray("<configuration><value name=\"PEVANTO\"/></configuration>") << false
                                     << QStringLiteral("XML IMPORT: First child node wrong!\tExpected: key\tFound: value");
        QTest::newRow("lower-case name")
            << configFile("pevanto", "a", "b") << false
            << QStringLiteral("XML IMPORT: Configfile looks wrong!\tExpected: PEVANTO\tFound: pevanto");
        QTest::newRow("no attributes") << QByteArray("<configuration><key><key name=\"x\"/></key></configuration>")
                                       << false
                                       << QStringLiteral("XML IMPORT: First child have no attributes!\tExpected: >0\tFound: 0");
        QTest::newRow("no name") << QByteArray("<configuration><key id=\"PEVANTO\"/></configuration>") << false
                                 << QString();
        QTest::newRow("empty root") << QByteArray("<configuration/>") << false << QString();
    }

    void validation()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, valid);
        QFETCH(QString, diagnostic);
        LogCapture log;
        TestableManager manager;
        QDomDocument doc;
        QVERIFY(doc.setContent(xml));
        QCOMPARE(manager.validateConfigFile(doc), valid);
        const auto lines = log.deliveredWhere([](const LoggingData& r) { return r.text.startsWith("XML IMPORT"); });
        if (diagnostic.isEmpty()) {
            QVERIFY(lines.isEmpty());
        } else {
            QCOMPARE(lines.size(), 1);
            QCOMPARE(lines.first().text, diagnostic);
            QCOMPARE(lines.first().category, int(CAT_DBG));
        }
    }

    void importRefusesUnusableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("startUp"); // else from the menu
        const QString onStick = kUsb + QStringLiteral("/PEVANTO_x.cfg.xml");
        QTest::newRow("not XML") << QString() << onStick << QByteArray("PEVANTO but no XML <key") << true;
        QTest::newRow("other application") << QString() << onStick << configFile("OTHERAPP", "OnlyNew", "n") << true;
        QTest::newRow("failing validation")
            << QString() << onStick << QByteArray("<configuration><value name=\"PEVANTO\"/></configuration>") << true;
        QTest::newRow("missing") << QStringLiteral("PEVANTO_none.cfg.xml") << QString() << QByteArray() << true;
        QTest::newRow("empty name") << QStringLiteral("") << QString() << QByteArray() << true;
        QTest::newRow("leaves the stick") << QStringLiteral("../outside.cfg.xml") << QStringLiteral("/media/outside.cfg.xml")
                                          << configFile("PEVANTO", "OnlyNew", "n") << true;
        QTest::newRow("absolute path off the stick")
            << QString() << QStringLiteral("/home/root/other.cfg.xml") << configFile("PEVANTO", "OnlyNew", "n") << true;
        QTest::newRow("link out of the stick") << QStringLiteral("LINK.cfg.xml") << QStringLiteral("/media/outside.cfg.xml")
                                               << configFile("PEVANTO", "OnlyNew", "n") << true;
        for (const int levels : {7000, 49000}) {
            const QByteArray deep = FakeConfig::nestedDocument("PEVANTO", levels);
            QTest::addRow("%d levels at start-up", levels) << QString() << onStick << deep << true;
            QTest::addRow("%d levels from the menu", levels) << QString() << onStick << deep << false;
        }
        QTest::newRow("900,000-character system name")
            << QString() << onStick << configFile("PEVANTO", "SystemName", QString(900000, 'n')) << true;
    }

    void importRefusesUnusableFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, startUp);
        if (!file.isEmpty())
            QVERIFY(root().writeFile(file, content));
        if (QTest::currentDataTag() == QLatin1String("link out of the stick"))
            QVERIFY(QFile::link(path(file), path(kUsb + QStringLiteral("/LINK.cfg.xml"))));
        if (name.isNull())
            name = path(file);

        LogCapture log;
        ConfigfileManager manager;
        auto hook = QSharedPointer<CountingHook>::create();
        manager.registerHook(ConfigfileManager::AfterImport, hook);
        QCOMPARE(manager.importConfigFile(name, startUp), -1);
        QCOMPARE(device(), m_deviceBytes);
        QCOMPARE(query("OnlyOld"), QStringLiteral("old"));
        QVERIFY(m_platform->rebooter.calls.isEmpty());
        QCOMPARE(hook->runs, 0);
        const auto shown = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().key, QStringLiteral("ConfigIsInvalid"));
        QCOMPARE(shown.first().category, int(CAT_ERR));
        QVERIFY(shown.first().okButton && !shown.first().cancelButton);
        if (!file.isEmpty())
            QVERIFY(QFile::exists(path(file)));
        QVERIFY(QDir(path(kConfigDir)).entryList({"*.import", "*.previous"}, QDir::Files).isEmpty());
        QVERIFY(log.deliveredService().isEmpty());
    }

    void importReplacesRereadsAndReboots()
    {
        LogCapture log;
        const QString backup = kUsb + QStringLiteral("/PEVANTO_backup.cfg.xml");
        QVERIFY(root().writeFile(backup, configFile("PEVANTO", "OnlyNew", "new")));

        ConfigfileManager manager;
        auto hook = QSharedPointer<CountingHook>::create();
        auto other = QSharedPointer<CountingHook>::create();
        manager.registerHook(ConfigfileManager::AfterImport, hook);
        // Only the first moment is in use; other ones leave the hook as it is.
        manager.registerHook(static_cast<ConfigfileManager::HookAction>(1), other);
        manager.unregisterHook(static_cast<ConfigfileManager::HookAction>(1));

        // A listed name is taken inside the updates folder.
        QCOMPARE(manager.importConfigFile(QStringLiteral("PEVANTO_backup"), true), 0);
        QCOMPARE(query("OnlyNew"), QStringLiteral("new"));
        QCOMPARE(query("OnlyOld"), QString());
        QVERIFY(device().contains("OnlyNew"));
        QVERIFY(!QFile::exists(path(backup)));
        QCOMPARE(hook->runs, 1);
        QCOMPARE(other->runs, 0);
        QCOMPARE(m_platform->rebooter.calls, QStringList{QStringLiteral("reboot")});

        const auto shown = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].context, QStringLiteral("ConfigfileManager"));
        QCOMPARE(shown[0].key, QStringLiteral("ConfigSuccessfullyImported"));
        QCOMPARE(shown[0].category, int(CAT_MSG));
        QVERIFY(shown[0].okButton && !shown[0].cancelButton);
        QCOMPARE(shown[1].context, QStringLiteral("UpdateManager"));
        QCOMPARE(shown[1].key, QStringLiteral("StandbyWhileRebooting"));
        QCOMPARE(shown[1].category, int(CAT_PERSISTENT));
        QVERIFY(!shown[1].okButton);
        const auto service = log.deliveredService();
        QCOMPARE(service.size(), 1);
        QCOMPARE(service.first().text, QStringLiteral("Configuration successfully imported. The system restarts now."));
        QVERIFY(QDir(path(kConfigDir)).entryList({"*.import", "*.previous"}, QDir::Files).isEmpty());

        // Unregistered, the hook stays quiet; an absolute path into the updates folder works.
        manager.unregisterHook(ConfigfileManager::AfterImport);
        const QString third = kUsb + QStringLiteral("/third.cfg.xml");
        QVERIFY(root().writeFile(third, configFile("PEVANTO", "Third", "3")));
        QCOMPARE(manager.importConfigFile(path(third), false), 0);
        QCOMPARE(query("Third"), QStringLiteral("3"));
        QVERIFY(QFile::exists(path(third)));
        QCOMPARE(hook->runs, 1);
    }

    // A configured system name names the exports, but the store keeps the file and root
    // it was made with before that name was read: an export goes back in.
    void anotherSystemNameImportsItsOwnExport()
    {
        LogCapture log;
        QCoreApplication::setApplicationName(QStringLiteral("ACME"));
        ConfigfileManager manager;
        QCoreApplication::setApplicationName(QStringLiteral("pevanto"));
        QCOMPARE(manager.exportConfigFile(QStringLiteral("backup")), QStringLiteral("USB/ACME_backup.cfg.xml"));
        QCOMPARE(root().readFile(kUsb + QStringLiteral("/ACME_backup.cfg.xml")), m_deviceBytes);
        QVERIFY(root().writeFile(kUsb + QStringLiteral("/ACME_new.cfg.xml"), configFile("PEVANTO", "OnlyNew", "new")));
        QCOMPARE(manager.importConfigFile(QStringLiteral("ACME_new"), true), 0);
        QCOMPARE(query("OnlyNew"), QStringLiteral("new"));
        QVERIFY(device().contains("OnlyNew"));
        QCOMPARE(QDir(path(kConfigDir)).entryList({"ACME*"}, QDir::Files), QStringList());
        QCOMPARE(log.deliveredService().size(), 1);
    }

    // Whose a configuration is decides what of it an import takes.
    void importKeepsWhatIsTheInstruments_data()
    {
        QTest::addColumn<QString>("own");    // this instrument's serial number
        QTest::addColumn<QString>("named");  // the file's
        QTest::addColumn<bool>("startUp");   // else from the menu
        QTest::addColumn<bool>("service");   // the service lock open
        QTest::addColumn<bool>("imported");
        QTest::addColumn<QString>("serial"); // afterwards
        const QString mine = "11111111111";
        const QString theirs = "12345678901";
        const QString unset = "99999999999";
        QTest::newRow("another instrument's backup") << mine << theirs << true << false << false << mine;
        QTest::newRow("a backup naming no instrument") << mine << QString() << true << false << false << mine;
        QTest::newRow("own backup") << mine << mine << true << false << true << mine;
        QTest::newRow("instrument without a serial number") << unset << theirs << true << false << true << theirs;
        QTest::newRow("menu, service lock closed") << mine << theirs << false << false << true << mine;
        QTest::newRow("menu, service lock open") << mine << theirs << false << true << true << theirs;
    }

    void importKeepsWhatIsTheInstruments()
    {
        QFETCH(QString, own);
        QFETCH(QString, named);
        QFETCH(bool, startUp);
        QFETCH(bool, service);
        QFETCH(bool, imported);
        QFETCH(QString, serial);
        QVERIFY(root().writeFile(kDevice, instrumentFile("old", own, true)));
        QCOMPARE(m_store->initialize(), 1);
        service ? m_fixture->dm()->unlockSystemFunction(SystemFunction::Service)
                : m_fixture->dm()->lockSystemFunction(SystemFunction::Service);
        const QString backup = kUsb + QStringLiteral("/PEVANTO_backup.cfg.xml");
        QVERIFY(root().writeFile(backup, instrumentFile("new", named, false)));
        const QByteArray before = device();

        LogCapture log;
        ConfigfileManager manager;
        QCOMPARE(manager.importConfigFile(path(backup), startUp), imported ? 0 : -1);
        QCOMPARE(query("OnlyOld"), imported ? QString("new") : QString("old"));
        QCOMPARE(QFile::exists(path(backup)), !imported || !startUp);
        QVERIFY(imported || device() == before);
        QCOMPARE(m_platform->rebooter.calls.size(), int(imported));
        const auto shown = m_gui->callsOf("showMessageDlg").first(); // in the header when refused
        QCOMPARE(shown.key == "BackupOfAnotherInstrument" && shown.category == CAT_ERR && !shown.okButton, !imported);
        QString text;
        QCOMPARE((m_store->queryString("/Device/SerialNumber", text), text), serial);
        // Identity and service keys only with the service lock open; the instrument's own never.
        const QString seen = QStringList{(m_store->queryString("/Device/HardwareId", text), text), query("SystemName"),
                                         QString(device().contains(">true<") ? "some true" : "none true")}
                                 .join(' ');
        QCOMPARE(seen, service ? QString("HW-THEIRS Theirs some true") : QString("HW-MINE Mine none true"));
        const auto set = log.deliveredWhere([](const LoggingData& r) { return r.text.contains(" set by the imported "); });
        QCOMPARE(set.size(), service ? 7 : serial != own ? 1 : 0);
        QCOMPARE(log.deliveredWhere([](const LoggingData& r) { return r.text.contains("this instrument is"); }).size(),
                 int(!imported));
    }

    void importFailureKeepsPreviousConfiguration_data()
    {
        QTest::addColumn<bool>("failRename");
        QTest::newRow("rename fails") << true;
        QTest::newRow("re-read fails") << false;
    }

    void importFailureKeepsPreviousConfiguration()
    {
        QFETCH(bool, failRename);
        LogCapture log;
        // The backup found at start-up is imported and removed afterwards when it works.
        const QString backup = kUsb + QStringLiteral("/PEVANTO_backup.cfg.xml");
        QVERIFY(root().writeFile(backup, configFile("PEVANTO", "OnlyNew", "new")));
        TestableManager manager;
        manager.failRename = failRename;
        m_store->failNextReads = failRename ? 0 : 1;

        QCOMPARE(manager.importConfigFile(path(backup), true), -1);
        QCOMPARE(device(), m_deviceBytes);
        QCOMPARE(query("OnlyOld"), QStringLiteral("old"));
        QCOMPARE(query("OnlyNew"), QString());
        QVERIFY(QFile::exists(path(backup)));
        QVERIFY(m_platform->rebooter.calls.isEmpty());
        QVERIFY(!m_gui->hasMessage(QStringLiteral("UpdateManager"), QStringLiteral("StandbyWhileRebooting")));
        const auto shown = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().key, QStringLiteral("ConfigImportFailed"));
        QCOMPARE(shown.first().category, int(CAT_ERR));
        const auto service = log.deliveredService();
        QCOMPARE(service.size(), 1);
        QCOMPARE(service.first().text, QStringLiteral("Import of the configuration failed!"));
        QVERIFY(QDir(path(kConfigDir)).entryList({"*.import", "*.previous"}, QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstConfigfileManager)
#include "tst_configfilemanager.moc"
