#include "commissioning/CascadeCalibrationMath.h"

#include <cmath>

namespace Commissioning {

namespace {
constexpr double kSpanKV = 34.0;         // 40 kV - 6 kV
constexpr double kOffsetScaleV = 71313.0; // an offset of 1.0 in volts

QString label(bool good) { return good ? QStringLiteral("Gut") : QStringLiteral("Schlecht"); }
// + 0.0 turns an exact -0 (exact readings) into 0.
QString fixed(double v) { return QString::number(v + 0.0, 'f', 4); }

// Offset (in units of the offset scale) that moves the line through (40 kV, at40) by
// the given slope to pass through the origin.
double offsetOf(double slope, double at40)
{
    return (-1.0 / slope) * (at40 / 1e6 - 40.0 * slope) * 1000.0 / kOffsetScaleV;
}
} // namespace

bool inRange(double lo, double x, double hi) { return lo <= x && x <= hi; }

CascadeCalibrationResult calculateCalibration(CascadeCalibrationValues const& v)
{
    CascadeCalibrationResult c;
    c.pGAIN = kSpanKV * 10.0 / (v.p40 - v.p6) * 100000.0;
    const double slopeP = (v.p6 / 1e6 - v.p40 / 1e6) / -kSpanKV;
    c.pOFFSET = offsetOf(slopeP, v.p40);
    c.nGAIN = -kSpanKV * 10.0 / (v.n40 - v.n6) * 100000.0;
    const double slopeN = (std::abs(v.n6) / 1e6 - std::abs(v.n40) / 1e6) / -kSpanKV;
    c.nOFFSET = offsetOf(slopeN, std::abs(v.n40));
    return c;
}

bool goodCalibration(CascadeCalibrationResult const& c)
{
    return inRange(minAcceptableGain, c.pGAIN, maxAcceptableGain) && inRange(minAcceptableGain, c.nGAIN, maxAcceptableGain)
        && std::abs(c.pOFFSET) <= 0.1 && std::abs(c.nOFFSET) <= 0.1;
}

QString describeBadCalibration(CascadeCalibrationResult const& c)
{
    // The label's upper gain bound is exclusive, unlike the check's.
    const auto gainGood = [](double gain) { return minAcceptableGain <= gain && gain < maxAcceptableGain; };
    const auto offsetGood = [](double offset) { return std::abs(offset) <= 0.1; };
    return QStringLiteral("PGain = %1 (%2) & POffset = %3 (%4)\nNGain = %5 (%6) & NOffset = %7 (%8)")
        .arg(fixed(c.pGAIN), label(gainGood(c.pGAIN)), fixed(c.pOFFSET), label(offsetGood(c.pOFFSET)), fixed(c.nGAIN),
             label(gainGood(c.nGAIN)), fixed(c.nOFFSET), label(offsetGood(c.nOFFSET)));
}

bool calibrationConfirmed(CascadeCalibrationValues const& after)
{
    return inRange(5700.0, after.p6 / 1000.0, 6300.0) && inRange(39700.0, after.p40 / 1000.0, 40300.0)
        && inRange(-6300.0, after.n6 / 1000.0, -5700.0) && inRange(-40300.0, after.n40 / 1000.0, -39700.0);
}

unsigned long long toCalibrationWord(double value)
{
    // Halves away from zero; the magnitude's two's complement for a negative value.
    const long long n = std::llround(std::abs(value) * 4096.0);
    const unsigned long long magnitude = static_cast<unsigned long long>(n) & 0xFFFFull;
    return value < 0.0 ? (0x10000ull - magnitude) & 0xFFFFull : magnitude;
}

double fromCalibrationWord(unsigned long long raw)
{
    if (raw < 32768ull)
        return double(raw) / 4096.0;
    return -double((0ull - raw) % 65536ull) / 4096.0;
}

} // namespace Commissioning
