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

// Check of the output voltage waveform. Not in this version: Start is answered with the error.
class VoltageWaveformMachine : public QObject, public StatesAndTransitions::Machine<MachineEvent<TimeOut>> {
    Q_OBJECT
public:
    VoltageWaveformMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    // At once on the machine's thread, else queued to it.
    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

signals:
    void measurementUpdate(double voltage, double current, int millisecond);
    void enteredState(Commissioning::WaveformCheckStage stage);
    void errorDescription(QString message);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
};

} // namespace Commissioning
