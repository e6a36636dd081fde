#include "commissioning/OutputCalibrationIdleState.h"

namespace Commissioning {
namespace OutputCalibration {

void IdleState::onEntry()
{
    // First entry at construction, or a run refused at its start: nothing was taken over.
    if (!handBackInputs(m_pof, m_safety, m_slot))
        return;
    m_restoreGains();
}

} // namespace OutputCalibration
} // namespace Commissioning
