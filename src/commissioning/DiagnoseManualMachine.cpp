#include "commissioning/DiagnoseManualMachine.h"

#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

DiagnoseManualMachine::DiagnoseManualMachine(TPOF* pof, TCheckSafetyCircuit* safety) : m_pof(pof), m_safety(safety)
{
    buildUnavailableProcedure<Event>(this, [this] { emit errorMessage(unavailableProcedureText()); });
}

void DiagnoseManualMachine::setCascade(CascadeSetting const& setting)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_cascade = setting;
    }
    receiveEvent(VoltageEntered);
}

CascadeSetting DiagnoseManualMachine::cascadeSetting() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cascade;
}

} // namespace Commissioning
