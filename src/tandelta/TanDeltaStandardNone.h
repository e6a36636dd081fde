#pragma once

#include "tandelta/TanDeltaStandard.h"

namespace TanDelta {
namespace evaluation {

// No evaluation: accepts every insulation and every set of levels.
class StandardNone : public Standard {
public:
    eEvaluationStandard id() const override;
    bool insulationSupported(eInsulationType insulation) const override;
    eEvaluationResult classify(eInsulationType insulation, const QVector<unsigned short>& levels,
                               const QVector<TanDeltaMeasurementValues>& values) const override;
    IndexPair deltaTanDeltaFactorsIndex(const QVector<unsigned short>& levels) const override;
    FactorPair deltaTanDeltaFactors() const override;
    QList<eCriterion> getCriterions() const override;
    QVector<double> getTicksForCriterion(eCriterion criterion, eInsulationType insulation) const override;
    QVector<LevelsFactorTag> requiredFactors(eRequiredFactors which) const override;
};

} // namespace evaluation
} // namespace TanDelta
