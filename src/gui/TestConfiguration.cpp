#include "gui/TestConfiguration.h"

TestConfiguration::TestConfiguration(QObject* parent) : QObject(parent) {}

void TestConfiguration::onOperationModeChange(OperatingModes::OperatingMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    updateParameters();
}

void TestConfiguration::updateParameters()
{
    ++m_updates;
    emit parametersUpdated();
}

void TestConfiguration::reset()
{
    // The parameter items come with the configuration page; they are rebuilt from here.
    emit resetDone();
}
