#pragma once

// Tan delta enumerations shared by the data model, the test worker, the evaluation
// standards and the views. Header only, no dependencies beyond Qt Core.

#include <QMetaType>

namespace TanDelta {
namespace evaluation {

// Id of an evaluation standard; from 1000 on the numbers given to imported criteria files,
// in the order they were given, each for good.
enum eEvaluationStandard : int {
    None = 0,
    IEEE2001 = 1,
    IEEE2013 = 2,
    UserStandardBase = 1000,
};

enum eInsulationType : int {
    PE_XLPE = 0,
    PILC = 1,
    Mixed = 2,
    EPR = 3,
    PVC = 4,
    TRXLPE = 5,
    PE = 6,
    XLPE = 7,
};

enum eCriterion : int {
    AvgTanDelta = 0,
    StdDevTanDelta = 1,
    DeltaTanDelta = 2,
};

// Among 0 to 2 a smaller value is a worse condition. -1: no criterion gave a verdict.
enum eEvaluationResult : int {
    ActionRequired = 0,
    FurtherStudyAdvised = 1,
    NoActionRequired = 2,
    NoData = 3,
    NoEvaluation = 4,
    EvaluationNotPossible = 5,
    PhaseNotMeasured = 6,
};
constexpr eEvaluationResult NoVerdict = static_cast<eEvaluationResult>(-1);

// Single bits, so that a set of reasons travels as one unsigned code.
enum eEvaluationError : unsigned int {
    NoError = 0,
    VoltageLevelsNotSupported = 1,
    InsulationNotSupported = 2,
    FrequencyNotSupported = 4,
};

// The n-th user standard number (n from 0).
inline eEvaluationStandard userStandardId(int n) { return static_cast<eEvaluationStandard>(UserStandardBase + n); }

} // namespace evaluation
} // namespace TanDelta

Q_DECLARE_METATYPE(TanDelta::evaluation::eEvaluationStandard)
Q_DECLARE_METATYPE(TanDelta::evaluation::eInsulationType)
Q_DECLARE_METATYPE(TanDelta::evaluation::eCriterion)
Q_DECLARE_METATYPE(TanDelta::evaluation::eEvaluationResult)
Q_DECLARE_METATYPE(TanDelta::evaluation::eEvaluationError)
