#include "core/ValueConverter.h"

#include "logging/LoggingCtrl.h"

#include <QtGlobal>

#include <cmath>

namespace {
constexpr double kRmsToPeak = 1.4142135623730951;
constexpr double kPeakToRms = 0.707106781186595;
} // namespace

long ValueConverter::convertRMSToPEAK(int mode, long value)
{
    if (!isSineMode(mode))
        return value;
    return static_cast<long>(qRound64(static_cast<double>(value) * kRmsToPeak));
}

long ValueConverter::convertPEAKToRMS(int mode, long value)
{
    if (!isSineMode(mode))
        return value;
    return static_cast<long>(qRound64(static_cast<double>(value) * kPeakToRms));
}

long ValueConverter::divideVoltageByFactor(long value, long factor)
{
    if (factor == 0) {
        KLOG_ERROR2("ValueConverter", "divideVoltageByFactor",
                    QStringLiteral("Voltage factor 0, keeping %1").arg(value));
        return value;
    }
    // 64-bit so that value × 10 cannot overflow for any voltage of the instrument.
    return static_cast<long>((static_cast<qint64>(value) * 10) / static_cast<qint64>(factor));
}

long ValueConverter::multiplyVoltageByFactor(long value, long factor)
{
    return static_cast<long>((static_cast<qint64>(value) * factor) / 10);
}
