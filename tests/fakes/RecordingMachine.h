#pragma once

#include "commissioning/EventPosting.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <QObject>
#include <QThread>

#include <bitset>
#include <functional>
#include <mutex>
#include <vector>

// A machine for the adapter tests: posts its events as the procedures do, and notes each
// safety reading and HV state it processes with the thread it ran on. An optional
// reaction runs on each HV state while the machine processes it.
class RecordingMachine : public QObject, public StatesAndTransitions::Machine<Commissioning::MachineEvent<>> {
public:
    RecordingMachine()
    {
        auto* idle = StatesAndTransitions::constructState<StatesAndTransitions::State<Event>>(this);
        Commissioning::createEventTransition<Probe>(idle, idle, this);
    }

    template <typename T>
    void receiveEvent(T const& value)
    {
        Commissioning::postToMachine(this, Event(value));
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
    // Sees every event and takes none.
    class Probe : public StatesAndTransitions::Transition<Event> {
    public:
        Probe(StatesAndTransitions::State<Event>* target, RecordingMachine* owner)
            : StatesAndTransitions::Transition<Event>(target), m_owner(owner)
        {
        }
        bool testEvent(Event const& e) override
        {
            m_owner->note(e);
            return false;
        }

    private:
        RecordingMachine* m_owner;
    };

    void note(Event const& e)
    {
        const auto* state = std::get_if<stHVUnitState>(&e);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (state)
                m_states.push_back(*state);
            if (const auto* bits = std::get_if<std::bitset<10>>(&e))
                m_bits.push_back(*bits);
            m_threads.push_back(QThread::currentThread());
        }
        if (state && reaction)
            reaction(*state);
    }

    mutable std::mutex m_mutex;
    std::vector<stHVUnitState> m_states;
    std::vector<std::bitset<10>> m_bits;
    std::vector<QThread*> m_threads;
};
