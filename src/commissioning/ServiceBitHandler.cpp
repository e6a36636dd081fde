#include "commissioning/ServiceBitHandler.h"

namespace Commissioning {

void ServiceBitHandler::takeServiceBits(unsigned long long const& bits)
{
    if (m_bits.exchange(bits) != bits)
        emit serviceBitsChanged();
}

void ServiceBitHandler::takeFrequency(unsigned long long const& frequency)
{
    if (m_frequency.exchange(frequency) != frequency)
        emit frequencyChanged();
}

void ServiceBitHandler::takeVoltage(unsigned long long const& voltage)
{
    if (m_voltage.exchange(voltage) != voltage)
        emit voltageChanged();
}

} // namespace Commissioning
