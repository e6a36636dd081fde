#pragma once

#include "commissioning/CommissioningHVSubscriber.h"
#include "commissioning/CommissioningSafetyReceiver.h"
#include "hvunit/SafetyReceiver.h"
#include "hvunit/TCheckSafetyCircuit.h"
#include "hvunit/OwedUnitWrites.h"
#include "hvunit/TPOF.h"

#include <QPointer>
#include <QString>

#include <bitset>
#include <memory>

namespace Commissioning {

// The slot that keeps the safety circuit's own receiver while a procedure runs.
using SavedReceiver = std::unique_ptr<SafetyReceiver>;

enum class Takeover {
    Taken,       // the inputs go to the machine now
    AlreadyHeld, // by this machine: a second swap would lose the data model's receiver
    Refused,     // another procedure holds them
};

// Claims the safety circuit's inputs for the procedure whose slot this is; false while
// another slot holds them. One procedure at a time: a second one would save the first
// one's receiver as "the previous" and hand the line back under it.
bool claimInputs(TCheckSafetyCircuit* safety, const SavedReceiver* slot);
bool inputsHeldBy(const TCheckSafetyCircuit* safety, const SavedReceiver* slot);
// True when no procedure or the slot's own holds the inputs.
bool inputsFreeFor(const TCheckSafetyCircuit* safety, const SavedReceiver* slot);

// Switches the HV-enable line on for a procedure outside a test, and off again.
void holdHvEnable(TCheckSafetyCircuit* safety);
void releaseHvEnable(TCheckSafetyCircuit* safety);

// Routes the polled HV states and the safety states to the machine; the safety
// circuit's receiver goes into the slot. onLineDropped runs right after the link's loss
// has switched the line off, on the thread that found it lost.
template <typename M>
Takeover takeOverInputs(M* machine, TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot,
                        typename CommissioningSafetyReceiver<M>::Handler onSafety,
                        typename CommissioningHVSubscriber<M>::Handler onHVState, int polarity,
                        void (M::*onLineDropped)() = nullptr)
{
    if (inputsHeldBy(safety, slot))
        return Takeover::AlreadyHeld;
    if (!claimInputs(safety, slot))
        return Takeover::Refused;
    // Until the inputs are handed back, a program gone meanwhile stops the unit at its next start.
    pof->owedWrites()->setDriving(true);
    // The line goes as soon as the link is lost, while the run still holds it.
    const auto linkLost = [safety, slot, onLineDropped, held = QPointer<M>(machine)] {
        if (!inputsHeldBy(safety, slot))
            return;
        releaseHvEnable(safety);
        if (M* m = held.data(); m && onLineDropped)
            (m->*onLineDropped)();
    };
    pof->setHVSub(std::make_unique<CommissioningHVSubscriber<M>>(machine, onHVState, polarity, linkLost));
    *slot = safety->setReceiver(std::make_unique<CommissioningSafetyReceiver<M>>(machine, onSafety));
    return Takeover::Taken;
}

// Undoes takeOverInputs after switching the HV-enable line off; false (nothing done)
// unless the slot's procedure holds the inputs.
bool handBackInputs(TPOF* pof, TCheckSafetyCircuit* safety, SavedReceiver* slot);

// Stops the HV output (stop and acknowledge); true when both commands went through. A
// stop that did not is owed to the unit (the output may still run and would come back
// with the HV-enable line) until one goes through.
bool stopOutput(TPOF* pof);

// What ends a procedure that waits for HV on: the first open input other than the HV-on
// key (9), which is open until the operator presses it. Empty when there is none.
QString waitingSafetyFaultText(std::bitset<10> const& bits);

// Told when a procedure is refused because another one holds the inputs.
QString otherProcedureRunningText();
// Told when a procedure is refused because what the unit is owed could not be written.
QString owedWritesFailedText();
// Told when a run ends because the unit's old values could not be kept for it.
QString oldValuesNotKeptText();

} // namespace Commissioning
