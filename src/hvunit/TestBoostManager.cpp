#include "hvunit/TestBoostManager.h"

#include "hvunit/DataModelTestBoostModel.h"

TestBoostManager::TestBoostManager(QObject* parent, std::unique_ptr<TestBoostModel> model)
    : QObject(parent)
    , m_model(model ? std::move(model) : std::make_unique<DataModelTestBoostModel>())
{
}

TestBoostManager::~TestBoostManager() = default;

void TestBoostManager::safetyCircuitChanged() { notifySafetyCircuitChanged(); }

void TestBoostManager::appStateChanged(States::AppState oldState, States::AppState newState)
{
    notifyAppStateChanged(oldState, newState);
}

void TestBoostManager::operatingModeChanged(OperatingModes::OperatingMode mode) { notifyOperatingModeChanged(mode); }

void TestBoostManager::updateTBDate(eExtPortDates type, QDateTime datetime) { performUpdateTBDate(type, datetime); }
