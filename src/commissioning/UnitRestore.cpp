#include "commissioning/UnitRestore.h"

#include "hvunit/TPOF.h"
#include "logging/LoggingCtrl.h"

namespace Commissioning {

UnitRestore::UnitRestore(TPOF* pof, std::function<bool()> write, QObject* machine)
    : QObject(machine), m_write(std::move(write))
{
    // Queued: the link tells this from inside its poll, where no new transaction belongs.
    connect(pof, &TPOF::sendAppEvent, this, &UnitRestore::linkEvent, Qt::QueuedConnection);
}

bool UnitRestore::writeBack()
{
    if (!m_pending)
        return true;
    if (!m_write())
        return false;
    m_pending = false;
    return true;
}

void UnitRestore::linkEvent(eAppEvent event)
{
    if (event != eAppEvent::HVUnitInitialized || !m_pending)
        return;
    // Nothing may escape into the event loop; the next report of the link tries again.
    bool written = false;
    try {
        written = writeBack();
    } catch (...) {
        KLOG_ERROR2("UnitRestore", "linkEvent", "Restoring the HV unit's settings failed with an exception");
    }
    if (written) {
        KLOG_INFO2("UnitRestore", "linkEvent", "The HV unit's settings were restored once the link was up again");
        emit restored();
    }
}

} // namespace Commissioning
