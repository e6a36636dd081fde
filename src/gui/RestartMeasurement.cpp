#include "gui/RestartMeasurement.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "gui/TestControl.h"

RestartMeasurement::RestartMeasurement(TestControl* control) : QObject(control), m_control(control)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm) {
        deleteLater();
        return;
    }
    connect(dm, &DataModell::appStateChanged, this, &RestartMeasurement::onAppStateChanged);
    onAppStateChanged(States::None, dm->getAppState());
}

void RestartMeasurement::onAppStateChanged(States::AppState, States::AppState newState)
{
    if (m_started)
        return;
    if (newState == States::TestFinished || newState == States::TestDataTransferred) {
        m_control->confirmTestResults();
    } else if (newState == States::Idle) {
        m_started = true;
        m_control->startTest();
        deleteLater();
    }
}
