#pragma once

#include "commissioning/StatesAndTransitions.h"
#include "commissioning/TimerScale.h"
#include "datamodel/InstrumentTypes.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QObject>
#include <QTimer>

#include <type_traits>

namespace Commissioning {

// Takes over the HV unit in init(): at once when a safety input is open, otherwise 100 ms
// after entry, so a state left within that time never sets anything up.
template <typename E>
class HVDelayedInit : public StatesAndTransitions::State<E> {
public:
    // machine is a QObject and a Machine<E>: the timer lives with it, and init() runs
    // from the timer as a step of the machine.
    template <typename M>
    HVDelayedInit(M* machine, TCheckSafetyCircuit* safety)
        : m_machine(machine), m_safety(safety), m_timer(new QTimer(machine))
    {
        static_assert(std::is_base_of<QObject, M>::value && std::is_base_of<StatesAndTransitions::Machine<E>, M>::value,
                      "the machine is a QObject and a Machine of this event type");
        m_timer->setSingleShot(true);
        m_timer->setInterval(scaledInterval(100));
        // Connected once: one connection per entry would run init() again for every earlier run.
        m_connection = QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
            m_timer->stop();
            // A step still running takes its turn first.
            if (!m_machine->runHook([this] { init(); }) && !m_machine->retired())
                m_timer->start(0);
        });
    }
    ~HVDelayedInit() override { QObject::disconnect(m_connection); }

    void onEntry() override
    {
        if (failedSafetyCircuit(m_safety->currentState()).second) {
            init();
            return;
        }
        m_timer->start();
    }
    void onExit() override { m_timer->stop(); }

    virtual void init() = 0;

protected:
    TCheckSafetyCircuit* safety() const { return m_safety; }

private:
    StatesAndTransitions::Machine<E>* m_machine;
    TCheckSafetyCircuit* m_safety;
    QTimer* m_timer; // owned by the machine, so it lives on the machine's thread
    QMetaObject::Connection m_connection;
};

} // namespace Commissioning
