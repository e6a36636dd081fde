#include "commissioning/CommissioningViewModel.h"

#include "logging/LoggingCtrl.h"

namespace Commissioning {

CommissioningViewModel::CommissioningViewModel(QObject* owner, QObject* parent) : QObject(parent), m_owner(owner)
{
}

void CommissioningViewModel::takeCalibrationMachinesFactory(std::function<MachineBundle()> factory)
{
    m_factory = std::move(factory);
}

void CommissioningViewModel::createMachines()
{
    // Without a factory there is nothing to build; calling an empty one would end the program.
    if (!m_factory) {
        KLOG_WARN2("CommissioningViewModel", "createMachines", "No commissioning machines available");
        return;
    }
    m_machines = m_factory();
}

void CommissioningViewModel::clearMachines() { m_machines = MachineBundle(); }

} // namespace Commissioning
