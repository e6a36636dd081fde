#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "gui/FixedValueUnit.h"
#include "gui/MeasurementData.h"
#include "gui/TestResultsTanDelta.h"
#include "uiapi/IActivityItem.h"
#include "uiapi/OwnedItemList.h"

#include <QFileInfo>
#include <QObject>
#include <QQmlListProperty>
#include <QString>

// One stored test opened from the history, shown by the results pages like the results
// of a test just run: verdict and detail texts, the parameters as value items, the tan
// delta evaluation and the charts. The record store fills it; every bound property is
// re-read on dataLoaded. GUI thread only.
class ActivityItem : public QObject, public IActivityItem {
    Q_OBJECT
    Q_PROPERTY(OperatingModes::OperatingMode mode READ mode NOTIFY dataLoaded)
    Q_PROPERTY(MeasurementData* measurementData READ measurementData NOTIFY dataLoaded)
    Q_PROPERTY(QString filename READ filename NOTIFY dataLoaded)
    Q_PROPERTY(QString filepath READ filepath NOTIFY dataLoaded)
    Q_PROPERTY(int testResult READ testResult NOTIFY dataLoaded)
    Q_PROPERTY(int testResultDetail READ testResultDetail NOTIFY dataLoaded)
    Q_PROPERTY(int safetyCircuitState READ safetyCircuitState NOTIFY dataLoaded)
    Q_PROPERTY(int hvUnitState READ hvUnitState NOTIFY dataLoaded)
    Q_PROPERTY(QString resultString READ resultString NOTIFY dataLoaded)
    Q_PROPERTY(QString resultDetailString READ resultDetailString NOTIFY dataLoaded)
    Q_PROPERTY(QString comment READ comment WRITE writeComment NOTIFY dataLoaded)
    Q_PROPERTY(QQmlListProperty<FixedValueUnit> preparationParameters READ preparationParametersProperty
                   NOTIFY dataLoaded)
    Q_PROPERTY(QQmlListProperty<FixedValueUnit> testParameters READ testParametersProperty NOTIFY dataLoaded)
    Q_PROPERTY(TestResultsTanDelta* tanDelta READ tanDelta NOTIFY dataLoaded)
public:
    explicit ActivityItem(QObject* parent = nullptr);

    OperatingModes::OperatingMode mode() const { return m_mode; }
    MeasurementData* measurementData() { return &m_measurementData; }
    QString filename() const { return m_file.fileName(); }
    QString filepath() const { return m_file.absoluteFilePath(); }
    int testResult() const { return m_displayResult; }
    int testResultDetail() const { return m_storedResult; }
    // The low 32 bits: QML has no wider integer.
    int safetyCircuitState() const { return int(quint32(m_safetyCircuitState)); }
    int hvUnitState() const { return int(quint32(m_hvUnitState)); }
    QString resultString() const;
    QString resultDetailString() const;
    QString comment() const { return m_comment; }
    // Trimmed and cut as a live test's comment; a changed one goes to the stored record.
    void writeComment(const QString& text);
    QQmlListProperty<FixedValueUnit> preparationParametersProperty() { return m_preparation.property(this); }
    QQmlListProperty<FixedValueUnit> testParametersProperty() { return m_testParameters.property(this); }
    const QList<FixedValueUnit*>& preparationParameters() const { return m_preparation.items(); }
    const QList<FixedValueUnit*>& testParameters() const { return m_testParameters.items(); }
    TestResultsTanDelta* tanDelta() { return &m_tanDelta; }
    stFaultValues faultValues() const { return m_faultValues; }

    Q_INVOKABLE QString getModeString() const;
    Q_INVOKABLE void setCableNumber(const QString& cableNumber) override;
    Q_INVOKABLE QString getCableNumber() const { return m_cableNumber; }

    // Result, states, mode, comment and cable number stay until the next load sets them.
    void clearData() override;
    void setFileInfo(const QFileInfo& file) override;
    void setTestResult(eTestResult result, OperatingModes::OperatingMode mode) override;
    void setSafetyCircuitState(quint64 state) override;
    void setHvUnitState(quint64 state) override;
    void setFaultValues(const stFaultValues& values) override;
    void setFrequencyUsed(qint64 milliHz) override;
    void setMode(OperatingModes::OperatingMode mode) override;
    void setComment(const QString& comment) override;
    void setResistor(qint64 milliohms) override;
    void setCapacity(qint64 nanofarads) override;
    void setFrequency(qint64 milliHz) override;
    void setPhases(qint64 phases) override;
    void setVoltage(qint64 millivolts) override;
    void setVoltageU0(qint64 millivolts) override;
    void setTime(qint64 milliseconds) override;
    void setNumberOfVoltageLevels(qint64 levels) override;
    void setInsulationType(qint64 type) override;
    void setDutyCycle(qint64 milliHz) override;
    void addSamples(const QVector<stMeasurementValues>& samples,
                    const QVector<stPeriodicMeasurementValues>& periodic) override;
    void setEvaluationStandard(qint64 standard) override;
    void setVoltageFactors(const QVector<quint16>& factors, unsigned steps) override;
    void setTanDeltaPhaseData(int phase, const QVector<TanDeltaMeasurementValues>& values) override;

signals:
    void commentChanged(QString absoluteFilename, QString comment);
    void dataLoaded();

private:
    void addPreparation(FixedValueUnit::ValueType type, const QPair<QString, QString>& valueAndUnit);
    void addTestParameter(FixedValueUnit::ValueType type, const QString& value, const QString& unit = QString());
    void addVoltage(FixedValueUnit::ValueType type, qint64 millivolts);

    QFileInfo m_file;
    int m_displayResult = 0;
    int m_storedResult = 0;
    quint64 m_safetyCircuitState = 0;
    quint64 m_hvUnitState = 0;
    stFaultValues m_faultValues;
    unsigned long m_frequencyUsed = 0;
    OperatingModes::OperatingMode m_mode = OperatingModes::None;
    QString m_cableNumber;
    QString m_comment;
    OwnedItemList<FixedValueUnit> m_preparation;
    OwnedItemList<FixedValueUnit> m_testParameters;
    TestResultsTanDelta m_tanDelta;
    MeasurementData m_measurementData;
};
