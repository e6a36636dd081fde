#pragma once

#include "hvunit/ExtPortDevice.h"
#include "hvunit/TestBoostManager.h"

#include <QTimer>

class ExtPortManager;

// The test boost on the external port: recognises it from its memory, publishes its
// limits and live state, polls its status lines every 100 ms (every 1000 ms while reads
// fail), drives its OWRDY and HVENA outputs and raises testBoostError when failures
// persist during a test. Lives on the main thread with its port manager.
class TestBoostManagerExtPort : public TestBoostManager {
    Q_OBJECT
public:
    // Published while an accessory answers but the port's power is absent or unknown.
    enum eTBReadyState : int {
        TBReady_Unknown = 0,
        TBReady_NoPower = 1,
        TBReady_PowerPresent = 2,
    };

    TestBoostManagerExtPort(ExtPortManager* port, std::unique_ptr<TestBoostModel> model, QObject* parent = nullptr);
    ~TestBoostManagerExtPort() override;

    void notifySafetyCircuitChanged() override;
    void notifyAppStateChanged(States::AppState oldState, States::AppState newState) override;
    void notifyOperatingModeChanged(OperatingModes::OperatingMode mode) override;
    void performUpdateTBDate(eExtPortDates type, QDateTime const& datetime) override;

    void enableOWRDY(bool value);
    void enableHVENA(bool value);
    void enableCheckTBState(bool on);
    void setTestBoostReadyState(eTBReadyState state);
    bool isTestRunning() const;

    bool isPolling() const { return m_pollTimer.isActive(); }
    int pollInterval() const { return m_pollTimer.interval(); }

public slots:
    void detectedExtPortDevice(stExtPortDevice device, bool found);
    void checkTestBoostState();

private:
    void resetTestboost(int row);
    void afterFailedRead(stTBState partial);

    ExtPortManager* m_port;
    QTimer m_pollTimer;
    stExtPortDevice m_device;
    bool m_deviceKnown = false;
    qint16 m_comErrors = 0;
    qint16 m_powerErrors = 0;
    qint16 m_stateErrors = 0;
    stTBState m_lastState;
    qint16 m_changeCounter = 3;
    bool m_testRunning = false;
};
