#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QString>

#include <bitset>

class TPOF;

// Error texts of the procedures' shared transitions.
namespace Commissioning {

// The fault the state names (describeError), in the operator's language (context
// "ErrorMessages"); the raw state word where it names none.
QString describeFault(stHVUnitState const& state);

// "Fehlgeschlagene Lastermittlung: " and the fault of the state.
QString loadDetectionFailedText(stHVUnitState const& state);

// The fault a running procedure stops on, empty when the state is none: a lost link,
// the output switched off (with the HV source's own state and error read from the
// unit), a fault bit while the output is on.
QString hvFaultText(TPOF* pof, stHVUnitState const& state);

// The first open safety input, empty when all are closed.
QString safetyFaultText(std::bitset<10> const& bits);

} // namespace Commissioning
