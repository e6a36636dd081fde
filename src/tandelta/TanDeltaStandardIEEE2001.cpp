#include "tandelta/TanDeltaStandardIEEE2001.h"

namespace TanDelta {
namespace evaluation {

namespace {

// Deviation, delta, mean.
const StandardIEEE::Bands kPE_XLPE{{0.0001, 0.0005}, {0.0006, 0.001}, {0.0012, 0.002}};
const StandardIEEE::Bands kTRXLPE{{0.0005, 0.001}, {0.0015, 0.003}, {0.008, 0.01}};
const StandardIEEE::Bands kPILC{{0.0005, 0.001}, {-0.05, -0.02, 0.02, 0.05}, {0.05, 0.1}};
const StandardIEEE::Bands kEPR{{0.0005, 0.001}, {0.004, 0.01}, {0.01, 0.08}};

} // namespace

eEvaluationStandard StandardIEEE2001::id() const { return IEEE2001; }

Standard::IndexPair StandardIEEE2001::deltaTanDeltaFactorsIndex(const QVector<unsigned short>& levels) const
{
    QVector<LevelsFactorTag> tags{{100, -1}, {200, -1}};
    if (matchLevels(levels, tags))
        return {tags[0].index, tags[1].index};
    return {-1, -1};
}

Standard::FactorPair StandardIEEE2001::deltaTanDeltaFactors() const { return {100, 200}; }

QVector<Standard::LevelsFactorTag> StandardIEEE2001::requiredFactors(eRequiredFactors) const
{
    return {{100, -1}, {200, -1}};
}

eEvaluationResult StandardIEEE2001::evalPE_XLPE(double s, double d, double m) const { return bandTest(kPE_XLPE, s, d, m); }
eEvaluationResult StandardIEEE2001::evalTRXLPE(double s, double d, double m) const { return bandTest(kTRXLPE, s, d, m); }
eEvaluationResult StandardIEEE2001::evalPILC(double s, double d, double m) const { return bandTest(kPILC, s, d, m); }
eEvaluationResult StandardIEEE2001::evalEPR(double s, double d, double m) const { return bandTest(kEPR, s, d, m); }

const StandardIEEE::Bands* StandardIEEE2001::bandsFor(eInsulationType insulation) const
{
    switch (insulation) {
    case PE_XLPE:
    case PE:
    case XLPE: return &kPE_XLPE;
    case TRXLPE: return &kTRXLPE;
    case PILC: return &kPILC;
    case EPR: return &kEPR;
    default: return nullptr;
    }
}

int StandardIEEE2001::referenceFactor() const { return 200; }

} // namespace evaluation
} // namespace TanDelta
