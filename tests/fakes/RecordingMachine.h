#pragma once

#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <QObject>
#include <QThread>

#include <bitset>
#include <functional>
#include <mutex>
#include <vector>

// A machine for the adapter tests: notes each state and safety reading handed to it and
// the thread it ran on; an optional reaction runs on each HV state.
class RecordingMachine : public QObject, public StatesAndTransitions::Machine<Commissioning::MachineEvent<>> {
public:
    void takeHVState(stHVUnitState const& state)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_states.push_back(state);
            m_threads.push_back(QThread::currentThread());
        }
        if (reaction)
            reaction(state);
    }
    void takeSafety(std::bitset<10> const& bits)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bits.push_back(bits);
        m_threads.push_back(QThread::currentThread());
    }

    std::vector<stHVUnitState> states() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_states;
    }
    std::vector<std::bitset<10>> bits() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bits;
    }
    std::vector<QThread*> threads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_threads;
    }

    std::function<void(stHVUnitState const&)> reaction;

private:
    mutable std::mutex m_mutex;
    std::vector<stHVUnitState> m_states;
    std::vector<std::bitset<10>> m_bits;
    std::vector<QThread*> m_threads;
};
