#include "gui/RestartMeasurement.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "gui/TestControl.h"

RestartMeasurement::RestartMeasurement(TestControl* control, bool waitForConfirmations)
    : QObject(control), m_control(control), m_startAsked(!waitForConfirmations)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm) {
        deleteLater();
        return;
    }
    connect(dm, &DataModell::appStateChanged, this, &RestartMeasurement::onAppStateChanged);
    onAppStateChanged(States::None, dm->getAppState());
}

bool RestartMeasurement::setStartAsked(bool asked)
{
    if (m_done)
        return false;
    m_startAsked = asked;
    return true;
}

void RestartMeasurement::onAppStateChanged(States::AppState, States::AppState newState)
{
    if (m_done)
        return;
    if (newState == States::TestFinished || newState == States::TestDataTransferred) {
        m_control->confirmTestResults();
    } else if (newState == States::Idle) {
        m_done = true;
        if (m_startAsked)
            m_control->startTest();
        deleteLater();
    }
}
