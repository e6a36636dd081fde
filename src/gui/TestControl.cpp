#include "gui/TestControl.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "datamodel/Statemachine.h"
#include "gui/DialogQueue.h"
#include "gui/RestartMeasurement.h"
#include "gui/TestMeasurement.h"

#include <QCoreApplication>

TestControl::TestControl(TestMeasurement& measure, DialogQueue& dialogs, QObject* parent)
    : QObject(parent), m_measure(measure), m_dialogs(dialogs)
{
}

namespace {
// The machine takes no start here, but reaches Idle by itself: a test that ended as it began
// (the unit's error, an abort kept until the initialisation is done) is left, or the unit is
// started again after its error.
// So does a test whose output is off, on its way to its end (its results copied to the stick
// too). A tan delta phase ended there goes on to the next one, not to Idle.
bool leavesForIdle(const DataModell& dm)
{
    const States::AppState state = dm.getAppState();
    const bool ending = state == States::TestFinalizing || state == States::TransferringToHistory
        || state == States::TestFinished || state == States::TransferringTestData
        || state == States::TestDataTransferred;
    return state == States::InitTest || (ending && !dm.isTanDeltaWaiting()) || state == States::Starting;
}
} // namespace

void TestControl::startTest()
{
    const DataModell* dm = GlobalFuncs::getDM();
    // While a restart still leaves the last test, the start is sent when it is left.
    if (!m_restart.isNull()) {
        if (m_restart->setStartAsked(true))
            return;
    } else if (dm && leavesForIdle(*dm)) {
        // So is a start pressed while the machine is on its way to Idle: dropped, the page
        // would say "started" over a machine that never saw it.
        m_restart = new RestartMeasurement(this, false);
        return;
    }
    m_measure.reset();
    emit PerformExternalAction(QStringLiteral("StartMode"));
}

void TestControl::abortTest(bool confirm)
{
    if (!m_restart.isNull())
        m_restart->setStartAsked(false);
    DataModell* dm = GlobalFuncs::getDM();
    // Confirm the aborted test's results on their arrival, but only when there is a test
    // to abort (else the next test would be confirmed without the operator), and once.
    if (confirm && dm && m_abortConfirmation.isNull()) {
        const States::AppState current = dm->getAppState();
        States::AppState next = current;
        if (DataModell::isTestRunningState(current)
            || Statemachine::lookup(current, eAppEvent::TestCanceledUser, next)) {
            auto* context = new QObject(this);
            m_abortConfirmation = context;
            connect(dm, &DataModell::appStateChanged, context,
                    [this, context](States::AppState, States::AppState newState) {
                        if (newState == States::TestDataTransferred) {
                            delete context;
                            confirmTestResults();
                        } else if (newState == States::Idle) {
                            delete context;
                        }
                    });
        }
    }
    emit sendAppEvent(eAppEvent::TestCanceledUser);
}

void TestControl::confirmTestResults() { emit sendAppEvent(eAppEvent::TestResultConfirmed); }

void TestControl::userAcknowledged() { emit sendAppEvent(eAppEvent::UserAck); }

void TestControl::restartTest(bool waitForConfirmations)
{
    // Repeated presses must not start the test more than once.
    if (!m_restart.isNull())
        return;
    m_restart = new RestartMeasurement(this, waitForConfirmations);
}

void TestControl::onOutputOffsetToBig()
{
    showStateErrorWhileHvOff(QCoreApplication::translate("ErrorMessages", "OutputOffsetTooBig"), QString());
}

void TestControl::onHvOvertemperatureDetected()
{
    showStateErrorWhileHvOff(QCoreApplication::translate("HVSource", "OverTemperature"),
                             QStringLiteral("qrc:/icons/temperature.svg"));
}

void TestControl::showStateErrorWhileHvOff(const QString& text, const QString& iconPath)
{
    const QString accept = DialogQueue::okText();
    const QUuid id = iconPath.isEmpty() ? m_dialogs.show(CAT_WARN, text, accept, QString())
                                        : m_dialogs.showQuestion(text, accept, QString(), iconPath);
    // The same fault again joins its open question; one answer starts the unit once.
    if (m_hvOffFaults.contains(id))
        return;
    m_hvOffFaults.insert(id);
    m_dialogs.whenAnswered(id, this, [this, id](bool accepted) {
        m_hvOffFaults.remove(id);
        if (accepted)
            emit sendAppEvent(eAppEvent::HVUnitInitialized);
    });
}
