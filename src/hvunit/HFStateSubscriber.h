#pragma once

#include "datamodel/InstrumentTypes.h"

// Receiver of the polled HV-unit state. The program's default one forwards to the data model;
// the commissioning procedures install their own while they run.
class HFStateSubscriber {
public:
    virtual ~HFStateSubscriber() = default;
    virtual void setHVUnitState(const stHVUnitState& state) = 0;
    virtual stHVUnitState getHVUnitState() const = 0;
    virtual int getVoltagePolarity() const = 0;
    virtual int getVLFCosRectType() const = 0;
    // True while a procedure drives the output outside a test and receives the states:
    // the link then reads the state word as in a test and reports a silent unit at once.
    virtual bool drivesOutput() const { return false; }
};
