#include "commissioning/CascadePowerMachine.h"

#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

CascadePowerMachine::CascadePowerMachine(TPOF* pof, TCheckSafetyCircuit* safety) : m_pof(pof), m_safety(safety)
{
    buildUnavailableProcedure<Event>(this, [this] { emit error(unavailableProcedureText()); });
}

} // namespace Commissioning
