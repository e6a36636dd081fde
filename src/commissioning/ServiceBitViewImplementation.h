#pragma once

#include "commissioning/ServiceBitView.h"
#include "commissioning/SinusDiagnoseSettings.h"

#include <memory>

namespace Commissioning {

class DiagnoseSinusMachine;

// A service-bit check box over the sine diagnosis settings it shares with the machine.
// It announces nothing itself: the settings' serviceBitsChanged is connected to setChanged.
class ServiceBitViewImplementation : public ServiceBitView {
    Q_OBJECT
public:
    ServiceBitViewImplementation(QString name, std::shared_ptr<SinusDiagnoseSettings> settings,
                                 std::shared_ptr<DiagnoseSinusMachine> machine, ServiceBit bit,
                                 QObject* parent = nullptr);
    ~ServiceBitViewImplementation() override;

    bool isSet() const override;
    void set(bool value) override;
    QString name() const override;
    ServiceBit bit() const { return m_bit; }

private:
    QString m_name;
    std::shared_ptr<SinusDiagnoseSettings> m_settings;
    std::shared_ptr<DiagnoseSinusMachine> m_machine;
    ServiceBit m_bit;
};

} // namespace Commissioning
