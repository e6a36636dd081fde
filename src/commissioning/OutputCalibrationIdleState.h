#pragma once

#include "commissioning/InputTakeover.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <functional>
#include <utility>

namespace Commissioning {

// The gains the unit had before the output calibration took over (units of 1/10000);
// both zero: nothing to restore.
struct SavedGains {
    unsigned long long gainU = 0;
    unsigned long long gainI = 0;
};

namespace OutputCalibration {

// Rest state of the output calibration: after a run it switches HV-enable off, gives
// the inputs back and has the unit's old gains written back.
class IdleState : public StatesAndTransitions::State<MachineEvent<>> {
public:
    IdleState(TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot, std::function<void()> restoreGains)
        : m_pof(pof), m_safety(safety), m_slot(slot), m_restoreGains(std::move(restoreGains))
    {
    }

    void onEntry() override;

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    SavedReceiver* m_slot;
    std::function<void()> m_restoreGains;
};

} // namespace OutputCalibration
} // namespace Commissioning
