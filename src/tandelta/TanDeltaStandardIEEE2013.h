#pragma once

#include "tandelta/TanDeltaStandardIEEE.h"

namespace TanDelta {
namespace evaluation {

// IEEE 400.2 at 1.5 U0: deviation and mean at 1.0 U0, delta TD(1.5 U0) - TD(0.5 U0).
class StandardIEEE2013 : public StandardIEEE {
public:
    eEvaluationStandard id() const override;
    IndexPair deltaTanDeltaFactorsIndex(const QVector<unsigned short>& levels) const override;
    FactorPair deltaTanDeltaFactors() const override;
    QVector<LevelsFactorTag> requiredFactors(eRequiredFactors which) const override;

    eEvaluationResult evalPE(double s, double d, double m) const;
    eEvaluationResult evalPILC(double s, double d, double m) const;
    eEvaluationResult evalEPR(double s, double d, double m) const;

protected:
    const Bands* bandsFor(eInsulationType insulation) const override;
    int referenceFactor() const override;
};

} // namespace evaluation
} // namespace TanDelta
