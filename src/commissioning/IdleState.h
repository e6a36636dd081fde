#pragma once

#include "commissioning/InputTakeover.h"
#include "commissioning/StatesAndTransitions.h"

#include <functional>
#include <utility>

namespace Commissioning {

// Rest state of a procedure: on entry after a run it switches HV-enable off and gives
// the inputs back to the data model; then it runs its entry function.
template <typename E>
class IdleState : public StatesAndTransitions::State<E> {
public:
    IdleState(TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot, std::function<void()> onEntry = [] {})
        : m_pof(pof), m_safety(safety), m_slot(slot), m_entry(std::move(onEntry))
    {
    }

    void onEntry() override
    {
        handBackInputs(m_pof, m_safety, m_slot);
        m_entry();
    }

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    SavedReceiver* m_slot;
    std::function<void()> m_entry;
};

} // namespace Commissioning
