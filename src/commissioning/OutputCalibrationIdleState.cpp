#include "commissioning/OutputCalibrationIdleState.h"

#include "commissioning/SetValuePOF.h"
#include "logging/LoggingCtrl.h"

namespace Commissioning {
namespace OutputCalibration {

void IdleState::onEntry()
{
    // First entry at construction: nothing was taken over.
    if (!handBackInputs(m_pof, m_safety, m_slot))
        return;
    if (m_gains->gainU == 0 && m_gains->gainI == 0)
        return;
    if (!SetValuePOF(m_pof)({ TPOF::CMD_SetGains, m_gains->gainU, m_gains->gainI }))
        KLOG_ERROR2("OutputCalibrationMachine", "IdleState",
                    QStringLiteral("The gains %1/%2 could not be written back").arg(m_gains->gainU).arg(m_gains->gainI));
    *m_gains = SavedGains();
}

} // namespace OutputCalibration
} // namespace Commissioning
