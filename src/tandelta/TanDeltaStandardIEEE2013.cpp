#include "tandelta/TanDeltaStandardIEEE2013.h"

namespace TanDelta {
namespace evaluation {

namespace {

// Deviation, delta, mean.
const StandardIEEE::Bands kPE{{0.0001, 0.0005}, {0.005, 0.08}, {0.004, 0.05}};
const StandardIEEE::Bands kPILC{{0.0001, 0.0004}, {-0.05, -0.035, 0.01, 0.1}, {0.085, 0.2}};
const StandardIEEE::Bands kEPR{{0.0001, 0.0013}, {0.005, 0.1}, {0.035, 0.12}};

} // namespace

eEvaluationStandard StandardIEEE2013::id() const { return IEEE2013; }

Standard::IndexPair StandardIEEE2013::deltaTanDeltaFactorsIndex(const QVector<unsigned short>& levels) const
{
    QVector<LevelsFactorTag> all{{50, -1}, {100, -1}, {150, -1}};
    if (matchLevels(levels, all))
        return {all[0].index, all[2].index};
    // Only the 0.5 and 1.5 U0 steps still give a delta.
    QVector<LevelsFactorTag> outer{{50, -1}, {150, -1}};
    if (matchLevels(levels, outer))
        return {outer[0].index, outer[1].index};
    return {-1, -1};
}

Standard::FactorPair StandardIEEE2013::deltaTanDeltaFactors() const { return {50, 150}; }

QVector<Standard::LevelsFactorTag> StandardIEEE2013::requiredFactors(eRequiredFactors which) const
{
    if (which == DeltaTanDeltaFactors)
        return {{50, -1}, {150, -1}};
    return {{50, -1}, {100, -1}, {150, -1}};
}

eEvaluationResult StandardIEEE2013::evalPE(double s, double d, double m) const { return bandTest(kPE, s, d, m); }
eEvaluationResult StandardIEEE2013::evalPILC(double s, double d, double m) const { return bandTest(kPILC, s, d, m); }
eEvaluationResult StandardIEEE2013::evalEPR(double s, double d, double m) const { return bandTest(kEPR, s, d, m); }

const StandardIEEE::Bands* StandardIEEE2013::bandsFor(eInsulationType insulation) const
{
    switch (insulation) {
    case PE_XLPE:
    case TRXLPE:
    case PE:
    case XLPE: return &kPE;
    case PILC: return &kPILC;
    case EPR: return &kEPR;
    default: return nullptr;
    }
}

int StandardIEEE2013::referenceFactor() const { return 100; }

} // namespace evaluation
} // namespace TanDelta
