#pragma once

#include "commissioning/SinusDiagnoseSettings.h"

#include <atomic>

namespace Commissioning {

// The sine diagnosis settings: written from the page's thread, read by the machine's,
// so each value is atomic. A change is announced once; writing the same value is quiet.
class ServiceBitHandler : public SinusDiagnoseSettings {
    Q_OBJECT
public:
    using SinusDiagnoseSettings::SinusDiagnoseSettings;

    unsigned long long serviceBits() const override { return m_bits.load(); }
    void takeServiceBits(unsigned long long const& bits) override;
    unsigned long long frequency() const override { return m_frequency.load(); }
    unsigned long long Voltage() const override { return m_voltage.load(); }
    void takeFrequency(unsigned long long const& frequency) override;
    void takeVoltage(unsigned long long const& voltage) override;

private:
    std::atomic<unsigned long long> m_bits { 0 };
    std::atomic<unsigned long long> m_frequency { 0 };
    std::atomic<unsigned long long> m_voltage { 0 };
};

} // namespace Commissioning
