#pragma once

#include "datamodel/InstrumentTypes.h"
#include "uiapi/Measurement.h"

#include <QString>

// Texts of a finished test for the result and history pages: the verdict, the line
// saying why the test ended and the first open safety input. Stateless; translated
// with the catalogue loaded at the time of the call.
namespace Measurement {
namespace strings {

QString testResultToText(Measurement::eGuiTestResult result);
QString testResultToText(eTestResult result);
QString testResultToDetailText(eTestResult result, stFaultValues faultValues);
// Bit n of the state is safety input n, set when closed; empty when inputs 0..8 are closed.
QString safetyCircuitStateText(unsigned long long state);

} // namespace strings
} // namespace Measurement
