#include "hvunit/HvEnableRule.h"

#include "uiapi/SafetyPin.h"

bool hvEnableAllowed(bool testRunning, const stTBState& testBoost)
{
    constexpr qint32 groundAndFOhm = (1 << 2) | (1 << 1);
    return testRunning
        && (testBoost.powerState == 0 || (testBoost.stateWord & groundAndFOhm) == groundAndFOhm);
}

SafetyCircuitBits hvEnableInputs(States::AppState state)
{
    // A reading ends at the first open input: the awaited one hides those after it.
    int awaited = SafetyPin_HvOn;
    if (state == States::InitTest || state == States::WaitHVFree)
        awaited = SafetyPin_HVClearanceCtrl;
    else if (state == States::WaitExtEmergOff)
        awaited = SafetyPin_ExtEmergencyOff;
    return SafetyCircuitBits((1u << awaited) - 1);
}
