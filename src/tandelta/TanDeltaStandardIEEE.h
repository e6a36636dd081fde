#pragma once

#include "tandelta/TanDeltaStandard.h"

namespace TanDelta {
namespace evaluation {

// Common ground of the IEEE 400.2 tables: the stability, the delta tan delta and the
// mean tan delta, each against its band edges per insulation family; the worst one wins.
class StandardIEEE : public Standard {
public:
    // Band edges of one insulation family as plain tan delta numbers. Two edges (lower,
    // upper) per criterion; four for a delta band with a negative side (a1, a2, b1, b2).
    struct Bands {
        QVector<double> stdDev;
        QVector<double> delta;
        QVector<double> mean;
    };

    bool insulationSupported(eInsulationType insulation) const override;
    eEvaluationResult classify(eInsulationType insulation, const QVector<unsigned short>& levels,
                               const QVector<TanDeltaMeasurementValues>& values) const override;
    QList<eCriterion> getCriterions() const override;
    QVector<double> getTicksForCriterion(eCriterion criterion, eInsulationType insulation) const override;

    // Verdict of the values s (deviation), d (delta) and m (mean) against one family's bands.
    static eEvaluationResult bandTest(const Bands& bands, double s, double d, double m);

protected:
    // Null when the insulation is not evaluated.
    virtual const Bands* bandsFor(eInsulationType insulation) const = 0;
    // Level whose step gives the deviation and the mean.
    virtual int referenceFactor() const = 0;
};

} // namespace evaluation
} // namespace TanDelta
