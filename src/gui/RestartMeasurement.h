#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QObject>

class TestControl;

// Runs the last test again: confirms the finished one, waits for Idle and starts anew with
// the settings still in place, then deletes itself. A test whose confirmations are asked
// again starts only once the page asks for the start.
class RestartMeasurement : public QObject {
    Q_OBJECT
public:
    RestartMeasurement(TestControl* control, bool waitForConfirmations);

    // Before Idle a start asked for is sent at Idle, and an abort takes it back. False once
    // Idle was reached: the caller acts itself.
    bool setStartAsked(bool asked);

public slots:
    void onAppStateChanged(States::AppState oldState, States::AppState newState);

private:
    TestControl* m_control;
    bool m_startAsked;
    bool m_done = false;
};
