#pragma once

#include <QObject>

namespace Commissioning {

// Number of a service bit of the sine diagnosis (0 to 3 and 8 are in use).
using ServiceBit = int;

// True when bit number bit is set in bits; false for a number outside the word.
bool isBitEnabled(unsigned long long const& bits, ServiceBit const& bit);

// Settings of the sine diagnosis that the page edits while the machine runs: the
// service-bit word, the frequency (thousandths of Hz) and the voltage (millionths of kV).
class SinusDiagnoseSettings : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual unsigned long long serviceBits() const = 0;
    virtual void takeServiceBits(unsigned long long const& bits) = 0;
    virtual unsigned long long frequency() const = 0;
    virtual unsigned long long Voltage() const = 0;
    virtual void takeFrequency(unsigned long long const& frequency) = 0;
    virtual void takeVoltage(unsigned long long const& voltage) = 0;

signals:
    void serviceBitsChanged();
    void frequencyChanged();
    void voltageChanged();
};

} // namespace Commissioning
