#pragma once

#include <QMutex>

// The phases of a multi-phase tan delta test: which are done, which one is measured.
class PhaseSequence {
public:
    static constexpr int WaitingBit = 0x40; // a phase is done and further selected ones remain

    // Forgets the phases done.
    void reset();
    // Starts the lowest selected phase not yet done; -1 when none is left.
    int startNext(int selectedPhases);
    // A test of the sequence starts: the phase started before belongs to an earlier one.
    void testStarts();
    // The phase being measured, or before its start the one a start measures next.
    int phaseToMeasure(int selectedPhases) const;
    int currentPhase() const;
    int lastUsedPhase() const;
    void setLastUsedPhase(int phase); // -1 or 0..2; others are refused
    // Bits 0..2 the phases done, WaitingBit while selected phases remain.
    int phasesUsedWord(int selectedPhases) const;
    bool isWaiting(int selectedPhases) const;
    bool isFinished(int selectedPhases) const;
    // The phase started last has ended. Without its result the sequence ends with it:
    // the phases left are not measured.
    void endCurrent(bool withResult);
    // No phase follows the one started last; the phases done stay.
    void end();
    // The phases measured, started ones included (bits 0..2).
    int phasesMeasured() const;

private:
    int nextLocked(int selectedPhases) const;

    mutable QMutex m_mutex;
    bool m_measuring = false; // the present test started a phase
    int m_done = 0;
    int m_current = -1;
    int m_lastUsed = -1;
    bool m_ended = false; // a phase ended without its result
};
