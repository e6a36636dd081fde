#include "commissioning/OutputCalibrationMachine.h"

#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

OutputCalibrationMachine::OutputCalibrationMachine(TPOF* pof, TCheckSafetyCircuit* safety)
    : m_pof(pof), m_safety(safety)
{
    buildUnavailableProcedure<Event>(this, [this] {
        emit errorMessage(unavailableProcedureText());
        emit machineEvent(Error);
    });
}

void OutputCalibrationMachine::receiveVoltage(double kilovolts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (kilovolts > 0.0)
        m_positiveVoltage = kilovolts;
    else
        m_negativeVoltage = kilovolts;
}

} // namespace Commissioning
