#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <QObject>
#include <QString>

#include <atomic>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// Burn-in of a new unit, a sine part and a DC part. Not in this version: Start is
// answered with the error.
class BurnInMachine : public QObject, public StatesAndTransitions::Machine<MachineEvent<OutputValues, LoadDetectResult>> {
    Q_OBJECT
public:
    BurnInMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

    // Called from the page's thread while the machine may read them: atomics.
    void setDurations(int const& minutesSinus, int const& minutesDC);
    qint64 sinusDurationMs() const { return m_sinusMs.load(); }
    qint64 dcDurationMs() const { return m_dcMs.load(); }

signals:
    void enteredStage(Commissioning::BurnInStage stage);
    void error(QString message);
    void measurementUpdate(double voltage, double current, int millisecond);
    void cascadeUpdate(double voltageA, double VoltageB, double currentA, double currentB);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    std::atomic<qint64> m_sinusMs { 0 };
    std::atomic<qint64> m_dcMs { 0 };
};

} // namespace Commissioning
