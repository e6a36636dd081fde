#pragma once

#include "datamodel/TanDeltaTypes.h"

#include <QVector>

namespace TanDelta {
namespace evaluation {

// The eight insulation types, ascending.
QVector<eInsulationType> allInsulationTypes();
// None and the built-in standards, then the installed criteria files' numbers in listing
// order.
QVector<eEvaluationStandard> allEvaluationStandards();
// Whether the id names a standard: a built-in one or a number once given, installed or not.
bool isKnownEvaluationStandard(eEvaluationStandard id);

} // namespace evaluation
} // namespace TanDelta
