#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <QObject>
#include <QString>

#include <bitset>
#include <mutex>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// Calibration of the output voltage gain. Not in this version: Start is answered with
// the error and the Error stage.
class OutputCalibrationMachine : public QObject, public StatesAndTransitions::Machine<MachineEvent<>> {
    Q_OBJECT
public:
    OutputCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }
    // Always queued, so the event runs after the caller has returned.
    void queueEvent(Event const& event) { queueToMachine(this, event); }
    void recieveHVState(stHVUnitState const& state) { queueEvent(Event(state)); }
    void recieveSafety(std::bitset<10> const& bits) { queueEvent(Event(bits)); }

    // The voltage the operator measured (kV), from the page's thread: above 0 the
    // positive reading, else the negative one.
    void receiveVoltage(double kilovolts);

signals:
    void measurementUpdate(int voltage, int current);
    void calibrationUpdate(double gainU, double gainI);
    void machineEvent(Commissioning::OutputCalibrationStage event);
    void errorMessage(QString message);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    std::mutex m_mutex; // guards the readings
    double m_negativeVoltage = -37.0;
    double m_positiveVoltage = 37.0;
};

} // namespace Commissioning
