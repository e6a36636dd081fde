#pragma once

#include "commissioning/CommissioningStages.h"
#include "datamodel/InstrumentTypes.h"

#include <bitset>
#include <type_traits>
#include <variant>

namespace Commissioning {

// The event type of a machine: the operator's command, the safety-circuit inputs, the
// HV-unit state, then the machine's own records.
template <typename... Extra>
using MachineEvent = std::variant<UserEvent, std::bitset<10>, stHVUnitState, Extra...>;

// Whether T is one of the alternatives of the variant V.
template <typename T, typename V>
struct IsAlternative;
template <typename T, typename... Ts>
struct IsAlternative<T, std::variant<Ts...>> : std::disjunction<std::is_same<T, Ts>...> {
};

// The HV-unit state the event carries when it was read from the unit; null for other
// events and for a lost link's state, whose word is the last one read before the loss.
template <typename E>
const stHVUnitState* readHVState(E const& event)
{
    const auto* state = std::get_if<stHVUnitState>(&event);
    return state && !state->comError ? state : nullptr;
}

} // namespace Commissioning
