#pragma once

#include "app/Application.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/SafetyLines.h"
#include "fakes/TempRoot.h"
#include "hvsim/HvEnableFile.h"
#include "hvsim/HvUnitSimulator.h"
#include "hvunit/SCPins.h"

#include <QProcess>
#include <QTest>

#include <cstdio>
#include <type_traits>

// What the whole program runs against in a test: a temporary root, the ten safety inputs
// (all closed) and the HV-enable line on a fake GPIO tree, and the simulated HV unit on a
// pseudo-terminal that the program finds through SERIAL_COMDEVICE. Needs vlf_hvsim.
// Given the run script's preparation (scripts/prepare-root.sh), that script lays the tree
// and the fake adds no line of its own.
struct SimulatedSurroundings {
    explicit SimulatedSurroundings(const QString& script = QString())
        : prepareScript(script),
          prepared(script.isEmpty()
                   || QProcess::execute(QStringLiteral("bash"), { script, root.root() }) == 0),
          gpio(script.isEmpty() ? FakeGpioTree(safetyInputLines(), { HVEnableLine }) : FakeGpioTree({}))
    {
    }

    TempRoot root;
    const QString prepareScript;
    const bool prepared;
    FakeGpioTree gpio;
    HvUnitSimulator sim;

    bool hvEnable() const { return gpio.lastWritten(HVEnableLine) == '1'; }

    // Starts the unit; with unitSeesHvEnable it switches its output on only while the
    // program holds the line. False without a pseudo-terminal.
    bool start(bool unitSeesHvEnable)
    {
        if (unitSeesHvEnable)
            sim.model().setHvEnableProbe(hvEnableFromFile(gpio.valuePath(HVEnableLine)));
        if (!sim.start()) {
            std::fprintf(stderr, "no pseudo-terminal\n");
            return false;
        }
        qputenv("SERIAL_COMDEVICE", sim.slavePath().toLocal8Bit());
        return true;
    }
};

// Runs the test object T(app, gpio, unit), or T(app, surroundings), in the whole program,
// offscreen with the instrument's on-screen keyboard, against the simulated unit that
// sees the HV-enable line. Needs vlf_app.
template <typename T>
int runInProgram(int argc, char** argv, const QString& prepareScript = QString())
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
    qunsetenv("CONSOLE_LOGGING");
    SimulatedSurroundings around(prepareScript);
    if (!around.prepared || !around.start(true))
        return 1;
    int rc = 0;
    {
        Application app(argc, argv);
        if constexpr (std::is_constructible_v<T, Application*, SimulatedSurroundings*>) {
            T tests(&app, &around);
            rc = QTest::qExec(&tests, argc, argv);
        } else {
            T tests(&app, &around.gpio, &around.sim.model());
            rc = QTest::qExec(&tests, argc, argv);
        }
    }
    around.sim.stop();
    return rc;
}
