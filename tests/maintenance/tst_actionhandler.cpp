#include "maintenance/ActionHandler.h"

#include "config/IConfigBase.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "fakes/FakeHVData.h"
#include "fakes/FakePlatform.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingGui.h"
#include "hvunit/TPOF.h"
#include "maintenance/UpdateManager.h"
#include "tandelta/TanDeltaLists.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
QList<int> events(const QSignalSpy& spy)
{
    QList<int> out;
    for (const QList<QVariant>& args : spy)
        out << int(args.at(0).value<eAppEvent>());
    return out;
}

void walk(DataModell* dm, std::initializer_list<eAppEvent> path)
{
    for (eAppEvent e : path)
        dm->receiveAppEvent(e);
}

bool writeFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
}

// Runs f on a thread of its own, as the remote side does, and waits for it.
void fromRemoteThread(const std::function<void()>& f)
{
    std::unique_ptr<QThread> remote(QThread::create(f));
    remote->start();
    remote->wait();
}

void toIdle(DataModell* dm) { walk(dm, {eAppEvent::MainsOn, eAppEvent::HVUnitInitialized}); }

// The one system log report written into folder, as lines.
QStringList report(const QString& folder)
{
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files);
    QFile f(folder + QLatin1Char('/') + files.value(0));
    if (files.size() != 1 || !f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
}
} // namespace

class TstActionHandler : public QObject {
    Q_OBJECT

    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<RecordingGui> m_gui;
    std::unique_ptr<TPOF> m_pof;
    std::unique_ptr<ActionHandler> m_handler;

    DataModell* dm() const { return m_fixture->dm(); }
    const TempRoot& root() const { return m_fixture->root(); }

    QStringList logged(const QString& function)
    {
        QStringList texts;
        for (const LoggingData& r : m_log->deliveredWhere([&](const LoggingData& r) {
                 return r.file == QLatin1String("ActionHandler") && r.function == function;
             }))
            texts << QStringLiteral("%1 %2").arg(r.category).arg(r.text);
        return texts;
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("PEVANTO"));
        // What reaches the log manager counts here, not how long its message stays up.
        GlobalFuncs::setShownWaitScale(0.01);
    }

    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_platform = std::make_unique<FakePlatform>();
        m_log = std::make_unique<LogCapture>();
        m_gui = std::make_unique<RecordingGui>();
        GlobalFuncs::setGUI(m_gui.get());
        QVERIFY(root().writeFile(QStringLiteral("/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml"),
                                 "<configuration><key name=\"PEVANTO\"/></configuration>"));
        m_pof = std::make_unique<TPOF>(std::make_unique<FakeHVData>(), [] { return std::make_unique<FakeHVData>(); });
        m_handler = std::make_unique<ActionHandler>(m_pof.get());
    }

    void cleanup()
    {
        m_handler.reset();
        m_pof.reset();
        GlobalFuncs::setGUI(nullptr);
        m_gui.reset();
        m_log.reset();
        m_platform.reset();
        m_fixture.reset();
    }

    void testActionsSendTheirEventsAndNamesMatchExactly()
    {
        dm()->changeOperatingMode(OperatingModes::VLFSin);
        const QString modeName = dm()->getOperatingModes()->getModeName(OperatingModes::VLFSin);
        QSignalSpy sent(m_handler.get(), &ActionHandler::sendAppEvent);
        QSignalSpy reboot(m_handler.get(), &ActionHandler::rebootHVUnit);

        QStringList performed;
        for (const char* action : {"startmode", "NoSuchAction", "StartMode", "HvOff", "AbortMode", "RebootHVUnit", "DACShot"}) {
            m_handler->handleAction(QLatin1String(action));
            if (QChar(QLatin1Char(action[0])).isUpper() && qstrcmp(action, "NoSuchAction") != 0)
                performed << QStringLiteral("8 Performing action \"%1\"").arg(QLatin1String(action));
        }
        QCOMPARE(events(sent), QList<int>({14, 10, 9}));
        QCOMPARE(reboot.size(), 1);
        QCOMPARE(logged(QStringLiteral("handleAction")), performed);
        QCOMPARE(logged(QStringLiteral("doStartMode")),
                 QStringList({QStringLiteral("8 Starting operating mode '%1'").arg(modeName)}));
        QCOMPARE(logged(QStringLiteral("doPerformShot")), QStringList({QStringLiteral("8 ATM: DAC SHOT NOT SUPPORTED")}));
    }

    // The remote side calls from its own thread: the actions run on the GUI thread, in
    // the order they were asked for, and the data model gets the start.
    void actionsFromAnotherThreadRunOnTheGuiThreadInOrder()
    {
        toIdle(dm());
        QList<int> received;
        QList<QThread*> threads;
        connect(m_handler.get(), &ActionHandler::sendAppEvent, this,
                [&](eAppEvent e) {
                    received << int(e);
                    threads << QThread::currentThread();
                    if (e == eAppEvent::StartTest)
                        dm()->receiveAppEvent(e);
                },
                Qt::DirectConnection);
        ActionHandler* handler = m_handler.get();
        fromRemoteThread([handler] {
            for (const char* action : {"StartMode", "AbortMode", "HvOff"})
                handler->handleAction(QLatin1String(action));
        });
        QTRY_COMPARE(received, QList<int>({14, 9, 10}));
        for (QThread* t : threads)
            QCOMPARE(t, QThread::currentThread());
        QCOMPARE(dm()->getAppState(), States::InitTest);
    }

    // The chosen package is installed once the state machine is in Updating; asked from
    // the remote side's thread, it is handed over on the GUI thread.
    void updatesAreListedAndInstalledInUpdating()
    {
        toIdle(dm());
        dm()->setUSBState(USBState_Ready);
        const QString package = UpdateManager::getUpdatePath() + QStringLiteral("/vlf-Czech.tar");
        QVERIFY(writeFile(package)); // not an archive: its unpacking fails
        QVERIFY(root().mkdir(QStringLiteral("/usr/share/fonts/ttf")));
        QSignalSpy offered(m_handler.get(), &ActionHandler::showFirmwareUpdateDlg);
        m_handler->handleAction(QStringLiteral("Update"));
        QCOMPARE(offered.size(), 1);
        const auto list = offered.first().at(0).value<QList<updatePackage>>();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first().name, QStringLiteral("Czech"));

        QList<int> sent;
        QList<QThread*> threads;
        connect(m_handler.get(), &ActionHandler::sendAppEvent, this, [&](eAppEvent e) {
            sent << int(e);
            threads << QThread::currentThread();
        }, Qt::DirectConnection);
        connect(m_handler.get(), &ActionHandler::sendAppEvent, dm(), &DataModell::receiveAppEvent, Qt::QueuedConnection);
        QSignalSpy finished(m_handler.get(), &ActionHandler::updateFinished);
        ActionHandler* handler = m_handler.get();
        const updatePackage chosen = list.first();
        fromRemoteThread([handler, chosen] { handler->performUpdate(chosen); });
        QTRY_COMPARE(sent, QList<int>({2, 3}));
        QCOMPARE(threads, QList<QThread*>({QThread::currentThread(), QThread::currentThread()}));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().at(0).toInt(), int(UpdateManager::UnpackFailed));
        QTRY_COMPARE(dm()->getAppState(), States::Idle);

        m_handler->setUpdateManager(nullptr);
        m_handler->performUpdate(chosen);
        m_handler->handleAction(QStringLiteral("Update"));
        QCOMPARE(sent.size(), 2);
        QCOMPARE(offered.size(), 1);
    }

    void configurationActionsWithoutStickOrFiles()
    {
        QSignalSpy exported(m_handler.get(), &ActionHandler::exportConfigfileFinished);
        QSignalSpy offered(m_handler.get(), &ActionHandler::showImportConfigDlg);
        // No stick and the user does not connect one.
        m_handler->handleAction(QStringLiteral("ExportConfiguration"));
        QCOMPARE(exported.size(), 1);
        QCOMPARE(exported.first(), QList<QVariant>({false, QString()}));
        m_handler->handleAction(QStringLiteral("UpdateConfiguration"));
        QVERIFY(offered.isEmpty());

        // A stick without configuration files, then one with a file.
        dm()->setUSBState(USBState_Ready);
        QVERIFY(!root().insertStick().isEmpty());
        const QString updates = GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates);
        m_handler->handleAction(QStringLiteral("UpdateConfiguration"));
        QVERIFY(offered.isEmpty());
        QVERIFY(writeFile(updates + QStringLiteral("/site.cfg.xml")));
        m_handler->handleAction(QStringLiteral("UpdateConfiguration"));
        QCOMPARE(offered.size(), 1);
        QCOMPARE(offered.first().at(0).toStringList(), QStringList({QStringLiteral("site")}));
    }

    void logActionsReachTheLogManager()
    {
        QVERIFY(!root().insertStick().isEmpty());
        dm()->setUSBState(USBState_Ready);
        QSignalSpy generated(m_handler.get(), &ActionHandler::SystemLogGenerated);
        m_handler->handleAction(QStringLiteral("ExportMessageLog"));
        QTRY_COMPARE(generated.size(), 1);
        QCOMPARE(generated.first().at(0).toBool(), true);
        const QDir stickLogs(GlobalFuncs::getUsbPath(GlobalFuncs::UsbLogFiles));
        QCOMPARE(stickLogs.entryList({QStringLiteral("*.txt")}, QDir::Files).size(), 1);
        QCOMPARE(stickLogs.entryList({QStringLiteral("*.tar")}, QDir::Files).size(), 0);

        LoggingCtrl::log(CAT_MSG, "MSG", "a message to delete", -1, "Test", "log");
        m_log->delivered(QStringLiteral("a message to delete"));
        m_handler->handleAction(QStringLiteral("DeleteLogfiles"));
        QByteArray messages;
        QVERIFY(DB::getInstance()->getMessages(messages));
        QVERIFY2(!messages.contains("a message to delete"), messages.constData());
    }

    void factoryResetRestoresEverySetting()
    {
        IConfigBase* config = GlobalFuncs::getConfig();
        toIdle(dm());
        dm()->setPhaseName(0, QStringLiteral("A"));
        dm()->setPhaseName(2, QStringLiteral("C"));
        for (auto type : TanDelta::evaluation::allInsulationTypes())
            dm()->setInsulationState(type, true);
        dm()->setTanDeltaPrecision(6);
        dm()->setTimeFormat(QStringLiteral("HH:mm:ss"));
        dm()->setDateFormat(QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(config->setLong(QStringLiteral("/Settings/Theme"), 1, 0, 0, 0), 0);
        dm()->setDisplayParam(DisplayParam_Brightness, 30);
        dm()->setExportFolder(QStringLiteral("Site"));
        DB* db = DB::getInstance();
        QVERIFY(db->setPassword(QStringLiteral("admin_menu"), QStringLiteral("0123456789abcdef:00")));
        QVERIFY(db->setDefaultValue(QStringLiteral("General"), QStringLiteral("Language"), QStringLiteral("German")));
        dm()->changeOperatingMode(OperatingModes::VLFSin);
        const auto snapshot = [&] {
            long theme = -1;
            config->queryLong(QStringLiteral("/Settings/Theme"), theme);
            QStringList s{dm()->getPhaseName(0), dm()->getPhaseName(1), dm()->getPhaseName(2),
                          QString::number(dm()->getEnabledInsulationTypes().size()),
                          QString::number(dm()->getTanDeltaPrecision()), dm()->getTimeFormat(), dm()->getDateFormat(),
                          QString::number(theme), QString::number(m_platform->backlight.current),
                          dm()->exportFolder(), db->getPassword(QStringLiteral("admin_menu")),
                          db->getDefaultValue(QStringLiteral("General"), QStringLiteral("Language")),
                          QString::number(dm()->getOperatingMode())};
            return s;
        };
        const QStringList changed = snapshot();

        // Refused while a test or an update runs: nothing changes, the refusal is told.
        walk(dm(), {eAppEvent::StartTest, eAppEvent::TestInitSuccess, eAppEvent::GotHVFree,
                    eAppEvent::ExtEmergOffClosed, eAppEvent::HVOn, eAppEvent::HVOutputOn,
                    eAppEvent::LoadDetectionFinished, eAppEvent::FrequencyUnmodified, eAppEvent::TestStarted});
        QCOMPARE(dm()->getAppState(), States::TestRunning);
        m_handler->handleAction(QStringLiteral("ResetDefaultValues"));
        QCOMPARE(snapshot(), changed);
        walk(dm(), {eAppEvent::TestAborted, eAppEvent::TestFinalized, eAppEvent::HistoryReady,
                    eAppEvent::TestResultConfirmed, eAppEvent::StartUpdate});
        QCOMPARE(dm()->getAppState(), States::Updating);
        m_handler->handleAction(QStringLiteral("ResetDefaultValues"));
        QCOMPARE(snapshot(), changed);
        QCOMPARE(m_gui->callsOf(QStringLiteral("resetDefValuesDone")).size(), 2);
        for (const RecordingGui::Call& c : m_gui->callsOf(QStringLiteral("resetDefValuesDone")))
            QCOMPARE(c.arguments, QStringList({QStringLiteral("0")}));

        walk(dm(), {eAppEvent::HostUpdateFinished});
        QCOMPARE(dm()->getAppState(), States::Idle);
        m_handler->handleAction(QStringLiteral("ResetDefaultValues"));
        QCOMPARE(snapshot(), QStringList({QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L3"),
                                          QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("hh:mm:ss AP"),
                                          QStringLiteral("MM/dd/yyyy"), QStringLiteral("0"), QStringLiteral("100"),
                                          QStringLiteral("Pevanto"), DB::defaultPasswordRecord(QStringLiteral("admin_menu")),
                                          QString(), QStringLiteral("0")}));
        QCOMPARE(dm()->getCurrentLanguage(), QString());
        QCOMPARE(m_gui->callsOf(QStringLiteral("resetDefValuesDone")).last().arguments,
                 QStringList({QStringLiteral("1")}));
        QStringList service;
        for (const LoggingData& r : m_log->deliveredService())
            service << r.text;
        QCOMPARE(service, QStringList({QStringLiteral("Default values not reset: not allowed in state TestRunning"),
                                       QStringLiteral("Default values not reset: not allowed in state Updating"),
                                       QStringLiteral("Default values reset")}));
    }

    void machineNameHeadsTheReport()
    {
        stIdentification id;
        qstrcpy(id.modelName, "VX 45");
        id.firmwareMajor = 3;
        id.firmwareMinor = 17;
        id.valid = true;
        dm()->setHVIdentification(id);
        m_handler->setMachineName(QStringLiteral("old"));
        m_handler->setMachineName(QStringLiteral("  X \t"));
        QTemporaryDir target;
        QSignalSpy generated(m_handler.get(), &ActionHandler::SystemLogGenerated);
        // The remote side's export into a folder of its own, asked from its thread.
        ActionHandler* handler = m_handler.get();
        const QString folder = target.path();
        fromRemoteThread([handler, folder] { emit handler->exportLogFiles(folder, false); });
        QTRY_COMPARE(generated.size(), 1);
        QCOMPARE(generated.first().at(0).toBool(), true);
        const QStringList lines = report(folder);
        QCOMPARE(lines.mid(0, 3), QStringList({QStringLiteral(";configuration"), QString(), QStringLiteral("X")}));
        QCOMPARE(lines.filter(QStringLiteral("HV Application Version")),
                 QStringList({QStringLiteral("HV Application Version: 3.17")}));
    }

    void languageSwitchAndStartUpLanguage()
    {
        QSignalSpy changed(m_handler.get(), &ActionHandler::languageChanged);
        QSignalSpy listed(m_handler.get(), &ActionHandler::languageListChanged);
        dm()->setCurrentLanguage(QStringLiteral("German"));
        m_handler->changeLanguage(QString());
        const QList<RecordingGui::Call> shown = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().category, int(CAT_ERR));
        QCOMPARE(shown.first().context, QStringLiteral("ErrorMessages"));
        QCOMPARE(shown.first().key, QStringLiteral("UnableToLoadLanguage"));
        QCOMPARE(shown.first().arguments, QStringList({QStringLiteral("Unknown")}));
        QVERIFY(!shown.first().cancelButton);
        QVERIFY(shown.first().okButton);
        QVERIFY(changed.isEmpty());
        QCOMPARE(dm()->getCurrentLanguage(), QStringLiteral("German"));

        // The list comes once, after the language is in place.
        QVERIFY(writeFile(LanguageManager::languagesFolder() + QStringLiteral("/vlf-Czech.qm")));
        QList<int> order;
        connect(m_handler.get(), &ActionHandler::languageChanged, this, [&] { order << 1; });
        connect(m_handler.get(), &ActionHandler::languageListChanged, this, [&] { order << 2; });
        m_handler->initLanguage(QStringLiteral("English"));
        QCOMPARE(order, QList<int>({1, 2}));
        QCOMPARE(listed.size(), 1);
        const QVariantList languages = listed.first().at(0).toList();
        QStringList names;
        for (const QVariant& language : languages)
            names << language.toMap().value(QStringLiteral("name")).toString();
        QCOMPARE(names, QStringList({QStringLiteral("English"), QStringLiteral("Czech")}));
        QCOMPARE(dm()->getCurrentLanguage(), QStringLiteral("English"));
        // A catalogue that does not load is said; English stays shown and current.
        m_handler->changeLanguage(QStringLiteral("Czech"));
        QCOMPARE(dm()->getCurrentLanguage(), QStringLiteral("English"));
        const QList<RecordingGui::Call> refused = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(refused.size(), 2);
        QCOMPARE(refused.last().key, QStringLiteral("UnableToLoadLanguage"));
        const QString czech = LanguageManager::languagesFolder() + QStringLiteral("/vlf-Czech.qm");
        QCOMPARE(refused.last().arguments, QStringList{QFileInfo(czech).absoluteFilePath()});
        m_handler->changeLanguage(QStringLiteral("English"));
        QCOMPARE(dm()->getCurrentLanguage(), QStringLiteral("English"));
        QCOMPARE(m_gui->callsOf(QStringLiteral("showMessageDlg")).size(), 2);
    }

    void nullLinkEndsTheProcess()
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VLF_ROOT"), root().root());
        // The child ends without unwinding: its own temporary root goes below this one.
        env.insert(QStringLiteral("TMPDIR"), root().root());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--null-link")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 255);
        QVERIFY2(!child.readAllStandardOutput().contains("constructed"), "the handler was built without a link");
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--null-link") == 0) {
        QCoreApplication app(argc, argv);
        DataModelFixture fixture;
        ActionHandler handler(nullptr);
        std::printf("constructed\n");
        return 0;
    }
    QCoreApplication app(argc, argv);
    TstActionHandler tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_actionhandler.moc"
