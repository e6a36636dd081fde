#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>

class DialogQueue;
class RestartMeasurement;
class TestMeasurement;

// What the pages do to a test (start, abort, confirm, acknowledge, restart), sent as the
// "StartMode" action or as events, and the HV unit's faults that the operator acknowledges
// while the high voltage is off.
class TestControl : public QObject {
    Q_OBJECT
public:
    TestControl(TestMeasurement& measure, DialogQueue& dialogs, QObject* parent = nullptr);

    // Pressed while the machine still leaves a test for Idle, the start is sent at Idle.
    void startTest();
    // With confirm, the aborted test's results are confirmed as soon as they arrive.
    void abortTest(bool confirm);
    void confirmTestResults();
    void userAcknowledged();
    // With waitForConfirmations the restarted test starts only once the page asks for it.
    void restartTest(bool waitForConfirmations = false);
    bool abortConfirmationArmed() const { return !m_abortConfirmation.isNull(); }
    bool restartPending() const { return !m_restart.isNull(); }
    void onOutputOffsetToBig();
    void onHvOvertemperatureDetected();

signals:
    void sendAppEvent(eAppEvent event);
    void PerformExternalAction(QString action);

private:
    // Accepting the fault lets the HV unit start again.
    void showStateErrorWhileHvOff(const QString& text, const QString& iconPath);

    TestMeasurement& m_measure;
    DialogQueue& m_dialogs;
    QPointer<QObject> m_abortConfirmation;
    QPointer<RestartMeasurement> m_restart;
    QSet<QUuid> m_hvOffFaults;
};
