#pragma once

#include "hvunit/SafetyReceiver.h"

#include <memory>

// The default receiver of settled safety-circuit states: hands them to the data model.
class DataModelSafetyReceiver : public SafetyReceiver {
public:
    void setSafetyCircuitDriverEnabled(bool enabled) override;
    void setSafetyCircuitState(std::bitset<10> const& state) override;
};

std::unique_ptr<SafetyReceiver> createDataModelReciever();
