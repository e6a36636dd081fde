#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/EventPosting.h"
#include "commissioning/InputTakeover.h"
#include "commissioning/MachineEvent.h"
#include "commissioning/OutputCalibrationIdleState.h"
#include "commissioning/StatesAndTransitions.h"
#include "commissioning/UnitRestore.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <bitset>
#include <mutex>

class TCheckSafetyCircuit;
class TPOF;

namespace Commissioning {

// Calibration of the output voltage gain: the unit runs 37 kV DC, the operator enters
// the voltage an external meter shows at -37 kV and at +37 kV, the U gain follows from
// both and is written to the unit, and both polarities are shown again. A run that does
// not finish gives the unit its old gains back.
class OutputCalibrationMachine : public QObject, public StatesAndTransitions::Machine<MachineEvent<>> {
    Q_OBJECT
public:
    OutputCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety);
    ~OutputCalibrationMachine() override;

    // Ends a run the machine holds (HV-enable off, output stopped, the old gains written
    // once more, the inputs back) and leaves the machine inert; on its own thread. The
    // bundle calls it before the machine is deleted.
    void release();

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
    // Whether a Confirm is taken in the current step; settling again at each step's start.
    void outputReading(Commissioning::OutputReading reading);

private:
    bool holdsInputs() const { return inputsHeldBy(m_safety, &m_savedReceiver); }
    // Error end of a run: HV-enable off (if the run holds it), the text, stage Error.
    void report(QString const& text);
    // After the hand-back: the old gains go back, or the operator is told.
    void restoreGains();
    void setUp();
    void startDC();
    void confirmNegative();
    void writeGain();
    void confirmPositive();
    void finish();
    // A Confirm before the step's output stood at its level: the reading it brought is
    // no reading of that level.
    void dropEarlyReading(OutputCalibrationStage step);
    // The link's loss switched the line off: no reading of the run counts any more.
    void outputLost();
    // Ends the run with this error at the next event; the one posted here at the latest.
    void fail(QString const& text);

    TPOF* m_pof;
    TCheckSafetyCircuit* m_safety;
    SavedReceiver m_savedReceiver;
    SavedGains m_gains;
    UnitRestore m_restore; // gives the unit m_gains back
    QString m_failure; // pending error of a step; machine thread only
    std::atomic<bool> m_outputLost { false }; // set on the thread that found the link lost

    std::mutex m_mutex; // guards the readings
    double m_negativeVoltage = -37.0;
    double m_positiveVoltage = 37.0;
    // Set by a reading, cleared when its step is entered: a Confirm needs a new one.
    bool m_negativeFresh = false;
    bool m_positiveFresh = false;
};

} // namespace Commissioning
