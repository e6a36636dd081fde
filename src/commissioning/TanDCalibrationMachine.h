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

// Tan delta calibration with its two validations. Not in this version: Start is answered
// with the error.
class TanDCalibrationMachine : public QObject, public StatesAndTransitions::Machine<MachineEvent<OutputValues, PeriodicValues, TanDCalibrationValues>> {
    Q_OBJECT
public:
    TanDCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    // At once on the machine's thread, else queued to it.
    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

signals:
    void errorMessage(QString message);
    void enteredStage(Commissioning::TanDCalibrationStage stage);
    void measurementUpdate(int voltage, int current);
    void periodicUpdate(Commissioning::PeriodicValues values);
    void calibrationResults(Commissioning::TanDCalibrationValues values);
    void validationResult(Commissioning::TanDStepStestResult result);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
};

} // namespace Commissioning
