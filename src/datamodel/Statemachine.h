#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QObject>
#include <QQueue>
#include <QVector>

#include <atomic>
#include <functional>

class TimeoutCounter;

// The application state machine: a table of (state, event, next state) rows and a
// time-out per state. Events without a row in the current state are ignored.
class Statemachine : public QObject {
    Q_OBJECT
public:
    struct Transition {
        States::AppState from;
        eAppEvent event;
        States::AppState to;
    };

    struct StateTimeout {
        States::AppState state;
        uint ms;
        eTestResult result; // the test result a time-out leaves, Unknown for none
    };

    // tickMs: step of the countdown; tests pass a short one.
    explicit Statemachine(QObject* parent = nullptr, int tickMs = 1000);
    ~Statemachine() override;

    static const QVector<Transition>& transitions();
    static const QVector<StateTimeout>& defaultTimeouts();
    // Next state for (state, event); false when the pair has no row.
    static bool lookup(States::AppState state, eAppEvent event, States::AppState& next);
    // States in which a test is under way (HV enable, long poll budget, ...).
    static bool isTestState(States::AppState state);

    // Safe from any thread.
    States::AppState currentState() const { return static_cast<States::AppState>(m_state.load()); }

    uint timeoutFor(States::AppState state) const;
    eTestResult timeoutResult(States::AppState state) const;
    // Replaces the time-out of one state (0: none).
    void setStateTimeout(States::AppState state, uint ms);
    TimeoutCounter* timeoutCounter() const { return m_counter; }
    // Tells whether the HV unit is in error now (link down or a fault standing); asked
    // when a finished test is left, on the machine's thread.
    void setHVUnitErrorCheck(std::function<bool()> check);
    // Tells whether the unit burns a breakdown (it was sent burn mode on); without it a
    // breakdown ends the test at once. Without a check every breakdown burns.
    void setBurnCheck(std::function<bool()> check);

public slots:
    // Must run on the machine's thread. Events arriving while a transition is being
    // broadcast are handled after it, in order.
    void receiveAppEvent(eAppEvent event);

signals:
    void appStateChanged(States::AppState oldState, States::AppState newState);
    void updateTimeoutTime(uint ms);
    // The time-out of a state ran out; sent before its time-out row is applied.
    void stateTimedOut(States::AppState state);

private:
    void process(eAppEvent event);
    void onTimeout();
    static bool keepsHVUnitError(States::AppState state);
    bool hvUnitErrorPending() const;
    // The state a row leads to, changed by an abort or HV-unit error kept earlier.
    States::AppState redirect(States::AppState old, States::AppState next);

    std::atomic<int> m_state{States::None};
    TimeoutCounter* m_counter = nullptr;
    QVector<StateTimeout> m_timeouts;
    QQueue<eAppEvent> m_pending;
    bool m_busy = false;
    std::function<bool()> m_hvUnitErrorCheck;
    std::function<bool()> m_burnCheck;
    bool m_hvUnitErrorKept = false;
    eAppEvent m_keptAbort = eAppEvent::None;
};
