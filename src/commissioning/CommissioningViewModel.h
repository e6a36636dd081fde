#pragma once

#include "commissioning/MachineBundle.h"

#include <QObject>

#include <functional>

namespace Commissioning {

// The view model of the commissioning pages. It owns the ten machines while
// commissioning is enabled; they are built by the factory the application hands in.
class CommissioningViewModel : public QObject {
    Q_OBJECT
public:
    // owner is the root view model (not owned; the user interface sits above this layer).
    explicit CommissioningViewModel(QObject* owner, QObject* parent = nullptr);

    QObject* owner() const { return m_owner; }
    const MachineBundle& machines() const { return m_machines; }

    void takeCalibrationMachinesFactory(std::function<MachineBundle()> factory);

public slots:
    void createMachines();
    void clearMachines();

private:
    QObject* m_owner;
    std::function<MachineBundle()> m_factory;
    MachineBundle m_machines;
};

} // namespace Commissioning
