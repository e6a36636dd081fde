#include "commissioning/VoltageWaveformMachine.h"

#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

VoltageWaveformMachine::VoltageWaveformMachine(TPOF* pof, TCheckSafetyCircuit* safety) : m_pof(pof), m_safety(safety)
{
    buildUnavailableProcedure<Event>(this, [this] { emit errorDescription(unavailableProcedureText()); });
}

} // namespace Commissioning
