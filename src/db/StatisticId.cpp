#include "db/StatisticId.h"

#include "logging/LoggingCtrl.h"

int StatisticId::make(int category, int value)
{
    if (value < 0 || value > kMaxValue) {
        const int clamped = value < 0 ? 0 : kMaxValue;
        KLOG_WARN2("StatisticId", "make",
                   QStringLiteral("Statistics value %1 of category %2 out of range, counted as %3")
                       .arg(value)
                       .arg(category)
                       .arg(clamped));
        value = clamped;
    }
    return (category << 8) | value;
}
