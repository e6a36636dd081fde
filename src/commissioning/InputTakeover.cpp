#include "commissioning/InputTakeover.h"

namespace Commissioning {

bool handBackInputs(TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot)
{
    if (!*slot)
        return false;
    // The frame's rule must not see the line as ours once it is off.
    safety->setCommissioningHoldsHvEnable(false);
    safety->setHV_Off();
    // What comes back is the procedure's own receiver.
    safety->setReceiver(std::move(*slot));
    slot->reset();
    pof->resetHVSub();
    return true;
}

void holdHvEnable(TCheckSafetyCircuit* safety)
{
    // Flag first: the frame must never switch the line off between the two.
    safety->setCommissioningHoldsHvEnable(true);
    safety->setHV_On();
}

bool stopOutput(TPOF* pof)
{
    return pof->StopTest(SKP_StopFlags_None) == TPOF::Ok;
}

} // namespace Commissioning
