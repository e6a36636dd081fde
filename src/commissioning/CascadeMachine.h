#pragma once

#include "commissioning/OutputMachine.h"

namespace Commissioning {

// Base of the machines that also report the two cascades.
class CascadeMachine : public OutputMachine {
    Q_OBJECT
public:
    using OutputMachine::OutputMachine;

signals:
    void cascadeUpdate(double voltageA, double VoltageB, double currentA, double currentB);
};

} // namespace Commissioning
