#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QObject>

class TestControl;

// Runs the last test again: confirms the finished one, waits for Idle, starts anew with
// the settings still in place, and then deletes itself.
class RestartMeasurement : public QObject {
    Q_OBJECT
public:
    explicit RestartMeasurement(TestControl* control);

public slots:
    void onAppStateChanged(States::AppState oldState, States::AppState newState);

private:
    TestControl* m_control;
    bool m_started = false;
};
