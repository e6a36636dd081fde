#pragma once

#include "commissioning/CascadeMachine.h"
#include "commissioning/Command.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/StatesAndTransitions.h"
#include "commissioning/TimerScale.h"

#include <QTimer>

#include <algorithm>
#include <atomic>
#include <type_traits>

namespace Commissioning {

// Brings the cascades down in steps of 4 kV below the higher measured cascade voltage
// (never below 4.5 kV) every 250 ms and reports both readings; once the ramp has ended
// every reading goes to the machine's receiveOutput.
template <typename E>
class RampDown : public StatesAndTransitions::State<E> {
public:
    // machine is a CascadeMachine and a Machine<E>: each tick runs as a step of it.
    template <typename M>
    RampDown(M* machine, TPOF* pof) : m_machine(machine), m_runner(machine), m_pof(pof), m_timer(new QTimer(machine))
    {
        static_assert(std::is_base_of<StatesAndTransitions::Machine<E>, M>::value,
                      "the machine is a Machine of this event type");
        // A tick that finds a step running is skipped; the next one comes 250 ms later.
        m_connection = QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] { m_runner->runHook([this] { tick(); }); });
    }
    ~RampDown() override { QObject::disconnect(m_connection); }

    void onEntry() override
    {
        m_active = true;
        m_polarityKnown = false;
        m_timer->start(scaledInterval(250));
    }
    void onExit() override
    {
        m_active = false;
        m_timer->stop();
    }

private:
    void tick()
    {
        m_runner->faultPoint("RampDown::tick");
        const CascadeValues cascade = pollCascadeValues(*m_pof);
        const OutputValues output = pollOutputValues(*m_pof);
        // A failed poll skips the tick.
        if (cascade == CascadeValues::failed() || output == OutputValues::failed())
            return;
        emit m_machine->cascadeUpdate(cascade.voltageA * 100.0, cascade.voltageB * 100.0, cascade.currentA / 10.0,
                                      cascade.currentB / 10.0);
        emit m_machine->measurementUpdate(output.voltage * 0.001, double(output.current));
        if (!m_active) {
            m_machine->receiveOutput(output);
            return;
        }
        if (!m_polarityKnown) {
            m_positive = cascade.voltageB < cascade.voltageA;
            m_polarityKnown = true;
        }
        const int step = std::max(cascade.voltageA, cascade.voltageB) - 40;
        const short level = short(std::max(step, 45));
        // Not reported: the next tick writes again.
        setPofValues(m_pof, { { TPOF::CMD_SetParameter, 32, rampLevelWord(m_positive, level) } });
        m_active = step > 44;
    }

    CascadeMachine* m_machine;
    StatesAndTransitions::Machine<E>* m_runner;
    TPOF* m_pof;
    QTimer* m_timer; // owned by the machine
    bool m_positive = true;
    bool m_polarityKnown = false;
    std::atomic<bool> m_active { false };
    QMetaObject::Connection m_connection;
};

} // namespace Commissioning
