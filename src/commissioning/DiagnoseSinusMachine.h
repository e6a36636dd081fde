#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/SinusDiagnoseSettings.h"
#include "commissioning/StatesAndTransitions.h"

#include <QObject>
#include <QString>

#include <memory>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// Sine output with selectable protections switched off (service bits). Not in this
// version: Start is answered with the error; its settings already work.
class DiagnoseSinusMachine : public QObject, public StatesAndTransitions::Machine<MachineEvent<SinusParameterChange>> {
    Q_OBJECT
public:
    DiagnoseSinusMachine(TPOF* pof, TCheckSafetyCircuit* safety);

    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

    // Shared with the page's views; stays on the thread that built the machine.
    std::shared_ptr<SinusDiagnoseSettings> settingsHandler() const { return m_settings; }

signals:
    void enteredStage(Commissioning::DiagnoseSinusStage stage);
    void measurementUpdate(int voltage, int current);
    void errorMessage(QString message);

private:
    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    std::shared_ptr<SinusDiagnoseSettings> m_settings;
};

} // namespace Commissioning
