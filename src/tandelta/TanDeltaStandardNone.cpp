#include "tandelta/TanDeltaStandardNone.h"

namespace TanDelta {
namespace evaluation {

eEvaluationStandard StandardNone::id() const { return None; }

bool StandardNone::insulationSupported(eInsulationType) const { return true; }

eEvaluationResult StandardNone::classify(eInsulationType, const QVector<unsigned short>&,
                                         const QVector<TanDeltaMeasurementValues>&) const
{
    return NoEvaluation;
}

Standard::IndexPair StandardNone::deltaTanDeltaFactorsIndex(const QVector<unsigned short>&) const
{
    return {-1, -1};
}

Standard::FactorPair StandardNone::deltaTanDeltaFactors() const { return {-1, -1}; }

QList<eCriterion> StandardNone::getCriterions() const { return {}; }

QVector<double> StandardNone::getTicksForCriterion(eCriterion, eInsulationType) const { return {}; }

QVector<Standard::LevelsFactorTag> StandardNone::requiredFactors(eRequiredFactors) const { return {}; }

} // namespace evaluation
} // namespace TanDelta
