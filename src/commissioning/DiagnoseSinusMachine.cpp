#include "commissioning/DiagnoseSinusMachine.h"

#include "commissioning/ServiceBitHandler.h"
#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

DiagnoseSinusMachine::DiagnoseSinusMachine(TPOF* pof, TCheckSafetyCircuit* safety)
    : m_pof(pof), m_safety(safety), m_settings(std::make_shared<ServiceBitHandler>())
{
    buildUnavailableProcedure<Event>(this, [this] { emit errorMessage(unavailableProcedureText()); });
}

} // namespace Commissioning
