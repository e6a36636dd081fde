#include "commissioning/MaxCapacityLoadMachine.h"

#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

MaxCapacityLoadMachine::MaxCapacityLoadMachine(TPOF* pof, TCheckSafetyCircuit* safety) : m_pof(pof), m_safety(safety)
{
    buildUnavailableProcedure<Event>(this, [this] { emit errorMessage(unavailableProcedureText()); });
}

} // namespace Commissioning
