#include "commissioning/BurnInMachine.h"

#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

BurnInMachine::BurnInMachine(TPOF* pof, TCheckSafetyCircuit* safety) : m_pof(pof), m_safety(safety)
{
    buildUnavailableProcedure<Event>(this, [this] { emit error(unavailableProcedureText()); });
}

void BurnInMachine::setDurations(int const& minutesSinus, int const& minutesDC)
{
    m_sinusMs.store(qint64(minutesSinus) * 60000);
    m_dcMs.store(qint64(minutesDC) * 60000);
}

} // namespace Commissioning
