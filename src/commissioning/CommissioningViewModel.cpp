#include "commissioning/CommissioningViewModel.h"

#include "logging/LoggingCtrl.h"

namespace Commissioning {

CommissioningViewModel::CommissioningViewModel(QObject* owner, QObject* parent) : QObject(parent), m_owner(owner)
{
}

void CommissioningViewModel::createMachines()
{
    // No machine factory is installed yet: nothing to build, and nothing to crash on.
    KLOG_WARN2("CommissioningViewModel", "createMachines", "No commissioning machines available");
}

void CommissioningViewModel::clearMachines() {}

} // namespace Commissioning
