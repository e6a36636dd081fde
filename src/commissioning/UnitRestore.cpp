#include "commissioning/UnitRestore.h"

#include "hvunit/TPOF.h"

namespace Commissioning {

bool UnitRestore::writeBack()
{
    if (!m_values)
        return true;
    OwedUnitWrites* owed = m_pof->owedWrites();
    // A stop lost with the link goes first: the output must not come back with the line.
    const bool written = (!owed->stopOwed() || owed->writeOwed()) && owed->write(*m_values);
    if (!written)
        owed->owe(*m_values);
    disarm();
    return written;
}

} // namespace Commissioning
