#include "tandelta/TanDeltaStandardUser.h"

#include "tandelta/TanDeltaCriteriaFolder.h"
#include "tandelta/TanDeltaStrings.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

namespace TanDelta {
namespace evaluation {

namespace {

// Names the writing program may use besides the display texts: the English display
// texts and the types' own names (the shipped files say "TRXLPE" and "MIXED").
const char* const kEnglishNames[] = {"PE/XLPE", "PILC", "Mixed", "EPR", "PVC", "TR-XLPE", "PE", "XLPE"};
const char* const kTypeNames[] = {"PE_XLPE", "PILC", "Mixed", "EPR", "PVC", "TRXLPE", "PE", "XLPE"};
constexpr int kTypeCount = 8;

int worse(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return qMin(a, b);
}

} // namespace

StandardUser::Item::~Item() { qDeleteAll(criteria); }

StandardUser::StandardUser(int fileIndex)
{
    const QVector<InstalledStandard> installed = installedUserStandards();
    if (fileIndex >= 0 && fileIndex < installed.size())
        loadNumbered(numberedUserStandard(installed.at(fileIndex).id));
}

StandardUser::StandardUser(const NumberedStandard& standard) { loadNumbered(standard); }

QSharedPointer<StandardUser> StandardUser::numbered(eEvaluationStandard id)
{
    return QSharedPointer<StandardUser>(new StandardUser(numberedUserStandard(id)));
}

void StandardUser::loadNumbered(const NumberedStandard& standard)
{
    if (standard.id == None)
        return;
    m_id = standard.id;
    // The copy kept when the number was given; the listed file only when none could be kept.
    const QString limits =
        standard.limitsPath.isEmpty() ? standard.installed.absoluteFilePath() : standard.limitsPath;
    m_pathToFile = standard.isInstalled() ? standard.installed.absoluteFilePath() : limits;
    // A malformed file keeps its id but gives no verdict, not a partial one.
    const QJsonObject content = limits.isEmpty() ? QJsonObject() : criteriaFileContent(QFileInfo(limits));
    if (!content.isEmpty())
        load(content, QFileInfo(standard.fileName.isEmpty() ? limits : standard.fileName).completeBaseName());
    else
        m_name = strings::evaluationStandardToText(m_id, nullptr);
}

StandardUser::~StandardUser() { qDeleteAll(m_items); }

void StandardUser::load(const QJsonObject& top, const QString& fallbackName)
{
    const QJsonValue name = top.value(QStringLiteral("name"));
    m_name = name.isString() ? name.toString() : fallbackName;

    for (const QJsonValue& itemValue : top.value(QStringLiteral("items")).toArray()) {
        const QJsonObject itemObject = itemValue.toObject();
        if (itemObject.value(QStringLiteral("active")).toBool() != true)
            continue;
        const int type = insulationFromText(itemObject.value(QStringLiteral("insulation")).toString());
        if (type < 0)
            continue;
        auto* item = new Item;
        for (const QJsonValue& criterionValue : itemObject.value(QStringLiteral("criterias")).toArray()) {
            const QJsonObject c = criterionValue.toObject();
            if (c.value(QStringLiteral("active")).toBool() != true)
                continue;
            const int idx = c.value(QStringLiteral("idx")).toInt(-1);
            if (idx < AvgTanDelta || idx > DeltaTanDelta)
                continue;
            auto* criterion = new Criterion;
            criterion->idx = static_cast<eCriterion>(idx);
            for (const QJsonValue& b : c.value(QStringLiteral("bounds")).toArray()) {
                if (b.isDouble())
                    criterion->bounds << b.toDouble() / 1000;
            }
            for (const QJsonValue& a : c.value(QStringLiteral("ats")).toArray()) {
                if (!a.isDouble())
                    continue;
                const double level = a.toDouble() * 100;
                // Beyond any level a test can have; also keeps the conversion defined.
                if (level < 0 || level > std::numeric_limits<unsigned short>::max())
                    continue;
                criterion->ats << static_cast<int>(level);
            }
            delete item->criteria.value(criterion->idx, nullptr);
            item->criteria.insert(criterion->idx, criterion);
        }
        const auto key = static_cast<eInsulationType>(type);
        delete m_items.value(key, nullptr);
        m_items.insert(key, item);
    }
}

int StandardUser::insulationFromText(const QString& text)
{
    const QString wanted = text.toLower();
    if (wanted.isEmpty())
        return -1;
    // The fixed names first: a text of the interface language may read like the
    // English name of another type, and the files are written with English names.
    for (int t = 0; t < kTypeCount; ++t) {
        if (wanted == QString::fromLatin1(kEnglishNames[t]).toLower() ||
            wanted == QString::fromLatin1(kTypeNames[t]).toLower())
            return t;
    }
    for (int t = 0; t < kTypeCount; ++t) {
        if (wanted == strings::insulationTypeToText(static_cast<eInsulationType>(t), nullptr).toLower())
            return t;
    }
    return -1;
}

eEvaluationStandard StandardUser::id() const { return m_id; }

QString StandardUser::name() const { return m_name; }

QString StandardUser::pathToFile() const { return m_pathToFile; }

bool StandardUser::insulationSupported(eInsulationType insulation) const { return m_items.contains(insulation); }

eEvaluationResult StandardUser::bandVerdict(double v, const QList<double>& b)
{
    if (b.size() == 2) {
        if (v < b[0])
            return NoActionRequired;
        if (v < b[1])
            return FurtherStudyAdvised;
        return ActionRequired;
    }
    if (b.size() == 4) {
        if (v < b[0] || v > b[3])
            return ActionRequired;
        if (b[1] <= v && v <= b[2])
            return NoActionRequired;
        return FurtherStudyAdvised;
    }
    return NoVerdict;
}

eEvaluationResult StandardUser::classify(eInsulationType insulation, const QVector<unsigned short>& levels,
                                         const QVector<TanDeltaMeasurementValues>& values) const
{
    const Item* item = m_items.value(insulation, nullptr);
    if (!item)
        return EvaluationNotPossible;
    QVector<LevelsFactorTag> tags = requiredFactors(AllFactors);
    if (!testVoltageLevels(levels, values, tags))
        return EvaluationNotPossible;

    int verdict = NoVerdict;
    for (const Criterion* c : item->criteria) {
        const int needed = c->idx == DeltaTanDelta ? 2 : 1;
        if (c->ats.size() < needed)
            continue; // no level to take the value at: no verdict from this one
        double v = 0;
        if (c->idx == DeltaTanDelta) {
            const int lower = indexOfFactor(tags, qMin(c->ats[0], c->ats[1]));
            const int higher = indexOfFactor(tags, qMax(c->ats[0], c->ats[1]));
            if (lower < 0 || higher < 0)
                return EvaluationNotPossible;
            if (values[lower].avgTanDelta == TanDeltaNone || values[higher].avgTanDelta == TanDeltaNone)
                return EvaluationNotPossible;
            v = plain(static_cast<qint64>(values[higher].avgTanDelta) - static_cast<qint64>(values[lower].avgTanDelta));
        } else {
            const int i = indexOfFactor(tags, c->ats[0]);
            if (i < 0)
                return EvaluationNotPossible;
            // A step without a valid value would count as a tan delta of 1000.
            if (values[i].avgTanDelta == TanDeltaNone)
                return EvaluationNotPossible;
            v = c->idx == AvgTanDelta ? plain(static_cast<qint64>(values[i].avgTanDelta))
                                      : plain(values[i].stdDevTanDelta);
        }
        verdict = worse(verdict, bandVerdict(v, c->bounds));
    }
    return static_cast<eEvaluationResult>(verdict);
}

Standard::FactorPair StandardUser::deltaTanDeltaFactors() const
{
    // The lowest insulation type with a usable delta criterion decides.
    QList<eInsulationType> types = m_items.keys();
    std::sort(types.begin(), types.end());
    for (const eInsulationType t : qAsConst(types)) {
        const Criterion* c = m_items.value(t)->criteria.value(DeltaTanDelta, nullptr);
        if (c && c->ats.size() >= 2)
            return {qMin(c->ats[0], c->ats[1]), qMax(c->ats[0], c->ats[1])};
    }
    return {-1, -1};
}

Standard::IndexPair StandardUser::deltaTanDeltaFactorsIndex(const QVector<unsigned short>& levels) const
{
    const FactorPair factors = deltaTanDeltaFactors();
    if (factors.first < 0 || factors.first >= factors.second)
        return {-1, -1};
    QVector<LevelsFactorTag> tags{{factors.first, -1}, {factors.second, -1}};
    if (matchLevels(levels, tags))
        return {tags[0].index, tags[1].index};
    return {-1, -1};
}

QList<eCriterion> StandardUser::getCriterions() const
{
    QList<eCriterion> out;
    for (const Item* item : m_items) {
        for (const eCriterion c : item->criteria.keys()) {
            if (!out.contains(c))
                out << c;
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

QVector<double> StandardUser::getTicksForCriterion(eCriterion criterion, eInsulationType insulation) const
{
    const Item* item = m_items.value(insulation, nullptr);
    if (!item)
        return {};
    const Criterion* c = item->criteria.value(criterion, nullptr);
    if (!c)
        return {};
    return c->bounds.toVector();
}

QVector<Standard::LevelsFactorTag> StandardUser::requiredFactors(eRequiredFactors) const
{
    QList<int> levels;
    for (const Item* item : m_items) {
        for (const Criterion* c : item->criteria) {
            for (const int level : c->ats) {
                if (!levels.contains(level))
                    levels << level;
            }
        }
    }
    std::sort(levels.begin(), levels.end());
    QVector<LevelsFactorTag> tags;
    for (const int level : qAsConst(levels))
        tags.append({level, -1});
    return tags;
}

} // namespace evaluation
} // namespace TanDelta
