#include "fakes/SafetyLines.h"

#include "hvunit/SCPins.h"

QList<int> safetyInputLines()
{
    QList<int> lines;
    for (const SCPin& pin : SCPins)
        lines << pin.line;
    return lines;
}

int safetyLineOfBit(int bit)
{
    for (const SCPin& pin : SCPins)
        if (pin.bit == bit)
            return pin.line;
    return -1;
}
