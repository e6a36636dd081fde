#pragma once

#include "app/Application.h"
#include "commissioning/InputTakeover.h"
#include "datamodel/DataModell.h"
#include "fakes/ProgramWindow.h"
#include "fakes/SimulatedSurroundings.h"
#include "gui/InputGuard.h"

#include <QMap>
#include <QPointer>
#include <QQuickItem>
#include <QString>

// What the random operator's parts share: the program with its window, the simulated unit,
// the GPIO tree and the stick; the clock of the run.
struct Walk {
    Application* app = nullptr;
    SimulatedSurroundings* around = nullptr;
    ProgramWindow* ui = nullptr;
    qint64 start = 0;

    static qint64 now() { return InputGuard::now(); }
    qint64 since() const { return now() - start; }
    DataModell* dm() const { return app->dataModel(); }
    HvUnitModel& unit() const { return around->sim.model(); }
    States::AppState state() const { return dm()->getAppState(); }
    bool testLive() const { return state() == States::TestRunning || state() == States::TestBurning; }
    QString shown() const { return ui->shownType(); }
    // The page of the stack at this index from the bottom.
    QQuickItem* stackPage(int index) const
    {
        QQuickItem* page = nullptr;
        QMetaObject::invokeMethod(ui->stack(), "get", Q_RETURN_ARG(QQuickItem*, page), Q_ARG(int, index));
        return page;
    }
    QQuickItem* pageBelow() const { return ui->depth() > 1 ? stackPage(ui->depth() - 2) : nullptr; }
    QString below() const { return ProgramWindow::typeName(pageBelow()); }
    // What the HV-enable line's value file says now.
    bool lineHigh() const { return around->hvEnable(); }
    bool procedureRuns() const { return !Commissioning::inputsFreeFor(app->safetyCircuit(), nullptr); }
    // The page of a procedure (output calibration, cascades) shown, else null.
    QQuickItem* procedurePage() const
    {
        QQuickItem* page = ui->page();
        return page && page->property("showsProcedureErrors").isValid() ? page : nullptr;
    }
};

// What the operator did, typed and confirmed, as the operator would remember it: the
// inputs write it, the draw and the rules read it.
struct Notes {
    // The surroundings as the operator left them; the tenth input is the HV-on key.
    bool open[10] = {};
    qint64 openedAt[10] = {}, closedAt[10] = {};
    bool stickIn = false;
    // Since when the unit gives no good answer (silent or garbled), -1 while it answers;
    // and when it last began to answer again.
    qint64 unitMuteSince = -1, unitBackAt = 0;
    int mutes = 0;
    // Until when the unit refuses or drops writes.
    qint64 writesRefusedUntil = 0;
    // Breakdowns the unit was made to report during a test; its read-back noise.
    int breakdowns = 0;
    double noiseKv = 0;

    // Every typed text's token and where it went: "comment", "comment without record",
    // "cable", "elsewhere".
    QMap<int, QString> tokens;
    QMap<QString, qint64> rightTypedAt; // the locks' passwords

    // The last input of any kind, of the knob, a tap on a procedure's entry, a procedure's
    // Cancel or a page left while a procedure ran.
    qint64 lastInputAt = 0, knobTurnedAt = 0, entryTappedAt = 0, abortAt = -1;
    // A tap or press on a results page's RESTART.
    qint64 restartAt = -1;

    // What the operator confirmed for the next test: its voltage (peak kV of the levels
    // read on the pages) and cable number; a test's comment (for == "" the test just run,
    // else the stored record's path) and a stored record's new cable number.
    double confirmedKv = 0;
    QString cable;
    bool cableConfirmed = false;
    struct Edit {
        QString text, record;
        qint64 at = -1;
    };
    Edit comment, recordCable;
    // A stop given: a press or tap on HV OFF, STOP or a procedure's Cancel, with the unit's
    // output or the line up at that moment.
    struct Stop {
        qint64 at;
        QString control;
    };
    QList<Stop> stops;

    // The phase the operator confirmed as connected, as the confirmation page named it.
    struct Connected {
        QPointer<QQuickItem> page;
        QString phase;
    } connected;

    // The target of a manual ramp as the operator's clicks chose it (tenths of a kV).
    QPointer<QQuickItem> rampPage;
    QList<int> rampChosen;
    int rampTenths = 0;

    // A procedure: the readings entered (kV, by stage) when Confirm was pressed, the last
    // stage confirmed; values typed on the calibration page (property, value, when).
    QMap<int, double> readingAt;
    int confirmedStage = -1;
    qint64 handWriteAt = 0;
    struct Typed {
        QString property;
        double value;
        qint64 at;
    };
    QList<Typed> calibrationTyped;
};
