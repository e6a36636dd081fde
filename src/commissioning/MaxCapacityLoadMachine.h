#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <QObject>
#include <QString>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// Test with the largest capacitive load. Not in this version: Start is answered with the error.
class MaxCapacityLoadMachine : public QObject, public StatesAndTransitions::Machine<MachineEvent<TimeOut, LoadDetectResult>> {
    Q_OBJECT
public:
    MaxCapacityLoadMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    // At once on the machine's thread, else queued to it.
    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

signals:
    void enteredStage(Commissioning::CommissioningStage stage);
    void measurementUpdate(int voltage, int current);
    void errorMessage(QString message);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
};

} // namespace Commissioning
