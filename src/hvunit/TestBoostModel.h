#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"

// What the test boost supervisors read from and publish to the data model.
class TestBoostModel {
public:
    virtual ~TestBoostModel() = default;

    virtual stTBState testBoostState() const = 0;
    // Stores the state when it differs from the stored one or force is true.
    virtual void setTestBoostState(const stTBState& state, bool force) = 0;
    virtual stTBData testBoostData() const = 0;
    virtual void setTestBoostData(const stTBData& data) = 0;
    virtual OperatingModes::OperatingMode operatingMode() const = 0;
    // Whether the current operating mode uses the test boost.
    virtual bool isTestBoostOpMode() const = 0;
    virtual bool isRemoteControlled() const = 0;
};
