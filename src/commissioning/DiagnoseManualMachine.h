#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <QObject>
#include <QString>

#include <mutex>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// Manual diagnosis of the cascades with set voltage and PWM values. Not in this
// version: Start is answered with the error.
class DiagnoseManualMachine : public QObject, public StatesAndTransitions::Machine<MachineEvent<>> {
    Q_OBJECT
public:
    DiagnoseManualMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

    // Called from the page's thread: copies the setting, then posts VoltageEntered.
    void setCascade(CascadeSetting const& setting);
    CascadeSetting cascadeSetting() const;

signals:
    void enteredStage(Commissioning::DiagnoseManualStage stage);
    void measurementUpdate(int voltage, int current);
    void cascadeUpdate(double voltageA, double VoltageB, double currentA, double currentB);
    void errorMessage(QString message);
    void temperatures(Commissioning::TemperatureValues values);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    mutable std::mutex m_mutex;
    CascadeSetting m_cascade;
};

} // namespace Commissioning
