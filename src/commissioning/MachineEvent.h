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

} // namespace Commissioning
