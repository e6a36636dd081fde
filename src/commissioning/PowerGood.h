#pragma once

#include "commissioning/CascadePowerMachine.h"
#include "commissioning/PowerPoint.h"
#include "commissioning/StatesAndTransitions.h"

#include <variant>

namespace Commissioning {

// Fires on readings that meet the point.
class PowerGood : public StatesAndTransitions::Transition<CascadePowerMachine::Event> {
public:
    PowerGood(StatesAndTransitions::State<CascadePowerMachine::Event>* target, PowerPoint point)
        : StatesAndTransitions::Transition<CascadePowerMachine::Event>(target), m_point(point)
    {
    }

    bool testEvent(CascadePowerMachine::Event const& event) override
    {
        const auto* values = std::get_if<CascadeOutputValues>(&event);
        return values && powerOkay(m_point, *values);
    }

private:
    PowerPoint m_point;
};

} // namespace Commissioning
