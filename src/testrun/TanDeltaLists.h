#pragma once

#include "datamodel/TanDeltaTypes.h"

#include <QVector>

namespace TanDelta {
namespace evaluation {

// The eight insulation types, ascending.
QVector<eInsulationType> allInsulationTypes();
// None and the built-in standards, then one id per criteria file in listing order.
QVector<eEvaluationStandard> allEvaluationStandards();

} // namespace evaluation
} // namespace TanDelta
