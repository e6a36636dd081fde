#pragma once

#include "commissioning/CascadeMachine.h"
#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/InputTakeover.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/PowerPoint.h"
#include "commissioning/StatesAndTransitions.h"

#include <QString>

#include <bitset>
#include <utility>
#include <vector>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

class PowerLevel;

// Power-envelope check of the two cascades: after load detection the cascades are driven
// through eight points in positive and then in negative polarity, and at each the
// cascade voltage and the output current must lie within the envelope's tolerances.
class CascadePowerMachine : public CascadeMachine, public StatesAndTransitions::Machine<MachineEvent<CascadeOutputValues, OutputValues>> {
    Q_OBJECT
public:
    CascadePowerMachine(TPOF* pof, TCheckSafetyCircuit* safety);
    ~CascadePowerMachine() override;

    // Ends a run the machine holds (HV-enable off, output stopped, the inputs back) and
    // leaves the machine inert; on its own thread.
    void release();

    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

    // For the states of the run, on the machine's thread. fail ends the run with this
    // error at the next event (the one posted here at the latest); reportError tells an
    // error after switching HV-enable off (if the run holds it).
    void fail(QString const& text);
    bool failing() const { return !m_failure.isEmpty(); }
    void reportError(QString const& text);

public slots:
    void receiveOutput(Commissioning::OutputValues const& values) override { receiveEvent(values); }

signals:
    void enteredStage(Commissioning::CascadePowerStage stage);
    void error(QString message);

private:
    bool holdsInputs() const { return inputsHeldBy(m_safety, &m_savedReceiver); }
    void setUp();
    void startOutput();

    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    SavedReceiver m_savedReceiver;
    QString m_failure; // pending error of a step; machine thread only
};

// Eight levels under parent, one per envelope point in table order (negated unless
// positive), each missing its point ending in failure, each met point leading to the
// next level. Returns the last point and the levels in order.
std::pair<PowerPoint, std::vector<PowerLevel*>> generateRampUp(CascadePowerMachine* machine,
                                                               StatesAndTransitions::State<CascadePowerMachine::Event>* parent,
                                                               StatesAndTransitions::State<CascadePowerMachine::Event>* failure,
                                                               TPOF* pof, bool positive);

} // namespace Commissioning
