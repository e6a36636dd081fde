#pragma once

#include "app/Application.h"
#include "app/WatchdogManager.h"
#include "fakes/ProgramWindow.h"
#include "fakes/SimulatedSurroundings.h"

// The whole program for a hand-run benchmark, over surroundings laid before it: its window
// attached, the watchdog's missed heartbeats counted. Needs vlf_app, vlf_hvsim, vlf_gui.
class ProgramBench {
public:
    ProgramBench(const char* name, SimulatedSurroundings& around, int& argc, char** argv)
        : app(argc, argv), ui(name, &around.gpio, &around.sim.model())
    {
    }
    // False when the window did not come up.
    bool attach()
    {
        if (!ui.attach(&app))
            return false;
        QObject::connect(WatchdogManager::getInstance(), &WatchdogManager::heartbeatMissed,
                         [this](const QStringList&) { ++missed; });
        return true;
    }

    Application app;
    ProgramWindow ui;
    int missed = 0;
};
