#pragma once

#include "app/InstanceLock.h"
#include "commissioning/MachineBundle.h"
#include "datamodel/InstrumentTypes.h"

#include <QApplication>

#include <functional>
#include <memory>

class ActionHandler;
class CheckAppState;
class ConnectionManager;
class ConfigAccessXML;
class DataModell;
class ExtPortManager;
class MeasurementManager;
class TestBoostManager;
class TTestChart;
class TTestThread;
class GPIOManager;
class IGUI;
class LoggingCtrl;
class RotaryEncoder;
class TCheckSafetyCircuit;
class ThreadGuard;
class TPOF;
class UnixSignalWatcher;

// The program: builds the services and components in their start-up order, wires
// them together, and takes them down again in the shutdown order.
class Application : public QApplication {
    Q_OBJECT
public:
    // Builds the user interface; frame tests that need no window hand in a double.
    using GuiFactory = std::function<std::unique_ptr<IGUI>()>;

    Application(int& argc, char** argv, GuiFactory guiFactory = GuiFactory());
    ~Application() override;

    // Another program drives the HV unit: this one built nothing but its log and ends.
    bool refused() const { return m_refused; }

    DataModell* dataModel() const;
    TPOF* hvLink() const { return m_pof; }
    IGUI* gui() const { return m_gui.get(); }
    CheckAppState* usbChecker() const { return m_usb.get(); }
    ActionHandler* actionHandler() const { return m_actions.get(); }
    TCheckSafetyCircuit* safetyCircuit() const { return m_safety.get(); }
    ThreadGuard* dataModelThread() const { return m_dmThread.get(); }
    ConnectionManager* connectionManager() const { return m_connectionManager; }
    ThreadGuard* hvLinkThread() const { return m_pofThread.get(); }
    ThreadGuard* testThread() const { return m_testThread.get(); }
    TTestThread* testWorker() const { return m_testWorker; }
    ExtPortManager* extPortManager() const { return m_extPort.get(); }
    RotaryEncoder* encoder() const { return m_encoder.get(); }
    // Builds the commissioning machines on the calling thread and moves them to "POFThread".
    const std::function<Commissioning::MachineBundle()>& machineFactory() const { return m_machineFactory; }

private:
    // Start-up, in this order.
    void installServices();
    void createDataModel();
    void createConnectionManager();
    void createMeasurementManager();
    void createGui();
    void createHVLink();
    void createActionHandler();
    void initialize();
    void guardThreads();
    void createAccessoryManagers();
    void createRecordStore();
    void createSafetyCircuit();
    void createTestWorker();
    // Handed to the commissioning view model of the window.
    void createMachineFactory();
    // The SKP server ("SKPThread", guarded) takes its place here once it exists.
    void connectComponents();
    void connectGui();
    void connectActionHandler();
    void startRunning();

    // Shutdown step: joins the test, HV-link and measurement threads, in this order.
    void stopWorkerThreads();
    void stopConnectionManager();

    void onUnixSignal(int signalNumber);

private slots:
    void onAppStateChanged(States::AppState oldState, States::AppState newState);
    void updateHvEnable();

private:
    GuiFactory m_guiFactory;
    InstanceLock m_instanceLock;
    bool m_refused = false;
    std::unique_ptr<LoggingCtrl> m_logger;
    std::unique_ptr<ConfigAccessXML> m_config;
    std::unique_ptr<UnixSignalWatcher> m_signals;
    std::unique_ptr<ThreadGuard> m_dmThread;
    ConnectionManager* m_connectionManager = nullptr; // owned by m_connectionThread
    std::unique_ptr<ThreadGuard> m_connectionThread;
    std::unique_ptr<ThreadGuard> m_measurementThread;
    std::unique_ptr<IGUI> m_gui;
    std::unique_ptr<RotaryEncoder> m_encoder;
    TPOF* m_pof = nullptr; // owned by m_pofThread
    std::unique_ptr<ThreadGuard> m_pofThread;
    std::unique_ptr<ActionHandler> m_actions;
    std::unique_ptr<CheckAppState> m_usb;
    GPIOManager* m_gpio = nullptr;
    std::unique_ptr<ExtPortManager> m_extPort;
    std::unique_ptr<TestBoostManager> m_testBoost;
    std::unique_ptr<TTestChart> m_testChart;
    std::unique_ptr<TCheckSafetyCircuit> m_safety;
    States::AppState m_appState = States::None;
    bool m_stopRequested = false; // by SIGTERM or SIGINT
    TTestThread* m_testWorker = nullptr; // owned by m_testThread
    std::unique_ptr<ThreadGuard> m_testThread;
    std::function<Commissioning::MachineBundle()> m_machineFactory;
};
