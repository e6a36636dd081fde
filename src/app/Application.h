#pragma once

#include "InstrumentTypes.h"

#include <QApplication>

#include <memory>

class CheckAppState;
class ConfigAccessXML;
class DataModell;
class GPIOManager;
class IGUI;
class LoggingCtrl;
class TCheckSafetyCircuit;
class ThreadGuard;
class TPOF;
class UnixSignalWatcher;

// The program: builds the services and components in their start-up order, wires
// them together, and takes them down again in the shutdown order.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    ~Application() override;

    DataModell* dataModel() const;
    TPOF* hvLink() const { return m_pof; }
    IGUI* gui() const { return m_gui.get(); }
    CheckAppState* usbChecker() const { return m_usb.get(); }
    TCheckSafetyCircuit* safetyCircuit() const { return m_safety.get(); }
    ThreadGuard* dataModelThread() const { return m_dmThread.get(); }
    ThreadGuard* hvLinkThread() const { return m_pofThread.get(); }

private:
    // Start-up, in this order.
    void installServices();
    void createDataModel();
    // The connection manager ("ConnectionManagerThread") and the measurement-file
    // manager ("MeasurementManagerThread") take their place here once they exist.
    void createGui();
    void createHVLink();
    // ActionHandler takes its place here once it exists.
    void initialize();
    void guardThreads();
    // The external-port and test-boost managers and the record store TTestChart
    // take their place here once they exist.
    void createSafetyCircuit();
    // The test worker TTestThread ("TestThread"), the commissioning machine factory
    // and the SKP server ("SKPThread", guarded) take their place here once they exist.
    void connectComponents();
    void connectGui();
    void startRunning();

    // Shutdown steps.
    void stopWorkerThreads();

    void onAppStateChanged(States::AppState oldState, States::AppState newState);
    void onUnixSignal(int signalNumber);

    std::unique_ptr<LoggingCtrl> m_logger;
    std::unique_ptr<ConfigAccessXML> m_config;
    std::unique_ptr<UnixSignalWatcher> m_signals;
    std::unique_ptr<ThreadGuard> m_dmThread;
    std::unique_ptr<IGUI> m_gui;
    TPOF* m_pof = nullptr; // owned by m_pofThread
    std::unique_ptr<ThreadGuard> m_pofThread;
    std::unique_ptr<CheckAppState> m_usb;
    GPIOManager* m_gpio = nullptr;
    std::unique_ptr<TCheckSafetyCircuit> m_safety;
};
