#pragma once

#include "RandomOperatorWalk.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>

// The rules that must hold whatever the operator does, each one function, checked after
// every input and every 100 ms of a wait. They read what an operator, the unit and the
// owner see: the HV-enable line's file, the simulated unit (its output, the writes it
// took, its parameters), the record store and the window; the program's state only says
// which rule applies.
class WorldRules : public QObject {
    Q_OBJECT
public:
    WorldRules(const Walk& walk, const Notes& notes);
    // Once the window is attached: what the rules follow as it happens.
    void start();
    // Every rule once: "rule: what it saw" for the first that breaks, else empty.
    QString check();
    // The longest the GUI thread did not answer during a wait.
    void noteStall(qint64 ms) { m_stall = qMax(m_stall, ms); }

    // What was checked.
    qint64 checked = 0, recordsChecked = 0, readingsCompared = 0, calibrationsChecked = 0;
    QSet<QString> modes, procedures;

private:
    QString programAnswers();
    QString hvEnableLine();
    QString stops();
    QString unitOutput();
    QString setPoints();
    QString guardHolds() { return m_ghost; }
    QString unitCalibration();
    QString calibration();
    QString records();
    QString sequenceRecord();
    QString editedRecords();
    QString tokens();
    QString screen();
    QString pages();
    QString phases();
    QString countdown();
    QString commissioning();
    QString locks();

    // The inputs whose opening drops the line in this state: all but the HV-on key, and
    // but the one a start's wait state waits for and those after it.
    static int awaitedInput(States::AppState state);
    QString openInputs() const;
    qint64 shortestSeenOpening(qint64 from, qint64 to) const;
    QString unitValues() const;
    bool unitMuteWithin(qint64 from, qint64 to) const;
    QSet<QString> recordFiles() const;
    void onStateChanged(States::AppState from, States::AppState to);
    bool eventFilter(QObject* watched, QEvent* event) override;

    const Walk& m_walk;
    const Notes& m_notes;
    QList<HvUnitModel::Command> m_commands; // taken from the unit at this check

    // The program answers.
    QStringList m_missed;
    qint64 m_stall = 0;

    // The line: what its file held at the last check; the openings waiting for it to drop;
    // when it was seen high where it may not be.
    QByteArray m_line;
    struct Opening {
        int input;
        qint64 at;
        int from; // what the file held before
    };
    QList<Opening> m_openings;
    // A timer beside the safety circuit's poll, on the same thread: its ticks of the last
    // seconds show how far such a poll slips under load.
    QTimer m_pollProbe;
    QList<qint64> m_probeTicks;
    qint64 m_seenOpenings[10] = {};
    qint64 m_notAllowedSince = -1, m_highSince = -1;
    int m_stopsSeen = 0;
    QList<Notes::Stop> m_pendingStops;
    qint64 m_outputSince = -1;

    // The set points.
    double m_unitMaxKv = 0, m_testLimitKv = 0;
    bool m_rampWasLive = false;
    int m_breakdownsBefore = 0;

    // The guard time.
    qint64 m_frontAt = 0, m_pressAt = 0, m_pressAge = 0;
    QString m_frontName, m_ghost;

    // The unit's calibration and the procedures.
    QString m_reference;
    bool m_procedure = false, m_keepsNew = false;
    qint64 m_procedureEndedAt = 0;
    bool settling(qint64 now) const;
    struct Calibrated {
        double gain = 0;
        qint64 at = -1;
    } m_calibrated;
    QPointer<QQuickItem> m_calibratedPage;
    int m_typedSeen = 0;
    struct Expected {
        Notes::Typed typed;
        bool settled = false;
    };
    QList<Expected> m_typed;
    int m_offeredStage = -100;

    // A test sequence (all its phases) from its start to its results.
    struct Sequence {
        qint64 endedAt = -1;
        // The store before it and after it; the records seen meanwhile (one may be deleted
        // before its check).
        QSet<QString> before, after, seen;
        bool hvOn = false, nothingStored = false, resultsShown = false, checked = false, cableConfirmed = false;
        QString cable, record, resultsVoltage, resultsHint;
        double kv = 0;
        bool manual = false;
        int mode = -1;
        // Waiting for a phase to come: when the one before ended; the main menu shown since;
        // the phase its last start asked to be connected.
        qint64 phaseEndedAt = -1;
        bool mainMenuSince = false;
        int phase = -1;
        int serial = 0;
    } m_sequence;
    QString storedRecord(Sequence& s, const QSet<QString>& after);
    bool m_sequenceOpen = false;
    QList<Sequence> m_ended; // superseded before they were checked
    // The record each checked sequence added, by serial.
    QHash<int, QString> m_sequenceRecords;
    // Comments and cable numbers confirmed for a record, not yet looked for in it; one for
    // the results of a test just ended keeps that test's sequence, as the next may begin.
    struct Edit {
        Notes::Edit edit;
        bool comment;
        int sequence;
    };
    QList<Edit> m_edits;
    qint64 m_editsSeen[2] = { -1, -1 };
    struct Record {
        QPair<qint64, qint64> version { -1, -1 };
        QString comment;
    };
    QHash<QString, Record> m_records;

    // The screen: the unit's set point, held since.
    int64_t m_screenSetPoint = 0;
    double m_screenNoise = 0;
    qint64 m_screenSteadySince = 0;

    // The pages.
    qint64 m_startSeen = -1;
    bool m_startAllowed = false;
    // The confirmation page whose start reached a test state: done with, whatever follows.
    QPointer<QQuickItem> m_startReachedBy;
    States::AppState m_pageState = States::None;
    qint64 m_pageStateAt = 0, m_wrongPageSince = -1, m_resultsNotShownSince = -1, m_resultsSeenFor = -1;

    // The phases: the phase the page that started the last test asked to be connected and
    // whether the operator confirmed it there; the unit's output at the last check.
    QString m_startPhase;
    bool m_phaseConfirmed = false, m_phaseOutputOn = false;
    // The burning countdown.
    qint64 m_burningSince = -1;

    // The locks.
    QMap<QString, bool> m_locked;
    QMap<QString, qint64> m_lockedAt;
};
