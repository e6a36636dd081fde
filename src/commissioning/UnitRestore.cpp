#include "commissioning/UnitRestore.h"

#include "hvunit/TPOF.h"

namespace Commissioning {

void UnitRestore::arm(QString const& what, OwedUnitWrites::Write write)
{
    m_what = what;
    m_write = std::move(write);
}

void UnitRestore::disarm()
{
    m_write = nullptr;
}

bool UnitRestore::writeBack()
{
    if (!m_write)
        return true;
    OwedUnitWrites* owed = m_pof->owedWrites();
    // A stop lost with the link goes first: the output must not come back with the line.
    const bool written = (!owed->stopOwed() || owed->writeOwed()) && m_write(*m_pof);
    if (!written)
        owed->owe(m_what, m_write);
    disarm();
    return written;
}

} // namespace Commissioning
