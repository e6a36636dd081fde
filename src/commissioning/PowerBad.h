#pragma once

#include "commissioning/CascadePowerMachine.h"
#include "commissioning/InputTakeover.h"
#include "commissioning/PowerPoint.h"
#include "commissioning/StatesAndTransitions.h"

#include <QString>

#include <functional>
#include <utility>
#include <variant>

namespace Commissioning {

// Fires on readings that miss the point: the operator gets what was reached, the
// output is stopped.
class PowerBad : public StatesAndTransitions::Transition<CascadePowerMachine::Event> {
public:
    PowerBad(StatesAndTransitions::State<CascadePowerMachine::Event>* target, TPOF* pof, PowerPoint point,
             std::function<void(QString const&)> report)
        : StatesAndTransitions::Transition<CascadePowerMachine::Event>(target), m_pof(pof), m_point(point),
          m_report(std::move(report))
    {
    }

    bool testEvent(CascadePowerMachine::Event const& event) override
    {
        const auto* values = std::get_if<CascadeOutputValues>(&event);
        if (!values || powerOkay(m_point, *values))
            return false;
        m_values = *values;
        return true;
    }
    void onActivation() override
    {
        m_report(missedPointText(m_point, m_values));
        stopOutput(m_pof);
    }

private:
    TPOF* m_pof;
    PowerPoint m_point;
    CascadeOutputValues m_values;
    std::function<void(QString const&)> m_report;
};

} // namespace Commissioning
