#include "hvunit/HvEnableRule.h"

bool hvEnableAllowed(bool testRunning, const stTBState& testBoost)
{
    constexpr qint32 groundAndFOhm = (1 << 2) | (1 << 1);
    return testRunning
        && (testBoost.powerState == 0 || (testBoost.stateWord & groundAndFOhm) == groundAndFOhm);
}
