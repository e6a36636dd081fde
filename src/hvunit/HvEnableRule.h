#pragma once

#include "datamodel/InstrumentTypes.h"

// The HV-enable line may be on only while a test runs and the test boost is either
// absent (power state 0) or reports both its ground and its F-Ohm contact.
bool hvEnableAllowed(bool testRunning, const stTBState& testBoost);
