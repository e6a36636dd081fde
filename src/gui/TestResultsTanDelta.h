#pragma once

#include "datamodel/IPhaseSelect.h"
#include "datamodel/InstrumentTypes.h"
#include "datamodel/TanDeltaTypes.h"
#include "gui/TanDeltaCriterionItemViewModel.h"
#include "uiapi/OwnedItemList.h"

#include <QObject>
#include <QQmlListProperty>
#include <QSharedPointer>
#include <QString>
#include <QVector>

namespace TanDelta {
namespace evaluation {
class Standard;
}
} // namespace TanDelta

// The tan delta evaluation of one test, for the test just run and for a stored one
// alike: its owner hands in tested phases, voltage factors, insulation, standard and
// the step results per phase; verdicts, criterion bars and mean curves follow from
// them. Reads nothing else. GUI thread only.
class TestResultsTanDelta : public QObject {
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<TanDeltaCriterionItemViewModel> criterionsL1 READ criterionsL1 NOTIFY
                   evaluationDataChanged)
    Q_PROPERTY(QQmlListProperty<TanDeltaCriterionItemViewModel> criterionsL2 READ criterionsL2 NOTIFY
                   evaluationDataChanged)
    Q_PROPERTY(QQmlListProperty<TanDeltaCriterionItemViewModel> criterionsL3 READ criterionsL3 NOTIFY
                   evaluationDataChanged)
    Q_PROPERTY(QVector<qreal> meanL1 READ meanL1 NOTIFY phaseL1Changed)
    Q_PROPERTY(QVector<qreal> meanL2 READ meanL2 NOTIFY phaseL2Changed)
    Q_PROPERTY(QVector<qreal> meanL3 READ meanL3 NOTIFY phaseL3Changed)
    // Both change with the setters, so they follow the evaluation data.
    Q_PROPERTY(QVector<int> factors READ factors NOTIFY evaluationDataChanged)
    Q_PROPERTY(QString insulation READ insulation NOTIFY evaluationDataChanged)
public:
    using Standard = TanDelta::evaluation::Standard;
    using Values = QVector<TanDeltaMeasurementValues>;

    explicit TestResultsTanDelta(QObject* parent = nullptr);
    ~TestResultsTanDelta() override;

    QQmlListProperty<TanDeltaCriterionItemViewModel> criterionsL1();
    QQmlListProperty<TanDeltaCriterionItemViewModel> criterionsL2();
    QQmlListProperty<TanDeltaCriterionItemViewModel> criterionsL3();
    // The items of phase 0..2; empty for any other index.
    const QList<TanDeltaCriterionItemViewModel*>& criterions(int phase) const;
    QVector<qreal> meanL1() const { return getMeanValues(m_data[0]); }
    QVector<qreal> meanL2() const { return getMeanValues(m_data[1]); }
    QVector<qreal> meanL3() const { return getMeanValues(m_data[2]); }
    // The factors of the steps the test has.
    QVector<int> factors() const;
    QString insulation() const { return insulationString(); }

    Q_INVOKABLE QString getTanDeltaStandardName() const;
    Q_INVOKABLE int getResultIndexForPhase(int phase) const;
    Q_INVOKABLE QString getResultStringForPhase(int phase) const;
    Q_INVOKABLE QString getResultStringWithStandardForPhase(int phase) const;

    TanDelta::evaluation::eEvaluationResult getResultForPhase(int phase) const;

    void setTestedPhases(IPhaseSelect::Phases phases);
    void setPhaseData(int phase, const Values& data);
    void setFactors(const QVector<unsigned short>& factors, unsigned int steps);
    void setStandard(TanDelta::evaluation::eEvaluationStandard id);
    void setInsulationType(TanDelta::evaluation::eInsulationType type);
    // Back to the start values, without announcing it: the owner fills in another test next.
    void clear();
    TanDelta::evaluation::eInsulationType insulationType() const { return m_insulationType; }
    QString insulationString() const;

    // Mean tan delta per step in units of 1e-3; NaN for a step without a value.
    static QVector<qreal> getMeanValues(const Values& data);

signals:
    void phaseL1Changed();
    void phaseL2Changed();
    void phaseL3Changed();
    void evaluationDataChanged();
    void standardChanged();

private:
    void updateCriterions();
    TanDeltaCriterionItemViewModel* makeCriterion(TanDelta::evaluation::eCriterion criterion,
                                                  const Values& data) const;

    int m_testedPhases = IPhaseSelect::NoPhase;
    OwnedItemList<TanDeltaCriterionItemViewModel> m_criterions[3];
    Values m_data[3];
    unsigned int m_numberOfSteps = 4;
    QVector<unsigned short> m_factors;
    QSharedPointer<Standard> m_standard;
    TanDelta::evaluation::eInsulationType m_insulationType = TanDelta::evaluation::Mixed;
};
