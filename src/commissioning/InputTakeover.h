#pragma once

#include "commissioning/CommissioningHVSubscriber.h"
#include "commissioning/CommissioningSafetyReceiver.h"
#include "hvunit/SafetyReceiver.h"
#include "hvunit/TCheckSafetyCircuit.h"
#include "hvunit/TPOF.h"

#include <memory>

namespace Commissioning {

// The slot that keeps the safety circuit's own receiver while a procedure runs.
using SavedReceiver = std::unique_ptr<SafetyReceiver>;

// Routes the polled HV states and the safety states to the machine; the safety
// circuit's receiver goes into the slot. Does nothing while the slot holds one
// already: a second swap would lose the data model's receiver for good.
template <typename M>
bool takeOverInputs(M* machine, TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot,
                    typename CommissioningSafetyReceiver<M>::Handler onSafety,
                    typename CommissioningHVSubscriber<M>::Handler onHVState, int polarity)
{
    if (*slot)
        return false;
    pof->setHVSub(std::make_unique<CommissioningHVSubscriber<M>>(machine, onHVState, polarity));
    *slot = safety->setReceiver(std::make_unique<CommissioningSafetyReceiver<M>>(machine, onSafety));
    return true;
}

// Undoes takeOverInputs after switching the HV-enable line off; false (nothing done)
// while the slot is empty.
bool handBackInputs(TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot);

// Switches the HV-enable line on for a procedure outside a test.
void holdHvEnable(TCheckSafetyCircuit* safety);

// Stops the HV output (stop and acknowledge); true when both commands went through.
bool stopOutput(TPOF* pof);

} // namespace Commissioning
