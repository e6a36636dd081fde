#include "core/DutyCycleStrings.h"

#include <QCoreApplication>

QString strings::dutyCycleToName(int dutyCycle)
{
    static const double onOff[5][2] = {{1, 4}, {1, 3}, {1, 2}, {1.5, 0.5}, {0.5, 1}};
    if (dutyCycle < 0 || dutyCycle > 4)
        return QCoreApplication::translate("Dialog", "Unknown");
    return QStringLiteral("%L1:%L2").arg(onOff[dutyCycle][0]).arg(onOff[dutyCycle][1]);
}
