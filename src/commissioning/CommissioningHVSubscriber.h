#pragma once

#include "hvunit/HFStateSubscriber.h"
#include "logging/LoggingCtrl.h"

#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <utility>

namespace Commissioning {

// Receives the polled HV-unit states while a procedure runs: keeps the last one for
// the link and hands each to the machine. The link may call this while it holds its
// own lock (a failed transaction reports the lost link), so the machine gets the
// state by a queued call and may use the link again when it reacts. A procedure that
// drives the output gives linkLost, which switches the HV-enable line off: it runs at
// once, on the thread that found the link lost, not queued behind the link's work.
template <typename M>
class CommissioningHVSubscriber : public HFStateSubscriber {
public:
    using Handler = void (M::*)(stHVUnitState const&);

    CommissioningHVSubscriber(M* machine, Handler handler, int polarity, std::function<void()> linkLost = {})
        : m_machine(machine), m_handler(handler), m_polarity(polarity), m_linkLost(std::move(linkLost))
    {
    }

    void setHVUnitState(const stHVUnitState& state) override
    {
        m_state.store(state);
        if (state.comError && m_linkLost)
            m_linkLost();
        M* machine = m_machine.data();
        if (!machine)
            return;
        const Handler handler = m_handler;
        QMetaObject::invokeMethod(
            machine, [machine, handler, state] { (machine->*handler)(state); }, Qt::QueuedConnection);
    }

    stHVUnitState getHVUnitState() const override { return m_state.load(); }
    int getVoltagePolarity() const override { return m_polarity; }
    bool drivesOutput() const override { return bool(m_linkLost); }

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
    std::function<void()> m_linkLost;
};

} // namespace Commissioning
