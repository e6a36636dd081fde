#pragma once

#include <bitset>

// Consumer of the settled safety-circuit states. Called on the poll's thread; the
// same state may arrive again at every poll.
class SafetyReceiver {
public:
    virtual ~SafetyReceiver() = default;

    virtual void setSafetyCircuitDriverEnabled(bool enabled) = 0;
    virtual void setSafetyCircuitState(std::bitset<10> const& state) = 0;
};
