#include "datamodel/PhaseSequence.h"

#include "core/Locked.h"

#include <QMutexLocker>

void PhaseSequence::reset()
{
    QMutexLocker lock(&m_mutex);
    m_measuring = false;
    m_done = 0;
    m_current = -1;
    m_lastUsed = -1;
    m_ended = false;
}

int PhaseSequence::startNext(int selectedPhases)
{
    QMutexLocker lock(&m_mutex);
    m_current = nextLocked(selectedPhases);
    if (m_current >= 0) {
        m_lastUsed = m_current;
        m_done |= 1 << m_current;
        m_measuring = true;
    }
    return m_current;
}

int PhaseSequence::nextLocked(int selectedPhases) const
{
    for (int p = 0; p < 3; ++p)
        if ((selectedPhases & (1 << p)) && !(m_done & (1 << p)))
            return p;
    return -1;
}

void PhaseSequence::testStarts() { Locked::write(m_mutex, m_measuring, false); }

int PhaseSequence::phaseToMeasure(int selectedPhases) const
{
    QMutexLocker lock(&m_mutex);
    return m_measuring ? m_current : nextLocked(selectedPhases);
}

int PhaseSequence::currentPhase() const { return Locked::read(m_mutex, m_current); }

int PhaseSequence::lastUsedPhase() const { return Locked::read(m_mutex, m_lastUsed); }

void PhaseSequence::setLastUsedPhase(int phase)
{
    if (phase < -1 || phase > 2)
        return;
    QMutexLocker lock(&m_mutex);
    m_lastUsed = phase;
}

int PhaseSequence::phasesUsedWord(int selectedPhases) const
{
    QMutexLocker lock(&m_mutex);
    int word = m_done & 0x7;
    if (m_done != 0 && !m_ended && (selectedPhases & 0x7 & ~m_done) != 0)
        word |= WaitingBit;
    return word;
}

bool PhaseSequence::isWaiting(int selectedPhases) const
{
    return (phasesUsedWord(selectedPhases) & WaitingBit) != 0;
}

bool PhaseSequence::isFinished(int selectedPhases) const
{
    QMutexLocker lock(&m_mutex);
    return (selectedPhases & 0x7) != 0 && (m_ended || (selectedPhases & 0x7 & ~m_done) == 0);
}

void PhaseSequence::endCurrent(bool withResult)
{
    if (!withResult)
        Locked::write(m_mutex, m_ended, true);
}

void PhaseSequence::end() { Locked::write(m_mutex, m_ended, true); }

int PhaseSequence::phasesMeasured() const { return Locked::read(m_mutex, m_done) & 0x7; }
