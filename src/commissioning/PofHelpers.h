#pragma once

#include "commissioning/Command.h"
#include "commissioning/CommissioningValues.h"
#include "datamodel/InstrumentTypes.h"

#include <QList>
#include <QPair>
#include <QString>

#include <array>
#include <optional>
#include <vector>

class TPOF;

// HV-unit operations shared by the commissioning procedures.
namespace Commissioning {

// Sends the commands in order and stops at the first that fails; true when none failed.
bool setPofValues(TPOF* pof, std::vector<Command> const& commands);

// Untranslated key of the first fault found in the state, empty when there is none.
QString describeError(stHVUnitState const& state);

// Output voltage and current; OutputValues::failed() when the read or the state poll failed.
OutputValues pollOutputValues(TPOF& pof);

// The cascades' voltages and currents (parameter 33, top word first);
// CascadeValues::failed() when the read or the state poll failed.
CascadeValues pollCascadeValues(TPOF& pof);

// Output polarity of the DC set-up (parameter 35).
bool flipDcToPositive(TPOF& pof);
bool flipDcToNegative(TPOF& pof);

// Drives the cascades to a level in units of 100 V (negative: the negative cascade).
bool setCascade(TPOF* pof, short level);

// The cascades' calibration words as the unit keeps them (parameters 3, 7, 5, 9); none
// when a read failed or the unit does not know a parameter.
using CalibrationWords = std::array<unsigned long long, 4>;
std::optional<CalibrationWords> getCalibrationWords(TPOF& pof);
// Writes the four words in that order; false at the first the unit did not take.
bool setCalibrationWords(TPOF& pof, CalibrationWords const& words);
// The parameters the words are written to, each with its word, in the order written.
QList<QPair<eHVUnitParamType, quint64>> calibrationParameters(CalibrationWords const& words);
// The same as values (decoded from and encoded to the unit's Q12 words).
std::optional<CascadeCalibrationResult> getCascadeCalibration(TPOF& pof);
bool setCascadeCalibration(TPOF& pof, CascadeCalibrationResult const& calibration);

// Parameter 32 for a ramp level: the cascade settings of the polarity, the level (units
// of 100 V, negative for the negative cascade), 0; 16 bits each from the lowest.
unsigned long long rampLevelWord(bool positive, short level);

} // namespace Commissioning
