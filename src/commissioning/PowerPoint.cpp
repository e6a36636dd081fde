#include "commissioning/PowerPoint.h"

namespace Commissioning {

namespace {
constexpr int kVoltageTolerance = 3;            // units of 100 V
constexpr qint64 kCurrentTolerance = 2000000;   // nA

QString oneDecimal(double v) { return QString::number(v, 'f', 1); }
} // namespace

const std::array<PowerPoint, 8> testPoints { {
    { 50, 81, 46000000 },
    { 100, 79, 45000000 },
    { 150, 76, 44000000 },
    { 200, 73, 41000000 },
    { 250, 66, 37000000 },
    { 300, 58, 32000000 },
    { 350, 47, 25000000 },
    { 400, 25, 11000000 },
} };

bool powerOkay(PowerPoint const& point, CascadeOutputValues const& values)
{
    const CascadeValues& c = values.cascade;
    const int measured = c.voltageA > c.voltageB ? c.voltageA : -int(c.voltageB);
    // Compared as bounds: a failed reading's current would overflow a difference.
    const qint64 current = values.output.current;
    return measured >= point.voltage - kVoltageTolerance && measured <= point.voltage + kVoltageTolerance
        && current >= point.current - kCurrentTolerance && current <= point.current + kCurrentTolerance;
}

unsigned long long powerLevelWord(PowerPoint const& point)
{
    const unsigned long long positive = point.voltage >= 0 ? point.setting : 0;
    const unsigned long long negative = point.voltage < 0 ? point.setting : 0;
    return positive | (negative << 16) | (static_cast<unsigned long long>(quint16(point.voltage)) << 32) | (1ull << 48);
}

QString missedPointText(PowerPoint const& point, CascadeOutputValues const& values)
{
    return QStringLiteral("Konnte %1 kV bei %2(+/-%6) mA nicht erreichen.\nErreicht wurden Kaskade P %3 kV & N %4 kV bei %5 mA")
        .arg(oneDecimal(point.voltage / 10.0), oneDecimal(point.current / 1e6), oneDecimal(values.cascade.voltageA / 10.0),
             oneDecimal(values.cascade.voltageB / 10.0), oneDecimal(values.output.current / 1e6),
             oneDecimal(kCurrentTolerance / 1e6));
}

} // namespace Commissioning
