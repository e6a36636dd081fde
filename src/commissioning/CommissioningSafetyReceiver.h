#pragma once

#include "hvunit/SafetyReceiver.h"
#include "logging/LoggingCtrl.h"

#include <QPointer>

#include <bitset>

namespace Commissioning {

// Hands the settled safety-circuit states to a running procedure instead of the data
// model. The machine's handler posts them, so they are processed on its own thread.
template <typename M>
class CommissioningSafetyReceiver : public SafetyReceiver {
public:
    using Handler = void (M::*)(std::bitset<10> const&);

    CommissioningSafetyReceiver(M* machine, Handler handler) : m_machine(machine), m_handler(handler) {}

    // The checker reports its driver to the default receiver only; a call here would
    // be a wiring fault, which must not end the safety poll.
    void setSafetyCircuitDriverEnabled(bool) override
    {
        KLOG_ERROR2("CommissioningSafetyReceiver", "setSafetyCircuitDriverEnabled", "this should not be called");
    }

    void setSafetyCircuitState(std::bitset<10> const& state) override
    {
        if (M* machine = m_machine.data())
            (machine->*m_handler)(state);
    }

private:
    QPointer<M> m_machine; // a machine deleted without handing back is no longer called
    Handler m_handler;
};

} // namespace Commissioning
