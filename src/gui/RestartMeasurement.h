#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QObject>

class GuiViewModel;

// Runs the last test again: confirms the finished one, waits for Idle, starts anew with
// the settings still in place, and then deletes itself.
class RestartMeasurement : public QObject {
    Q_OBJECT
public:
    explicit RestartMeasurement(GuiViewModel* viewModel);

public slots:
    void onAppStateChanged(States::AppState oldState, States::AppState newState);

private:
    GuiViewModel* m_viewModel;
    bool m_started = false;
};
