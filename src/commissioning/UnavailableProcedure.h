#pragma once

#include "commissioning/CommissioningStages.h"
#include "commissioning/MatchesEvent.h"
#include "commissioning/StatesAndTransitions.h"

#include <QString>

#include <functional>

namespace Commissioning {

// Error text of a procedure this version cannot run.
QString unavailableProcedureText();

// The whole tree of a procedure this version cannot run: one idle state that answers
// Start with the report (the procedure's error signal), so its page never waits.
template <typename E>
StatesAndTransitions::State<E>* buildUnavailableProcedure(StatesAndTransitions::Machine<E>* machine,
                                                          std::function<void()> report)
{
    auto* idle = StatesAndTransitions::constructState<StatesAndTransitions::State<E>>(machine);
    createEventTransition<MatchesEvent<E>>(idle, idle, E(Start), std::move(report));
    return idle;
}

} // namespace Commissioning
