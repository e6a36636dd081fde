#include "commissioning/SafetyTestMachine.h"

#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

SafetyTestMachine::SafetyTestMachine(TPOF* pof, TCheckSafetyCircuit* safety) : m_pof(pof), m_safety(safety)
{
    buildUnavailableProcedure<Event>(this, [this] { emit errorDescription(unavailableProcedureText()); });
}

} // namespace Commissioning
