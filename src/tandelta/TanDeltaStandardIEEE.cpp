#include "tandelta/TanDeltaStandardIEEE.h"

namespace TanDelta {
namespace evaluation {

namespace {

bool inside(double v, double lo, double hi) { return lo <= v && v <= hi; }

eEvaluationResult twoEdgeTest(const StandardIEEE::Bands& b, double s, double d, double m)
{
    if (s < b.stdDev[0] && d < b.delta[0] && m < b.mean[0])
        return NoActionRequired;
    if (s > b.stdDev[1] || d > b.delta[1] || m > b.mean[1])
        return ActionRequired;
    if (inside(s, b.stdDev[0], b.stdDev[1]) || inside(d, b.delta[0], b.delta[1]) || inside(m, b.mean[0], b.mean[1]))
        return FurtherStudyAdvised;
    return NoEvaluation;
}

// The delta may fall with rising voltage: a good band between a2 and b1, edges included.
eEvaluationResult fourEdgeTest(const StandardIEEE::Bands& b, double s, double d, double m)
{
    const double a1 = b.delta[0];
    const double a2 = b.delta[1];
    const double b1 = b.delta[2];
    const double b2 = b.delta[3];
    if (s < b.stdDev[0] && inside(d, a2, b1) && m < b.mean[0])
        return NoActionRequired;
    if (s > b.stdDev[1] || d < a1 || d > b2 || m > b.mean[1])
        return ActionRequired;
    if (inside(s, b.stdDev[0], b.stdDev[1]) || inside(d, b1, b2) || inside(d, a1, a2) ||
        inside(m, b.mean[0], b.mean[1]))
        return FurtherStudyAdvised;
    return NoEvaluation;
}

} // namespace

bool StandardIEEE::insulationSupported(eInsulationType insulation) const { return bandsFor(insulation) != nullptr; }

eEvaluationResult StandardIEEE::classify(eInsulationType insulation, const QVector<unsigned short>& levels,
                                         const QVector<TanDeltaMeasurementValues>& values) const
{
    if (!insulationSupported(insulation))
        return EvaluationNotPossible;
    QVector<LevelsFactorTag> tags = requiredFactors(AllFactors);
    if (!testVoltageLevels(levels, values, tags))
        return EvaluationNotPossible;

    const FactorPair deltaFactors = deltaTanDeltaFactors();
    const int r = indexOfFactor(tags, referenceFactor());
    const int l = indexOfFactor(tags, deltaFactors.first);
    const int h = indexOfFactor(tags, deltaFactors.second);
    if (r < 0 || l < 0 || h < 0)
        return EvaluationNotPossible;

    // A step without a valid value would count as a tan delta of 1000 and condemn the cable.
    for (const int i : {r, l, h}) {
        if (values.at(i).avgTanDelta == TanDeltaNone)
            return EvaluationNotPossible;
    }

    const double s = plain(static_cast<qint64>(values.at(r).stdDevTanDelta));
    const double m = plain(static_cast<qint64>(values.at(r).avgTanDelta));
    const double d =
        plain(static_cast<qint64>(values.at(h).avgTanDelta) - static_cast<qint64>(values.at(l).avgTanDelta));
    return bandTest(*bandsFor(insulation), s, d, m);
}

QList<eCriterion> StandardIEEE::getCriterions() const { return {AvgTanDelta, StdDevTanDelta, DeltaTanDelta}; }

QVector<double> StandardIEEE::getTicksForCriterion(eCriterion criterion, eInsulationType insulation) const
{
    const Bands* bands = bandsFor(insulation);
    if (!bands)
        return {};
    switch (criterion) {
    case StdDevTanDelta: return bands->stdDev;
    case DeltaTanDelta: return bands->delta;
    default: return bands->mean;
    }
}

eEvaluationResult StandardIEEE::bandTest(const Bands& bands, double s, double d, double m)
{
    if (bands.stdDev.size() != 2 || bands.mean.size() != 2)
        return NoEvaluation;
    if (bands.delta.size() == 4)
        return fourEdgeTest(bands, s, d, m);
    if (bands.delta.size() == 2)
        return twoEdgeTest(bands, s, d, m);
    return NoEvaluation;
}

} // namespace evaluation
} // namespace TanDelta
