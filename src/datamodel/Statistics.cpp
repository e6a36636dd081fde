#include "datamodel/Statistics.h"

#include "db/StatisticId.h"

#include <cmath>

int Statistics::generateBreakdownParam(double percent)
{
    const int value = std::isfinite(percent) ? int(qBound(0.0, std::floor(percent), 100.0)) : 0;
    return StatisticId::make(CategoryBreakdown, value);
}

int Statistics::generateCLoadParam(unsigned long capacitance)
{
    const unsigned long cls = capacitance / CLoadStep;
    return StatisticId::make(CategoryCLoad, int(qMin<unsigned long>(cls, StatisticId::kMaxValue)));
}

int Statistics::getOpmodeParam(OperatingModes::OperatingMode mode)
{
    return StatisticId::make(CategoryOpmode, int(OperatingModes::fromInt(mode)));
}

QString Statistics::getParamName(int id)
{
    if (id >= 0 && id < 0x100) {
        switch (id) {
        case 1:
            return QStringLiteral("Temperature at system start (min/max)");
        default:
            return QStringLiteral("Performance indicator %1").arg(id);
        }
    }
    const int value = StatisticId::value(id);
    switch (StatisticId::category(id)) {
    case CategoryOpmode:
        return QStringLiteral("Tests in mode %1").arg(OperatingModes::getInstance()->getModeName(OperatingModes::fromInt(value)));
    case CategoryOperation: {
        static const char* const names[] = {
            nullptr,
            "Test minutes",
            "Minutes at 0-39 degrees",
            "Minutes at 40-49 degrees",
            "Minutes at 50-59 degrees",
            "Minutes at other temperatures",
            "Minutes below 70 % of maximum voltage",
            "Minutes at 70-80 % of maximum voltage",
            "Minutes at 80-95 % of maximum voltage",
            "Minutes at 95 % of maximum voltage or more",
            "Sine minutes below 20 % load",
            "Sine minutes at 20-40 % load",
            "Sine minutes at 40-60 % load",
            "Sine minutes at 60-80 % load",
            "Sine minutes at 80 % load or more",
        };
        if (value > 0 && value < int(sizeof(names) / sizeof(names[0])))
            return QString::fromLatin1(names[value]);
        break;
    }
    case CategoryCLoad:
        return QStringLiteral("Minutes at %1-%2 nF load").arg(value * CLoadStep).arg((value + 1) * CLoadStep - 1);
    case CategoryDuration: {
        static const char* const names[] = {nullptr, "Tests below 20 min", "Tests of 20-39 min", "Tests of 40-59 min",
                                            "Tests of 60 min", "Tests over 60 min"};
        if (value > 0 && value < int(sizeof(names) / sizeof(names[0])))
            return QString::fromLatin1(names[value]);
        break;
    }
    case CategoryBreakdown:
        return QStringLiteral("Breakdowns at %1 % of test voltage").arg(value);
    default:
        break;
    }
    return QStringLiteral("Parameter 0x%1").arg(id, 0, 16);
}
