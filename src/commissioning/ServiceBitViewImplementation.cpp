#include "commissioning/ServiceBitViewImplementation.h"

#include "commissioning/DiagnoseSinusMachine.h"

namespace Commissioning {

ServiceBitViewImplementation::ServiceBitViewImplementation(QString name,
                                                           std::shared_ptr<SinusDiagnoseSettings> settings,
                                                           std::shared_ptr<DiagnoseSinusMachine> machine,
                                                           ServiceBit bit, QObject* parent)
    : ServiceBitView(parent), m_name(std::move(name)), m_settings(std::move(settings)), m_machine(std::move(machine)),
      m_bit(bit)
{
}

ServiceBitViewImplementation::~ServiceBitViewImplementation() = default;

bool ServiceBitViewImplementation::isSet() const
{
    return m_settings && !isBitEnabled(m_settings->serviceBits(), m_bit);
}

void ServiceBitViewImplementation::set(bool value)
{
    if (!m_settings || m_bit < 0 || m_bit >= 64 || isSet() == value)
        return;
    m_settings->takeServiceBits(m_settings->serviceBits() ^ (1ULL << m_bit));
}

QString ServiceBitViewImplementation::name() const { return m_name; }

} // namespace Commissioning
