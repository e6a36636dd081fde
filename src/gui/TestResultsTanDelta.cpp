#include "gui/TestResultsTanDelta.h"

#include "core/TransObject.h"
#include "tandelta/TanDeltaStandard.h"
#include "tandelta/TanDeltaStrings.h"

#include <QLocale>

#include <limits>

namespace TD = TanDelta::evaluation;

namespace {
const QString kU0 = QStringLiteral("U\u2080");

// A step whose mean is missing carries no usable value at all.
bool hasValue(const TanDeltaMeasurementValues& v) { return v.avgTanDelta != TanDeltaNone; }
} // namespace

TestResultsTanDelta::TestResultsTanDelta(QObject* parent) : QObject(parent) {}

TestResultsTanDelta::~TestResultsTanDelta() = default;

QQmlListProperty<TanDeltaCriterionItemViewModel> TestResultsTanDelta::criterionsL1()
{
    return m_criterions[0].property(this);
}

QQmlListProperty<TanDeltaCriterionItemViewModel> TestResultsTanDelta::criterionsL2()
{
    return m_criterions[1].property(this);
}

QQmlListProperty<TanDeltaCriterionItemViewModel> TestResultsTanDelta::criterionsL3()
{
    return m_criterions[2].property(this);
}

const QList<TanDeltaCriterionItemViewModel*>& TestResultsTanDelta::criterions(int phase) const
{
    static const QList<TanDeltaCriterionItemViewModel*> none;
    return phase >= 0 && phase < 3 ? m_criterions[phase].items() : none;
}

QVector<int> TestResultsTanDelta::factors() const
{
    const int n = qMin(int(m_numberOfSteps), m_factors.size());
    QVector<int> out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(m_factors.at(i));
    return out;
}

QString TestResultsTanDelta::getTanDeltaStandardName() const { return m_standard ? m_standard->name() : QString(); }

int TestResultsTanDelta::getResultIndexForPhase(int phase) const { return int(getResultForPhase(phase)); }

QString TestResultsTanDelta::getResultStringForPhase(int phase) const
{
    return TanDelta::strings::evaluationResultText(getResultForPhase(phase), nullptr);
}

QString TestResultsTanDelta::getResultStringWithStandardForPhase(int phase) const
{
    const TD::eEvaluationResult r = getResultForPhase(phase);
    const QString text = TanDelta::strings::evaluationResultText(r, nullptr);
    const bool judged = r == TD::ActionRequired || r == TD::FurtherStudyAdvised || r == TD::NoActionRequired
        || r == TD::NoEvaluation || r == TD::EvaluationNotPossible;
    if (!judged || !m_standard)
        return text;
    return TransObject(QStringLiteral("TanDelta"), QStringLiteral("ResultStringWithStandard"),
                       {text, TanDelta::strings::evaluationStandardToText(m_standard->id(), nullptr)})
        .toText();
}

TD::eEvaluationResult TestResultsTanDelta::getResultForPhase(int phase) const
{
    const bool tested = phase >= 0 && phase < 31 && ((m_testedPhases >> phase) & 1) != 0;
    if (!tested)
        return TD::PhaseNotMeasured;
    if (!m_standard || phase >= 3)
        return TD::EvaluationNotPossible;
    if (m_data[phase].isEmpty())
        return TD::NoData;
    return m_standard->classify(m_insulationType, m_factors, m_data[phase]);
}

void TestResultsTanDelta::setTestedPhases(IPhaseSelect::Phases phases)
{
    if (int(phases) == m_testedPhases)
        return;
    m_testedPhases = int(phases);
    updateCriterions();
    emit evaluationDataChanged();
}

void TestResultsTanDelta::setPhaseData(int phase, const Values& data)
{
    switch (phase) {
    case 0:
        m_data[0] = data;
        emit phaseL1Changed();
        break;
    case 1:
        m_data[1] = data;
        emit phaseL2Changed();
        break;
    case 2:
        m_data[2] = data;
        emit phaseL3Changed();
        break;
    default: break;
    }
    updateCriterions();
    emit evaluationDataChanged();
}

void TestResultsTanDelta::setFactors(const QVector<unsigned short>& factors, unsigned int steps)
{
    if (factors == m_factors && steps == m_numberOfSteps)
        return;
    m_factors = factors;
    m_numberOfSteps = steps;
    updateCriterions();
    emit evaluationDataChanged();
}

void TestResultsTanDelta::setStandard(TD::eEvaluationStandard id)
{
    if (m_standard && m_standard->id() == id)
        return;
    m_standard = Standard::makeShared(id);
    updateCriterions();
    emit evaluationDataChanged();
    emit standardChanged();
}

void TestResultsTanDelta::setInsulationType(TD::eInsulationType type)
{
    if (type == m_insulationType)
        return;
    m_insulationType = type;
    updateCriterions();
    emit evaluationDataChanged();
}

void TestResultsTanDelta::clear()
{
    for (auto& list : m_criterions)
        list.replace({}, [] {});
    m_testedPhases = IPhaseSelect::NoPhase;
    for (auto& data : m_data)
        data.clear();
    m_numberOfSteps = 4;
    m_factors.clear();
    m_standard.reset();
    m_insulationType = TD::Mixed;
}

QString TestResultsTanDelta::insulationString() const
{
    return TanDelta::strings::insulationTypeToText(m_insulationType, nullptr);
}

QVector<qreal> TestResultsTanDelta::getMeanValues(const Values& data)
{
    QVector<qreal> out;
    out.reserve(data.size());
    for (const TanDeltaMeasurementValues& v : data)
        out.append(hasValue(v) ? v.avgTanDelta / 1000.0 : std::numeric_limits<qreal>::quiet_NaN());
    return out;
}

void TestResultsTanDelta::updateCriterions()
{
    QList<TanDeltaCriterionItemViewModel*> built[3];
    if (m_standard && !m_factors.isEmpty() && m_standard->insulationSupported(m_insulationType)) {
        for (TD::eCriterion c : m_standard->getCriterions())
            for (int phase = 0; phase < 3; ++phase)
                built[phase].append(makeCriterion(c, m_data[phase]));
    }
    // The caller announces the change once for all three.
    for (int phase = 0; phase < 3; ++phase)
        m_criterions[phase].replace(built[phase], [] {});
}

TanDeltaCriterionItemViewModel* TestResultsTanDelta::makeCriterion(TD::eCriterion criterion, const Values& data) const
{
    auto* item = new TanDeltaCriterionItemViewModel;
    item->setName(TanDelta::strings::criterionToText(criterion, nullptr));
    item->setTicks(m_standard->getTicksForCriterion(criterion, m_insulationType));
    std::optional<double> value;
    switch (criterion) {
    case TD::AvgTanDelta:
    case TD::StdDevTanDelta: {
        const int i = m_standard->indexU0(m_factors);
        if (i >= 0 && i < data.size() && hasValue(data.at(i)))
            value = (criterion == TD::AvgTanDelta ? double(data.at(i).avgTanDelta) : double(data.at(i).stdDevTanDelta))
                / 1000.0;
        item->setSubname(QStringLiteral("@ ") + kU0);
        break;
    }
    case TD::DeltaTanDelta: {
        if (const std::optional<qint64> delta = m_standard->deltaTanDelta(m_factors, data))
            value = double(*delta) / 1000.0;
        const Standard::FactorPair f = m_standard->deltaTanDeltaFactors();
        item->setSubname(QStringLiteral("%L2 - %L1 ")
                             .arg(f.first / 100.0, 0, 'f', 1)
                             .arg(f.second / 100.0, 0, 'f', 1)
                         + kU0);
        break;
    }
    }
    item->setValue(value);
    return item;
}
