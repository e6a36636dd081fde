#pragma once

#include "hvunit/HFStateSubscriber.h"

// Default receiver of the polled HV state: the instrument data model.
class DMhvStateSubscriber : public HFStateSubscriber {
public:
    void setHVUnitState(const stHVUnitState& state) override;
    stHVUnitState getHVUnitState() const override;
    int getVoltagePolarity() const override;
    int getVLFCosRectType() const override;
};
