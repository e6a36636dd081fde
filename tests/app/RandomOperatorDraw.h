#pragma once

#include "RandomOperatorInputs.h"

#include <QRegularExpression>
#include <QSet>

#include <random>

// What the random operator is after, and the next input drawn for it from a seed: weights
// that follow what is shown, so that a run reaches tests in every enabled mode (multi-phase
// ones through their last phase, restarted, commented), the manual ramp, the history, the
// settings, the locks and the procedures (left, or walked to their end).
class OperatorDraw {
public:
    OperatorDraw(const Walk& walk, Notes& notes, OperatorHands& hands, quint32 seed);

    // For a while the operator is after one aim: on each page of the way the controls (by
    // object name and text) that lead there, and the pages to stay on; elsewhere the operator
    // goes back. An aim is followed until it is reached and a few seconds more, or for its
    // time. An aim is one row of aims() and one function, reached, that tells it is reached.
    struct Step {
        const char* page;
        QRegularExpression control;
        int appeal;
    };
    struct Aim {
        const char* name;
        int ms;
        QList<Step> route;
        QStringList stay;
        bool (OperatorDraw::*reached)() const;
        // The way to a test of the plan: its mode, phases, cable number, comment, restart.
        bool planned = false;
    };
    static const QList<Aim>& aims();

    // The inputs that start the next aim when it is due (the aim, the unit's settings for
    // it), else none.
    QList<OperatorInput> nextAim();
    OperatorInput next();
    // How long the operator waits after an input.
    int pause();
    // Looked at after each input and check: which aims are reached.
    void look();

    QSet<QString> reached;
    // The aims to reach before any other.
    QStringList firstAims;
    // The enabled test modes by name, with their menu group.
    QList<QPair<int, int>> testModes;

private:
    // What the current aim's test is to be.
    struct Plan {
        int group = 0, mode = 0, phases = 1;
        // The procedure to walk to its end (its entry's mode), 0 for any.
        int procedure = 0;
        bool burn = false, cable = false, comment = false, restart = false, finish = false;
        // HV OFF tapped the moment the live page comes up.
        bool stopAtOnce = false;
    };

    int draw(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(m_rng)); }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    template <typename T>
    int weighted(const QList<QPair<T, int>>& options);
    OperatorInput input(const char* kind) const;
    // An input on a control: its name, type, text and where it is.
    OperatorInput inputOn(const char* kind, const QQuickItem* control) const;

    // The kinds of input.
    OperatorInput tapControl();
    OperatorInput tapAnywhere();
    OperatorInput turnEncoder();
    OperatorInput pressKnob();
    OperatorInput pressTwice();
    OperatorInput typeText();
    OperatorInput stay();
    OperatorInput pressHvOnKey();
    OperatorInput switchSafetyInput();
    OperatorInput openWhileOn();
    OperatorInput moveStick();
    OperatorInput injectFault();
    OperatorInput faultUnderHv();
    OperatorInput powerCycle();
    QQuickItem* readingPage() const;
    OperatorInput meterEntry();
    bool meterEntered() const;

    int appeal(const QQuickItem* control, bool onRoute) const;
    int planned(const QQuickItem* control, const QString& shown) const;
    int wantedChoice(const QQuickItem* control) const;
    bool rampBurning() const;
    bool waitsForKey() const;
    // After the HV-on key, a plan to stop at once watches for the live page.
    bool watchingForLive() const;

    // Whether an aim is reached.
    bool testRuns() const;
    bool laterPhaseRuns() const;
    bool restarted() const;
    bool commented() const;
    bool rampChosen() const;
    bool historyShown() const;
    bool settingsShown() const;
    bool locked() const;
    bool procedureRuns() const;
    bool procedureSucceeded() const;
    bool recordsExported() const;
    bool recordsDeleted() const;
    bool criteriaRemoved() const;
    bool told(const QStringList& starts) const;
    int standardMarked(const QQuickItem* control) const;

    const Walk& m_walk;
    Notes& m_notes;
    OperatorHands& m_hands;
    std::mt19937 m_rng;
    int m_aim = 0, m_nextMode = 0, m_nextPhaseMode = 0, m_nextProcedure = 0;
    // What the reference meter showed at a step of an output calibration (tenths of a kV).
    struct Meter {
        QPointer<QQuickItem> page;
        int stage = -1, tenths = 0;
    } m_meter;
    qint64 m_aimStart = 0, m_aimEnd = 0, m_aimReached = -1;
    Plan m_plan;
    // The page in front, and since when.
    const QQuickItem* m_front = nullptr;
    qint64 m_frontAt = 0;
    // When the HV-on key was last drawn.
    qint64 m_hvKeyAt = -100000;
    QPointer<QQuickItem> m_typedInto;
    int m_records = -1;
    bool m_deleted = false;
};
