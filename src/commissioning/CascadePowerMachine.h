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

// Power-envelope check of the two cascades. Not in this version: Start is answered with
// the error.
class CascadePowerMachine : public CascadeMachine, public StatesAndTransitions::Machine<MachineEvent<CascadeOutputValues, OutputValues>> {
    Q_OBJECT
public:
    CascadePowerMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

public slots:
    void receiveOutput(Commissioning::OutputValues const& values) override { receiveEvent(values); }

signals:
    void enteredStage(Commissioning::CascadePowerStage stage);
    void error(QString message);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
};

} // namespace Commissioning
