#pragma once

#include "fakes/FakeGpioTree.h"
#include "fakes/FastClock.h"
#include "fakes/HVLinkOnThread.h"
#include "fakes/SafetyLines.h"
#include "fakes/TempRoot.h"
#include "hvunit/GPIOManager.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QTest>

#include <atomic>
#include <memory>

// The HV link on its own "POFThread" against the simulated unit, its pauses and state
// poll on the fast steady clock, and the safety circuit over a fake GPIO tree (all ten inputs closed,
// the HV-enable line as an output), its states going to a counting stand-in of the data
// model. The simulated unit sees the HV-enable line. Needs vlf_hvsim.
struct CommissioningRig : HVLinkOnThread {
    // The data model's receiver: counts what reaches it.
    struct DataModelReceiver : SafetyReceiver {
        explicit DataModelReceiver(std::atomic<int>* count) : states(count) {}
        void setSafetyCircuitDriverEnabled(bool) override {}
        void setSafetyCircuitState(std::bitset<10> const&) override { ++*states; }
        std::atomic<int>* states;
    };

    TempRoot root;
    FakeGpioTree tree { safetyInputLines(), { HVEnableLine } };
    GPIOManager gpio;
    std::atomic<int> dataModelSafetyStates { 0 };
    std::unique_ptr<TCheckSafetyCircuit> safety;

    // Starts unit, link (polling its state) and safety poll; false when one fails. Also
    // after stop(), as the program starting again.
    bool start()
    {
        // The line's writes go on at the new descriptor's position: from the start again.
        tree.setValue(HVEnableLine, QByteArray());
        if (!HVLinkOnThread::start())
            return false;
        sim.model().setHvEnableProbe([this] { return hvEnable(); });
        safety = std::make_unique<TCheckSafetyCircuit>(&gpio, std::make_unique<DataModelReceiver>(&dataModelSafetyStates));
        if (!safety->doRun())
            return false;
        return onLink([this] {
            pof->setSteadyClock(&fastSteadyClock, kFastClockRate);
            pof->setHVAutoCheck(true);
            return true;
        });
    }

    void stop()
    {
        // Machines let go are released on the link's thread, possibly still handing the
        // inputs back: that must be over before the safety circuit goes.
        if (pof)
            onLink([] { return true; });
        safety.reset();
        HVLinkOnThread::stop();
    }

    // The unit as new, its own work quick: the output at once at the level asked, a gain
    // taken in 20 ms, a load detected in 30 ms.
    void freshUnit()
    {
        HvUnitModel& unit = sim.model();
        unit.reset();
        unit.setRampMs(0);
        unit.setGainWriteBehaviour(20, false, false);
        unit.setLoadDetectionMs(30);
    }

    bool hvEnable() const { return tree.lastWritten(HVEnableLine) == '1'; }

    // The end of every run: the line off and no longer held, the data model's inputs and
    // the link's default HV-state subscriber back.
    void checkHandedBack()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!hvEnable(), 5000);
        QVERIFY(!safety->commissioningHoldsHvEnable());
        const int before = dataModelSafetyStates;
        QTRY_VERIFY(dataModelSafetyStates > before);
        QTRY_VERIFY(dynamic_cast<FakeHVData*>(pof->sub().get()));
    }
};
