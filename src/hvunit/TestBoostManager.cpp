#include "hvunit/TestBoostManager.h"

TestBoostManager::TestBoostManager(std::unique_ptr<TestBoostModel> model, QObject* parent)
    : QObject(parent), m_model(std::move(model))
{
    Q_ASSERT(m_model);
}

TestBoostManager::~TestBoostManager() = default;

void TestBoostManager::safetyCircuitChanged() { notifySafetyCircuitChanged(); }

void TestBoostManager::appStateChanged(States::AppState oldState, States::AppState newState)
{
    notifyAppStateChanged(oldState, newState);
}

void TestBoostManager::operatingModeChanged(OperatingModes::OperatingMode mode) { notifyOperatingModeChanged(mode); }

void TestBoostManager::updateTBDate(eExtPortDates type, QDateTime datetime) { performUpdateTBDate(type, datetime); }
