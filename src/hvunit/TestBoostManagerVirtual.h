#pragma once

#include "hvunit/TestBoostManager.h"

// An emulated test boost without hardware: publishes a present, powered accessory
// with fixed data once and otherwise does nothing.
class TestBoostManagerVirtual : public TestBoostManager {
    Q_OBJECT
public:
    explicit TestBoostManagerVirtual(std::unique_ptr<TestBoostModel> model, QObject* parent = nullptr);
    ~TestBoostManagerVirtual() override;

    void notifySafetyCircuitChanged() override {}
    void notifyAppStateChanged(States::AppState, States::AppState) override {}
    void notifyOperatingModeChanged(OperatingModes::OperatingMode) override {}
    void performUpdateTBDate(eExtPortDates, QDateTime const&) override {}
};
