#pragma once

#include "hvunit/TestBoostModel.h"

// The test boost's view of the instrument data model registered in GlobalFuncs; looked
// up at every call, so the model may be registered after the supervisor is made.
// Without a registered model nothing is known and nothing is stored.
class DataModelTestBoostModel : public TestBoostModel {
public:
    stTBState testBoostState() const override;
    void setTestBoostState(const stTBState& state, bool force) override;
    stTBData testBoostData() const override;
    void setTestBoostData(const stTBData& data) override;
    OperatingModes::OperatingMode operatingMode() const override;
    bool isTestBoostOpMode() const override;
    bool isRemoteControlled() const override;
};
