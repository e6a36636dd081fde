#pragma once

#include "commissioning/CascadeMachine.h"
#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <QString>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// Calibration of the two cascades' voltage measurement. Not in this version: Start is answered with
// the error.
class CascadeCalibrationMachine : public CascadeMachine, public StatesAndTransitions::Machine<MachineEvent<OutputValues>> {
    Q_OBJECT
public:
    CascadeCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

public slots:
    void receiveOutput(Commissioning::OutputValues const& values) override { receiveEvent(values); }

signals:
    void cascadeMachineEvent(Commissioning::CascadeCalibrationStage stage);
    void cascadeCalibrationError(QString message);
    void cascadeCalibrationSummary(Commissioning::CascadeCalibrationValues before,
                                   Commissioning::CascadeCalibrationValues after,
                                   Commissioning::CascadeCalibrationResult calibration, bool success);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
};

} // namespace Commissioning
