#pragma once

#include "commissioning/InputTakeover.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

namespace Commissioning {

// The gains the unit had before the output calibration took over (units of 1/10000);
// both zero: nothing to restore.
struct SavedGains {
    unsigned long long gainU = 0;
    unsigned long long gainI = 0;
};

namespace OutputCalibration {

// Rest state of the output calibration: after a run it switches HV-enable off, gives
// the inputs back and writes the saved gains back to the unit.
class IdleState : public StatesAndTransitions::State<MachineEvent<>> {
public:
    IdleState(TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot, SavedGains* gains)
        : m_pof(pof), m_safety(safety), m_slot(slot), m_gains(gains)
    {
    }

    void onEntry() override;

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    SavedReceiver* m_slot;
    SavedGains* m_gains;
};

} // namespace OutputCalibration
} // namespace Commissioning
