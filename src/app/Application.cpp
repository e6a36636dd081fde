#include "app/Application.h"

#include "hvunit/HvEnableRule.h"

#include "app/CheckAppState.h"
#include "remote/ConnectionManager.h"
#include "remote/NullNetworkBackend.h"
#include "remote/QtBluetoothBackend.h"
#include "commissioning/CommissioningViewModel.h"
#include "commissioning/MachineFactory.h"
#include "config/ConfigAccessXML.h"
#include "config/ConfigKeys.h"
#include "db/DB.h"
#include "app/DMhvDataModel.h"
#include "app/DMhvStateSubscriber.h"
#include "app/DataModelSafetyReceiver.h"
#include "app/DataModelTestBoostModel.h"
#include "app/HvOffOnCrash.h"
#include "datamodel/DataModell.h"
#include "datamodel/DisplaySettings.h"
#include "db/DbLogSink.h"
#include "hvunit/ExtPortManager.h"
#include "testrun/MeasurementManager.h"
#include "testrun/TTestChart.h"
#include "testrun/TestChart.h"
#include "testrun/TTestThread.h"
#include "hvunit/TestBoostManagerExtPort.h"
#include "hvunit/GPIOManager.h"
#include "hvunit/GPIOsys.h"
#include "hvunit/SCPins.h"
#include "core/GlobalFuncs.h"
#include "gui/Gui.h"
#include "app/RotaryEncoder.h"
#include "app/SceneGraphChoice.h"
#include "logging/LoggingCtrl.h"
#include "maintenance/ActionHandler.h"
#include "maintenance/ConfigfileManager.h"
#include "maintenance/UpdateManager.h"
#include "hvunit/TCheckSafetyCircuit.h"
#include "hvunit/OwedUnitWrites.h"
#include "hvunit/TPOF.h"
#include "app/StopDeadline.h"
#include "app/ThreadGuard.h"
#include "app/UnixSignalWatcher.h"
#include "app/WatchdogManager.h"

#include <QDeadlineTimer>
#include <QThread>

#include <csignal>

namespace {
const char* const kClass = "Application";
// How long the shutdown waits for the commissioning procedures to end their runs.
constexpr int kMachineReleaseMs = 5000;
// What a stop needs after the log rows are written: the database's switch back from the
// write-ahead log (a few syncs), the trace file and the exit.
constexpr int kAfterLogRowsMs = 1000;
} // namespace

Application::Application(int& argc, char** argv, GuiFactory guiFactory)
    : QApplication(argc, argv), m_guiFactory(std::move(guiFactory))
{
    registerInstrumentTypes();
    qRegisterMetaType<QList<eHVUnitParamType>>("QList<eHVUnitParamType>");
    qRegisterMetaType<OperatingModes::OperatingMode>("OperatingModes::OperatingMode");
    installServices();
    if (m_refused)
        return;
    createDataModel();
    createConnectionManager();
    createMeasurementManager();
    createGui();
    createHVLink();
    createActionHandler();
    initialize();
    guardThreads();
    createAccessoryManagers();
    createRecordStore();
    createSafetyCircuit();
    createTestWorker();
    createMachineFactory();
    connectComponents();
    startRunning();
}

Application::~Application()
{
    if (m_refused) {
        GlobalFuncs::setLogger(nullptr);
        GlobalFuncs::setConfig(nullptr);
        m_logger.reset();
        m_config.reset();
        return;
    }
    KLOG_INFO2(kClass, "~Application", "Shutting down");
    m_signals.reset();
    m_encoder.reset();

    // This thread waits below and answers no dialog, no database call and no heartbeat
    // meanwhile: a worker in the middle of the HV unit's start-up would wait for it.
    if (m_gui)
        m_gui->stopWaiting();
    if (DB* db = GlobalFuncs::getDB()) {
        db->setCallTimeout(0);
        // After a stop signal the waiting log rows are written while the deadline leaves
        // time for the rest; what is left then is counted in the trace, not cut off unsaid.
        const int left = StopDeadline::remainingMs();
        if (left >= 0)
            db->setReleaseDeadline(QDeadlineTimer(qMax(0, left - kAfterLogRowsMs)));
    }
    WatchdogManager::destroyInstance();

    // The procedures end their runs on the link's thread while the link, the safety
    // circuit and the GPIO lines are still there; whoever still holds a machine then
    // holds an inert one.
    Commissioning::releaseMachines(kMachineReleaseMs);
    // The final HV-off: nothing on this thread switches the line on again, and the
    // test worker never does.
    if (m_safety)
        m_safety->setHV_Off();
    stopWorkerThreads();

    // The user interface only after the workers: one may have taken its pointer.
    GlobalFuncs::setGUI(nullptr);
    m_gui.reset();
    // No view calls into it any more; the data model it reads is still there.
    stopConnectionManager();
    m_actions.reset();
    // The phase selection goes here once it exists.
    m_usb.reset();
    m_testBoost.reset();
    m_extPort.reset();
    // Nobody uses the safety circuit any more; the GPIO manager goes with it.
    if (m_safety) {
        m_safety->setHV_Off();
        m_safety.reset();
    }
    HvOffOnCrash::uninstall();
    GPIOManager::destroyInstance();
    m_gpio = nullptr;
    m_testChart.reset();

    if (m_dmThread) {
        m_dmThread->stop();
        m_dmThread.reset();
    }

    KLOG_INFO2(kClass, "~Application", "Shutdown complete");
    // Logging and the database go last, so the records of the worker threads' ends are kept.
    GlobalFuncs::release();
    GlobalFuncs::setLogger(nullptr);
    GlobalFuncs::setConfig(nullptr);
    DB::destroyInstance();
    m_logger.reset();
    m_config.reset();
}

DataModell* Application::dataModel() const { return GlobalFuncs::getDM(); }

void Application::installServices()
{
    m_signals = std::make_unique<UnixSignalWatcher>();
    connect(m_signals.get(), &UnixSignalWatcher::unixSignal, this, &Application::onUnixSignal);
    m_signals->watch(SIGTERM);
    m_signals->watch(SIGINT);
    m_signals->watch(SIGUSR1);
    // A GUI thread that hangs never sees the two: they end the program all the same.
    const bool deadline = StopDeadline::install();

    setApplicationName(GlobalFuncs::getProjectAbbreviation().toUpper());
    GlobalFuncs::initPaths();
    // One program drives the unit: a second one changes no file and opens neither the
    // serial line nor the GPIO lines. Only a lock another process holds keeps it out.
    const InstanceLock::Outcome lock =
        m_instanceLock.take(GlobalFuncs::getAppDataPath() + QStringLiteral("/instance.lock"));
    m_refused = lock == InstanceLock::HeldElsewhere;
    if (!m_refused) {
        // Work that a power cut ended half way is undone before anything reads its files.
        ConfigfileManager::removeUnfinishedImport();
        UpdateManager::removeUnfinishedProgramCopy();
    }

    // The system name below is the first value read: it is held to its row as every later one.
    DisplaySettings::holdConfigurationToBounds();
    m_config = std::make_unique<ConfigAccessXML>(GlobalFuncs::getUsbPath(GlobalFuncs::ConfigDirectory));
    const bool configLoaded = m_config->initialize() != 0;
    GlobalFuncs::setConfig(m_config.get());
    // The configured system name names the application, its trace file and its database.
    setApplicationName(GlobalFuncs::getProjectAbbreviation().toUpper());

    // The database's sinks are in place before the logger starts, so the records kept
    // from before it (the banner among them) reach the message log too; they wait in
    // the database's queue until the file is open.
    m_logger = std::make_unique<LoggingCtrl>();
    if (m_refused) {
        // Said on the console and in the trace file; the database stays the other's.
        m_logger->initialize(GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Trace));
        GlobalFuncs::setLogger(m_logger.get());
        KLOG_ERROR2(kClass, "installServices", m_instanceLock.why() + QStringLiteral("; this one ends"));
        return;
    }
    if (lock == InstanceLock::Failed)
        KLOG_WARN2(kClass, "installServices",
                   QStringLiteral("No lock keeps a second program out: ") + m_instanceLock.why());
    DB* db = DB::getInstance();
    // Settings that silently fail to save are worse than a message in the header.
    connect(db, &DB::troubleFound, this, [](DB::Trouble trouble) {
        if (IGUI* gui = GlobalFuncs::getGUI())
            gui->showMessageDlg(CAT_ERR, QStringLiteral("ErrorMessages"),
                                trouble == DB::DamagedAndReset ? QStringLiteral("DatabaseReset")
                                                               : QStringLiteral("DatabaseNotWritable"),
                                false, false);
    });
    DbLogSink::attach(*m_logger, *db);
    m_logger->initialize(GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Trace));
    GlobalFuncs::setLogger(m_logger.get());
    if (!configLoaded)
        KLOG_INFO2(kClass, "installServices", "No configuration file yet; built-in defaults are used");
    if (!deadline)
        KLOG_WARN2(kClass, "installServices", "A stop signal cannot end a hanging program");

    if (!db->initialize())
        KLOG_ERROR2(kClass, "installServices", "The database could not be opened");
    db->registerGlobally();
}

void Application::createDataModel()
{
    DataModell* dm = DataModell::getInstance();
    GlobalFuncs::setDM(dm);
    // Read while this thread still answers the database calls the settings make.
    dm->initialize();
    m_dmThread = std::make_unique<ThreadGuard>(QStringLiteral("DMThread"), dm, []() {
        GlobalFuncs::setDM(nullptr);
        DataModell::destroyInstance();
    });
}

void Application::createConnectionManager()
{
    auto* manager = new ConnectionManager(std::make_unique<NullNetworkBackend>(), std::make_unique<QtBluetoothBackend>(),
                                          GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint));
    m_connectionManager = manager;
    GlobalFuncs::setConnectionManager(manager);
    m_connectionThread = std::make_unique<ThreadGuard>(QStringLiteral("ConnectionManagerThread"), manager);
    QMetaObject::invokeMethod(manager, &ConnectionManager::start, Qt::QueuedConnection);
}

void Application::stopConnectionManager()
{
    GlobalFuncs::setConnectionManager(nullptr);
    m_connectionManager = nullptr;
    if (m_connectionThread) {
        m_connectionThread->stop();
        m_connectionThread.reset();
    }
}

void Application::createMeasurementManager()
{
    auto* manager = new MeasurementManager(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements));
    GlobalFuncs::setMeasurementManager(manager);
    m_measurementThread = std::make_unique<ThreadGuard>(QStringLiteral("MeasurementManagerThread"), manager,
                                                        [manager]() {
                                                            GlobalFuncs::setMeasurementManager(nullptr);
                                                            delete manager;
                                                        });
}

void Application::createGui()
{
    // Before the window exists; the window itself is made by show().
    SceneGraphChoice::apply();
    m_gui = m_guiFactory ? m_guiFactory() : std::make_unique<Gui>();
    GlobalFuncs::setGUI(m_gui.get());
}

void Application::createHVLink()
{
    m_pof = new TPOF(std::make_unique<DMhvDataModel>(), [] { return std::make_unique<DMhvStateSubscriber>(); });
    // What the unit is still owed outlives the program, beside the configuration.
    m_pof->owedWrites()->keepIn(GlobalFuncs::getUsbPath(GlobalFuncs::ConfigDirectory) + QStringLiteral("/HVUnitOwed.json"));
    m_pofThread = std::make_unique<ThreadGuard>(QStringLiteral("POFThread"), m_pof);
}

void Application::createActionHandler() { m_actions = std::make_unique<ActionHandler>(m_pof); }

void Application::initialize()
{
    WatchdogManager::getInstance()->start();

    m_usb = std::make_unique<CheckAppState>();
    connect(m_usb.get(), &CheckAppState::usbStateChanged, this, [this](eUSBState oldState, eUSBState newState) {
        if (DataModell* dm = dataModel())
            dm->setUSBState(newState);
        if (m_gui)
            emit m_gui->USBStateChanged(oldState, newState);
    });
    connectActionHandler();

    m_gpio = GPIOManager::getInstance();

    DataModell* dm = dataModel();
    dm->lockSystemFunction(SystemFunction::Service);
    dm->lockSystemFunction(SystemFunction::RYX);
    m_actions->initLanguage(QStringLiteral("English"));
    // Defaults in place of the owner's settings: the header says so.
    if (!m_config->keptAside().isEmpty())
        m_gui->showMessageDlg(CAT_ERR, QStringLiteral("ConfigfileManager"), QStringLiteral("ConfigSetAside"), false,
                              false);
    m_usb->start();
    if (dm->getSerialNumber() == QLatin1String(ConfigKeys::UnsetSerialNumber)) {
        KLOG_INFO2(kClass, "initialize", "No serial number set yet");
        m_gui->showSetSerialDlg();
    }
}

void Application::guardThreads()
{
    WatchdogManager* watchdog = WatchdogManager::getInstance();
    watchdog->attachThread(this, QStringLiteral("GUI"));
    watchdog->attachThread(m_dmThread->context());
    watchdog->attachThread(m_pofThread->context());
}

void Application::createAccessoryManagers()
{
    m_extPort = std::make_unique<ExtPortManager>();
    m_testBoost = std::make_unique<TestBoostManagerExtPort>(m_extPort.get(), std::make_unique<DataModelTestBoostModel>());
}

void Application::createRecordStore()
{
    TestChart::removeUnfinishedRecords(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements));
    m_testChart = std::make_unique<TTestChart>();
}

void Application::createTestWorker()
{
    m_testWorker = new TTestThread(m_pof, m_testChart.get());
    m_testThread = std::make_unique<ThreadGuard>(QStringLiteral("TestThread"), m_testWorker);
}

void Application::createMachineFactory()
{
    m_machineFactory = Commissioning::makeMachineFactory(m_pof, m_safety.get());
    // Only the program's own window has the commissioning pages; a test's double has none.
    auto* gui = qobject_cast<Gui*>(m_gui.get());
    if (!gui)
        return;
    Commissioning::CommissioningViewModel* commissioning = gui->viewModel()->commissioning();
    commissioning->takeCalibrationMachinesFactory(m_machineFactory);
    if (gui->viewModel()->commissioningEnabled())
        commissioning->createMachines();
}

void Application::createSafetyCircuit()
{
    m_safety = std::make_unique<TCheckSafetyCircuit>(m_gpio, createDataModelReciever());
    // The checker has made the HV-enable line an output: a crash from here on leaves it low.
    if (!HvOffOnCrash::install(GPIOsys::valueFile(HVEnableLine)))
        KLOG_WARN2(kClass, "createSafetyCircuit", "The HV-enable line cannot be switched off on a crash");
}

void Application::connectComponents()
{
    DataModell* dm = dataModel();
    connect(m_pof, &TPOF::sendAppEvent, dm, &DataModell::receiveAppEvent);
    connect(dm, &DataModell::appStateChanged, this, &Application::onAppStateChanged);
    // A test boost that loses ground or F-Ohm during a test must drop the line at once,
    // not at the next state change.
    connect(dm, &DataModell::TestBoostStateChanged, this, &Application::updateHvEnable);
    // So must a unit that stopped answering, and an input of the loop that opened.
    connect(dm, &DataModell::HVStateChanged, this, &Application::updateHvEnable);
    connect(dm, &DataModell::safetyCircuitChanged, this, &Application::updateHvEnable);
    connect(dm, &DataModell::appStateChanged, m_pof, &TPOF::appStateChanged);
    // The operator's targets of a running manual ramp; the link decides whether they go out.
    connect(dm, &DataModell::targetVoltageConfirmed, m_pof, &TPOF::voltageChanged);
    connect(dm, &DataModell::appStateChanged, m_testWorker, &TTestThread::appStateChanged);
    connect(m_testWorker, &TTestThread::sendAppEvent, dm, &DataModell::receiveAppEvent);
    connect(dm, &DataModell::HVStateChanged, m_testWorker, &TTestThread::updateFaultValues);
    connect(dm, &DataModell::appStateChanged, m_testBoost.get(), &TestBoostManager::appStateChanged);
    connect(dm, &DataModell::safetyCircuitChanged, m_testBoost.get(), &TestBoostManager::safetyCircuitChanged);
    connect(dm, &DataModell::operatingModeChanged, m_testBoost.get(), &TestBoostManager::operatingModeChanged);
    connectGui();
}

void Application::connectGui()
{
    DataModell* dm = dataModel();
    IGUI* gui = m_gui.get();
    // Requests of the user interface.
    connect(gui, &IGUI::sendAppEvent, dm, &DataModell::receiveAppEvent);
    // On the GUI thread: the settings it stores are database calls, which would wait for
    // this thread from DMThread while holding the settings' lock that the views read.
    connect(gui, &IGUI::changeOperatingMode, dm, &DataModell::changeOperatingMode, Qt::DirectConnection);
    connect(gui, &IGUI::setHVUnitParamValue, m_pof, &TPOF::setHVUnitParamValue);
    connect(gui, &IGUI::refreshHVUnitParams, m_pof,
            qOverload<const QList<eHVUnitParamType>&>(&TPOF::refreshHVUnitParams));
    connect(dm, &DataModell::refreshHvSourceStatus, m_pof, &TPOF::GetHVSourceState);
    connect(gui, &IGUI::transferTanDeltaSummary, m_testWorker, &TTestThread::transferTanDeltaSummary);
    // On the GUI thread, as locking is: a level is open when the unlock returns, and a
    // lock that follows at once is not undone by an unlock still on its way.
    connect(gui, &IGUI::unlockSystemFunction, dm, &DataModell::unlockSystemFunction, Qt::DirectConnection);
    gui->setTestChart(m_testChart.get());
    m_testChart->setGui(gui);
    // What the user interface shows of the back end.
    connect(m_pof, &TPOF::showMessageDlg, gui,
            qOverload<MessageCategories, const QString&, const QString&, bool, bool>(&IGUI::showMessageDlg));
    OwedUnitWrites* owed = m_pof->owedWrites();
    connect(owed, &OwedUnitWrites::showMessageDlg, gui,
            qOverload<MessageCategories, const TransObject&, bool, bool>(&IGUI::showMessageDlg));
    connect(owed, &OwedUnitWrites::holdMessage, gui, &IGUI::holdMessage);
    connect(owed, &OwedUnitWrites::closeDlg, gui, &IGUI::closeDlg);
    connect(owed, &OwedUnitWrites::showMessageListDlg, gui,
            qOverload<MessageCategories, const QList<TransObject>&, bool, bool>(&IGUI::showMessageDlg));
    connect(dm, &DataModell::operatingModeChanged, gui, &IGUI::operatingModeChanged);
    connect(dm, &DataModell::TestBoostStateChanged, gui, &IGUI::TestBoostStateChanged);
    connect(dm, &DataModell::hvUnitParamChanged, gui, &IGUI::HVUnitParamChanged);
    connect(m_testWorker, &TTestThread::saveToHistoryFailed, gui, &IGUI::saveToHistoryFailed);
    // Threads below the window tell it; none of them waits for its answer.
    connect(m_pof, &TPOF::communicationDown, gui, &IGUI::communicationDown);
    connect(m_testWorker, &TTestThread::showMessageDlg, gui,
            qOverload<MessageCategories, const TransObject&, bool, bool>(&IGUI::showMessageDlg));
    connect(m_testChart.get(), &TTestChart::showMessageDlg, gui,
            qOverload<MessageCategories, const QList<TransObject>&, bool, bool>(&IGUI::showMessageDlg));
    connect(m_testBoost.get(), &TestBoostManager::showMessageDlg, gui,
            qOverload<MessageCategories, const QString&, const QString&, bool, bool>(&IGUI::showMessageDlg));
}

void Application::connectActionHandler()
{
    ActionHandler* actions = m_actions.get();
    IGUI* gui = m_gui.get();
    DataModell* dm = dataModel();
    connect(gui, &IGUI::PerformExternalAction, actions, &ActionHandler::handleAction);
    connect(gui, &IGUI::changeLanguage, actions, &ActionHandler::changeLanguage);
    connect(gui, &IGUI::importConfig, actions, &ActionHandler::importConfig);
    connect(gui, &IGUI::performUpdate, actions, &ActionHandler::performUpdate);
    connect(m_usb.get(), &CheckAppState::importConfig, actions, &ActionHandler::importConfig);
    connect(actions, &ActionHandler::sendAppEvent, dm, &DataModell::receiveAppEvent);
    connect(actions, &ActionHandler::rebootHVUnit, m_pof, &TPOF::rebootHVUnit);
    connect(actions, &ActionHandler::sendHVCUpdate, m_pof, &TPOF::sendHVCUpdate);
    connect(m_pof, &TPOF::finishedHVUpdate, actions, &ActionHandler::finishedHVUpdate);
    connect(actions, &ActionHandler::languageChanged, gui, &IGUI::languageChanged);
    connect(actions, &ActionHandler::languageListChanged, gui, &IGUI::languageListChanged);
    connect(actions, &ActionHandler::exportConfigfileFinished, gui, &IGUI::exportLogfileFinished);
    connect(actions, &ActionHandler::showImportConfigDlg, gui, &IGUI::showImportConfigDlg);
    connect(actions, &ActionHandler::showFirmwareUpdateDlg, gui, &IGUI::showFirmwareUpdateDlg);
}

void Application::startRunning()
{
    if (!m_safety->doRun())
        KLOG_ERROR2(kClass, "startRunning", "The safety circuit cannot be watched");
    // Stopped while starting: no window is built only to be closed (seconds on a slow build).
    if (!m_stopRequested)
        m_gui->show();
    // Without the encoder the instrument is worked by touch alone.
    m_encoder = std::make_unique<RotaryEncoder>(RotaryEncoder::configuredDevice());
    m_encoder->start();
    KLOG_INFO2(kClass, "startRunning", "Start-up done, mains on");
    DataModell* dm = dataModel();
    QMetaObject::invokeMethod(dm, [dm]() { dm->receiveAppEvent(eAppEvent::MainsOn); }, Qt::QueuedConnection);
    // Stopped while starting: the main loop ends as soon as it runs.
    if (m_stopRequested)
        QMetaObject::invokeMethod(this, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
}

void Application::stopWorkerThreads()
{
    // The test worker drives the HV link, so it ends first.
    if (m_testThread) {
        m_testThread->stop();
        m_testWorker = nullptr;
        m_testThread.reset();
    }
    if (m_pofThread) {
        m_pofThread->stop();
        m_pof = nullptr;
        m_pofThread.reset();
    }
    if (m_measurementThread) {
        m_measurementThread->stop();
        m_measurementThread.reset();
    }
}

void Application::onAppStateChanged(States::AppState oldState, States::AppState newState)
{
    // The HV unit has identified itself: its name heads the system log report.
    if (oldState == States::Starting && newState == States::Idle && m_actions)
        m_actions->setMachineName(QString::fromLatin1(dataModel()->getHVIdentification().modelName));
    m_appState = newState;
    if (m_extPort)
        m_extPort->enableSearch(newState == States::Idle);
    updateHvEnable();
}

void Application::updateHvEnable()
{
    if (!m_safety)
        return;
    DataModell* dm = dataModel();
    const stTBState boost = dm ? dm->getTestBoostState() : stTBState{};
    if (m_safety->commissioningHoldsHvEnable()) {
        // A procedure switched the line on in Idle: the frame may take it away (test boost,
        // leaving Idle) but never switches it on for the procedure.
        if (m_appState != States::Idle || !hvEnableAllowed(true, boost))
            m_safety->setHV_Off();
        return;
    }
    const bool unitAnswers = dm && !dm->getHVUnitState().comError;
    const SafetyCircuitBits needed = hvEnableInputs(m_appState);
    const bool loopClosed = dm && (dm->getSafetyCircuitState() & needed) == needed;
    if (unitAnswers && loopClosed && hvEnableAllowed(DataModell::isTestRunningState(m_appState), boost))
        m_safety->setHV_On();
    else
        m_safety->setHV_Off();
}

void Application::onUnixSignal(int signalNumber)
{
    switch (signalNumber) {
    case SIGUSR1:
        if (DataModell* dm = dataModel())
            emit dm->screenshotTrigger();
        break;
    case SIGTERM:
    case SIGINT:
        KLOG_INFO2(kClass, "onUnixSignal", QStringLiteral("Signal %1: stopping").arg(signalNumber));
        // The start-up processes events before the main loop runs, and quit() ends only
        // loops that run: the stop is kept for the main loop too.
        m_stopRequested = true;
        quit();
        break;
    default:
        break;
    }
}
