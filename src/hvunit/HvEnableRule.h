#pragma once

#include "datamodel/InstrumentTypes.h"

// The HV-enable line may be on only while a test runs and the test boost is either
// absent (power state 0) or reports both its ground and its F-Ohm contact.
bool hvEnableAllowed(bool testRunning, const stTBState& testBoost);

// The safety inputs that must read closed for the line in a test state: every input whose
// opening ends a running test (all but the HV-on key, a push button), except the one a
// start's wait state is waiting for and those read after it.
SafetyCircuitBits hvEnableInputs(States::AppState state);
