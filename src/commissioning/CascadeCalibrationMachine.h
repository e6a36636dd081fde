#pragma once

#include "commissioning/CascadeMachine.h"
#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/InputTakeover.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/StatesAndTransitions.h"
#include "commissioning/UnitRestore.h"

#include <QString>

#include <bitset>
#include <tuple>
#include <vector>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// Calibration of the voltage measurement of the two cascades: the output is measured at
// +6, +40, -6 and -40 kV with the neutral calibration, gain and offset per polarity
// follow, are written when they are within limits, and the four points are measured
// again. A run that does not keep its result gives the unit its old calibration back.
class CascadeCalibrationMachine : public CascadeMachine, public StatesAndTransitions::Machine<MachineEvent<OutputValues>> {
    Q_OBJECT
public:
    CascadeCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety);
    ~CascadeCalibrationMachine() override;

    // Ends a run the machine holds (HV-enable off, output stopped, the old calibration
    // written once more, the inputs back) and leaves the machine inert; on its own thread.
    void release();

    template <typename T>
    void receiveEvent(T const& value)
    {
        static_assert(IsAlternative<T, Event>::value, "not an event of this machine");
        postToMachine(this, Event(value));
    }

    // Ends the run with this error at the next event; the one posted here at the latest.
    // For the states of the run, on the machine's thread.
    void fail(QString const& text);
    bool failing() const { return !m_failure.isEmpty(); }

public slots:
    void receiveOutput(Commissioning::OutputValues const& values) override { receiveEvent(values); }

signals:
    void cascadeMachineEvent(Commissioning::CascadeCalibrationStage stage);
    void cascadeCalibrationError(QString message);
    void cascadeCalibrationSummary(Commissioning::CascadeCalibrationValues before,
                                   Commissioning::CascadeCalibrationValues after,
                                   Commissioning::CascadeCalibrationResult calibration, bool success);

private:
    bool holdsInputs() const { return inputsHeldBy(m_safety, &m_savedReceiver); }
    // Error end of a run: HV-enable off (if the run holds it), then the text.
    void report(QString const& text);
    void restoreCalibration();
    void setUp();
    void startCalibration();
    void writeCalibration();
    void finish();

    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    SavedReceiver m_savedReceiver;
    CascadeCalibrationValues m_before; // measured with the neutral calibration
    CascadeCalibrationValues m_after;  // measured with the new one
    CalibrationWords m_saved {};       // the unit's calibration words before the run, as read
    UnitRestore m_restore;             // gives the unit m_saved back
    QString m_failure;                 // pending error of a step; machine thread only
};

// The states of one measuring path under parent, in order: a CascadeOutput per tuple
// (level in units of 100 V, where its measurement goes, stage), a RampDown before each
// level that is lower or of the other sign, and a final RampDown. Leaving a level stores
// the mean of its last four steady readings.
std::vector<StatesAndTransitions::State<CascadeCalibrationMachine::Event>*>
generateVoltagePath(std::vector<std::tuple<short, double*, CascadeCalibrationStage>> const& points,
                    StatesAndTransitions::State<CascadeCalibrationMachine::Event>* parent, TPOF* pof,
                    CascadeCalibrationMachine* machine);

} // namespace Commissioning
