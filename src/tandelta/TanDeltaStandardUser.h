#pragma once

#include "tandelta/TanDeltaStandard.h"
#include "tandelta/TanDeltaStandardNumbers.h"

#include <QHash>
#include <QJsonObject>

namespace TanDelta {
namespace evaluation {

// A standard read from a criteria file: per insulation type the criteria to apply, the
// levels each one uses and its band edges. Its limits are those its number was given
// for, whether the file is still installed or not.
class StandardUser : public Standard {
public:
    struct Criterion {
        QList<int> ats;       // levels, U0 factor x 100
        QList<double> bounds; // plain tan delta numbers
        eCriterion idx = AvgTanDelta;
    };

    class Item {
    public:
        Item() = default;
        ~Item();
        Q_DISABLE_COPY(Item)
        QHash<eCriterion, Criterion*> criteria;
    };

    // The n-th file of the listing.
    explicit StandardUser(int fileIndex);
    // The standard the number stands for; id None when it was never given.
    static QSharedPointer<StandardUser> numbered(eEvaluationStandard id);
    ~StandardUser() override;
    Q_DISABLE_COPY(StandardUser)

    eEvaluationStandard id() const override;
    // The loaded name; hides the name looked up by id.
    QString name() const;
    QString pathToFile() const;

    bool insulationSupported(eInsulationType insulation) const override;
    eEvaluationResult classify(eInsulationType insulation, const QVector<unsigned short>& levels,
                               const QVector<TanDeltaMeasurementValues>& values) const override;
    IndexPair deltaTanDeltaFactorsIndex(const QVector<unsigned short>& levels) const override;
    FactorPair deltaTanDeltaFactors() const override;
    QList<eCriterion> getCriterions() const override;
    QVector<double> getTicksForCriterion(eCriterion criterion, eInsulationType insulation) const override;
    QVector<LevelsFactorTag> requiredFactors(eRequiredFactors which) const override;

    // Verdict of one value against two edges (lower, upper) or four (a1, a2, b1, b2);
    // -1 for any other number of edges.
    static eEvaluationResult bandVerdict(double value, const QList<double>& bounds);
    // The insulation type an item names: its display text, English or current, or the
    // type's own name, case ignored. -1 when none fits.
    static int insulationFromText(const QString& text);

private:
    explicit StandardUser(const NumberedStandard& standard);
    void loadNumbered(const NumberedStandard& standard);
    // fallbackName: the name when the file names none.
    void load(const QJsonObject& top, const QString& fallbackName);

    eEvaluationStandard m_id = None;
    QString m_name;
    QString m_pathToFile;
    QHash<eInsulationType, Item*> m_items;
};

} // namespace evaluation
} // namespace TanDelta
