#include "commissioning/UnitRestore.h"

#include "hvunit/TPOF.h"

namespace Commissioning {

bool UnitRestore::arm(OwedUnitWrites::Values values)
{
    disarm();
    m_id = QUuid::createUuid();
    if (!m_pof->owedWrites()->keep(m_id, values))
        return false;
    m_values = std::move(values);
    return true;
}

void UnitRestore::disarm()
{
    if (m_values)
        m_pof->owedWrites()->drop(m_id);
    m_values.reset();
}

bool UnitRestore::writeBack()
{
    if (!m_values)
        return true;
    OwedUnitWrites* owed = m_pof->owedWrites();
    using Outcome = OwedUnitWrites::Outcome;
    // A stop lost with the link goes first: the output must not come back with the line.
    const Outcome outcome = owed->writeStop() ? owed->write(*m_values) : Outcome::Lost;
    if (outcome == Outcome::Written)
        owed->drop(m_id);
    else
        owed->owe(m_id, outcome);
    m_values.reset();
    // Not known to have failed: the link reads them back once the unit is free.
    return outcome == Outcome::Written || outcome == Outcome::Unsure;
}

} // namespace Commissioning
