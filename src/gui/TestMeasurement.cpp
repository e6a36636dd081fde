#include "gui/TestMeasurement.h"

TestMeasurement::TestMeasurement(QObject* parent) : QObject(parent) {}

void TestMeasurement::onOperationModeChange(OperatingModes::OperatingMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    reset();
    emit modeChanged();
}

void TestMeasurement::reset() { emit resetDone(); }
