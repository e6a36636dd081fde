#pragma once

#include "fakes/FakeHVData.h"
#include "hvsim/HvUnitSimulator.h"
#include "hvunit/TPOF.h"

#include <memory>

// An HV link talking to a simulated HV unit on a pseudo-terminal, its data-model side
// held by two fakes: the data access and the state subscriber.
struct SimulatedHVLink {
    HvUnitSimulator sim;
    FakeHVData* data = nullptr; // owned by the link
    FakeHVData* sub = nullptr;  // owned by the link; the current default subscriber

    // Empty while the line is this process's alone; else who else holds it. A check of
    // the bytes on the line holds only then.
    QString sharedWith() const { return sim.otherHolders().join(QStringLiteral(", ")); }

    // Starts the unit, points SERIAL_COMDEVICE at it and makes the link; null on failure.
    std::unique_ptr<TPOF> start()
    {
        if (!sim.start())
            return nullptr;
        qputenv("SERIAL_COMDEVICE", sim.slavePath().toLocal8Bit());
        auto d = std::make_unique<FakeHVData>();
        data = d.get();
        // Each default subscriber the link makes (also on resetHVSub) becomes sub.
        return std::make_unique<TPOF>(std::move(d), [this] {
            auto s = std::make_unique<FakeHVData>();
            sub = s.get();
            return s;
        });
    }
};
