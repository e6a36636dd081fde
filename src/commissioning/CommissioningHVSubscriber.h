#pragma once

#include "hvunit/HFStateSubscriber.h"
#include "logging/LoggingCtrl.h"

#include <QMetaObject>
#include <QPointer>

#include <atomic>

namespace Commissioning {

// Receives the polled HV-unit states while a procedure runs: keeps the last one for
// the link and hands each to the machine. The link may call this while it holds its
// own lock (a failed transaction reports the lost link), so the machine gets the
// state by a queued call and may use the link again when it reacts.
template <typename M>
class CommissioningHVSubscriber : public HFStateSubscriber {
public:
    using Handler = void (M::*)(stHVUnitState const&);

    CommissioningHVSubscriber(M* machine, Handler handler, int polarity)
        : m_machine(machine), m_handler(handler), m_polarity(polarity)
    {
    }

    void setHVUnitState(const stHVUnitState& state) override
    {
        m_state.store(state);
        M* machine = m_machine.data();
        if (!machine)
            return;
        const Handler handler = m_handler;
        QMetaObject::invokeMethod(
            machine, [machine, handler, state] { (machine->*handler)(state); }, Qt::QueuedConnection);
    }

    stHVUnitState getHVUnitState() const override { return m_state.load(); }
    int getVoltagePolarity() const override { return m_polarity; }

    // Only the cosine-rectangular mode asks; no procedure uses it.
    int getVLFCosRectType() const override
    {
        KLOG_ERROR2("CommissioningHVSubscriber", "getVLFCosRectType", "this should not be called");
        return 0;
    }

private:
    QPointer<M> m_machine; // a machine deleted without handing back is no longer called
    Handler m_handler;
    // Written by the poll and by failed transactions of any thread.
    std::atomic<stHVUnitState> m_state { stHVUnitState() };
    int m_polarity;
};

} // namespace Commissioning
