#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/TanDeltaTypes.h"

#include <QList>
#include <QPair>
#include <QSharedPointer>
#include <QString>
#include <QVector>

#include <optional>

namespace TanDelta {
namespace evaluation {

// An evaluation standard turns the per-level tan delta results of one phase into a
// verdict and supplies the band edges the result views draw. Immutable; always made
// afresh through makeShared.
class Standard {
public:
    enum eRequiredFactors : int {
        DeltaTanDeltaFactors = 0,
        AllFactors = 1,
    };

    // One required level (U0 factor x 100) and its position in the test's levels.
    struct LevelsFactorTag {
        int factor = 0;
        int index = -1;
    };

    using IndexPair = QPair<int, int>;
    using FactorPair = QPair<int, int>;

    // Test frequency (mHz) of a tan delta test whose frequency is automatic.
    static constexpr unsigned int AutoFrequency = 100;

    virtual ~Standard() = default;

    virtual eEvaluationStandard id() const = 0;
    virtual bool insulationSupported(eInsulationType insulation) const = 0;
    virtual eEvaluationResult classify(eInsulationType insulation, const QVector<unsigned short>& levels,
                                       const QVector<TanDeltaMeasurementValues>& values) const = 0;
    // Positions of the lower and the higher delta tan delta level, (-1, -1) when not found.
    virtual IndexPair deltaTanDeltaFactorsIndex(const QVector<unsigned short>& levels) const = 0;
    virtual FactorPair deltaTanDeltaFactors() const = 0;
    virtual QList<eCriterion> getCriterions() const = 0;
    // Band edges as plain tan delta numbers, ascending; empty when not evaluated.
    virtual QVector<double> getTicksForCriterion(eCriterion criterion, eInsulationType insulation) const = 0;
    // Ascending by factor, every index -1.
    virtual QVector<LevelsFactorTag> requiredFactors(eRequiredFactors which) const = 0;

    QString name() const;
    bool frequencySupported(unsigned int frequency) const;
    unsigned int autoFrequency() const;
    // Mean at the higher delta level minus the mean at the lower one, in millionths.
    std::optional<qint64> deltaTanDelta(const QVector<unsigned short>& levels,
                                        const QVector<TanDeltaMeasurementValues>& values) const;
    bool voltageFactorsSupported(const QVector<unsigned short>& levels, eRequiredFactors which) const;
    // Position of the 1.0 U0 step, or -1.
    int indexU0(const QVector<unsigned short>& levels) const;

    // Any id that names no standard gives StandardNone.
    static QSharedPointer<Standard> makeShared(eEvaluationStandard id);

    // Magnitude in millionths as a plain number; kept as one product so that the
    // comparisons against the edges are the same everywhere.
    static double plain(qint64 millionths) { return static_cast<double>(millionths) * 1e-6; }

protected:
    // The level matcher over all levels; false at once when there are more tags than levels.
    static bool matchLevels(const QVector<unsigned short>& levels, QVector<LevelsFactorTag>& tags);
    // Index found for a factor, -1 when the factor is not among the tags.
    static int indexOfFactor(const QVector<LevelsFactorTag>& tags, int factor);
};

// Finds the tags, in ascending order, inside one strictly rising stretch of the levels
// that starts at the first tag's level. Fills the tags' indexes.
bool testSupportedFactors(QVector<unsigned short>::const_iterator levelsBegin,
                          QVector<unsigned short>::const_iterator levelsEnd,
                          QVector<Standard::LevelsFactorTag>::iterator tagsBegin,
                          QVector<Standard::LevelsFactorTag>::iterator tagsEnd);

// The matcher over the first min(levels, values) entries.
bool testVoltageLevels(const QVector<unsigned short>& levels, const QVector<TanDeltaMeasurementValues>& values,
                       QVector<Standard::LevelsFactorTag>& tags);

} // namespace evaluation
} // namespace TanDelta
