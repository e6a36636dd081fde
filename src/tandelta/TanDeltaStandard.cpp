#include "tandelta/TanDeltaStandard.h"

#include "tandelta/TanDeltaStandardIEEE2001.h"
#include "tandelta/TanDeltaStandardIEEE2013.h"
#include "tandelta/TanDeltaStandardNone.h"
#include "tandelta/TanDeltaStandardUser.h"
#include "tandelta/TanDeltaStrings.h"

namespace TanDelta {
namespace evaluation {

QString Standard::name() const { return strings::evaluationStandardToText(id(), nullptr); }

bool Standard::frequencySupported(unsigned int frequency) const
{
    return frequency == 0 || frequency == AutoFrequency;
}

unsigned int Standard::autoFrequency() const { return AutoFrequency; }

std::optional<qint64> Standard::deltaTanDelta(const QVector<unsigned short>& levels,
                                              const QVector<TanDeltaMeasurementValues>& values) const
{
    const IndexPair idx = deltaTanDeltaFactorsIndex(levels);
    const int i = idx.first;
    const int j = idx.second;
    if (i < 0 || j < 0 || i >= j || j >= values.size())
        return std::nullopt;
    const quint32 lower = values.at(i).avgTanDelta;
    const quint32 higher = values.at(j).avgTanDelta;
    if (lower == TanDeltaNone || higher == TanDeltaNone)
        return std::nullopt;
    return static_cast<qint64>(higher) - static_cast<qint64>(lower);
}

bool Standard::voltageFactorsSupported(const QVector<unsigned short>& levels, eRequiredFactors which) const
{
    QVector<LevelsFactorTag> tags = requiredFactors(which);
    return matchLevels(levels, tags);
}

int Standard::indexU0(const QVector<unsigned short>& levels) const
{
    for (const eRequiredFactors which : {AllFactors, DeltaTanDeltaFactors}) {
        QVector<LevelsFactorTag> tags = requiredFactors(which);
        if (!matchLevels(levels, tags))
            continue;
        const int index = indexOfFactor(tags, 100);
        if (index >= 0)
            return index;
    }
    return levels.indexOf(100);
}

bool Standard::matchLevels(const QVector<unsigned short>& levels, QVector<LevelsFactorTag>& tags)
{
    return tags.size() <= levels.size() &&
           testSupportedFactors(levels.cbegin(), levels.cend(), tags.begin(), tags.end());
}

int Standard::indexOfFactor(const QVector<LevelsFactorTag>& tags, int factor)
{
    for (const LevelsFactorTag& tag : tags) {
        if (tag.factor == factor)
            return tag.index;
    }
    return -1;
}

QSharedPointer<Standard> Standard::makeShared(eEvaluationStandard id)
{
    switch (id) {
    case IEEE2001: return QSharedPointer<StandardIEEE2001>::create();
    case IEEE2013: return QSharedPointer<StandardIEEE2013>::create();
    default: break;
    }
    if (id >= UserStandardBase) {
        // Removed or changed since, its limits are still those the number was given for.
        auto user = StandardUser::numbered(id);
        if (user->id() == id)
            return user;
    }
    return QSharedPointer<StandardNone>::create();
}

bool testSupportedFactors(QVector<unsigned short>::const_iterator levelsBegin,
                          QVector<unsigned short>::const_iterator levelsEnd,
                          QVector<Standard::LevelsFactorTag>::iterator tagsBegin,
                          QVector<Standard::LevelsFactorTag>::iterator tagsEnd)
{
    if (tagsBegin == tagsEnd)
        return true;

    auto start = levelsBegin;
    while (start != levelsEnd && static_cast<int>(*start) != tagsBegin->factor)
        ++start;
    if (start == levelsEnd)
        return false;

    auto current = tagsBegin;
    int accepted = *start;
    for (auto it = start; it != levelsEnd && current != tagsEnd; ++it) {
        const int x = *it;
        if (x > accepted && x <= current->factor) {
            accepted = x;
        } else {
            // A fall, a repeat or an overshoot of the wanted level: start over.
            current->index = -1;
            current = tagsBegin;
        }
        if (x == current->factor) {
            current->index = static_cast<int>(it - levelsBegin);
            accepted = x;
            ++current;
        }
    }

    for (auto tag = tagsBegin; tag != tagsEnd; ++tag) {
        if (tag->index < 0)
            return false;
    }
    return true;
}

bool testVoltageLevels(const QVector<unsigned short>& levels, const QVector<TanDeltaMeasurementValues>& values,
                       QVector<Standard::LevelsFactorTag>& tags)
{
    const int n = qMin(levels.size(), values.size());
    if (tags.size() > n)
        return false;
    return testSupportedFactors(levels.cbegin(), levels.cbegin() + n, tags.begin(), tags.end());
}

} // namespace evaluation
} // namespace TanDelta
