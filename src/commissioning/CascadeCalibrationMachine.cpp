#include "commissioning/CascadeCalibrationMachine.h"

#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

CascadeCalibrationMachine::CascadeCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety) : m_pof(pof), m_safety(safety)
{
    buildUnavailableProcedure<Event>(this, [this] { emit cascadeCalibrationError(unavailableProcedureText()); });
}

} // namespace Commissioning
