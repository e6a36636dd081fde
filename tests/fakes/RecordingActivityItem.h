#pragma once

#include "uiapi/IActivityItem.h"

#include <QMap>
#include <QPair>
#include <QStringList>
#include <QVector>

// An opened stored test that only keeps what the record store hands it, in order.
class RecordingActivityItem : public IActivityItem {
public:
    void clearData() override;
    void setFileInfo(const QFileInfo& file) override;
    void setTestResult(eTestResult result, OperatingModes::OperatingMode mode) override;
    void setSafetyCircuitState(quint64 state) override;
    void setHvUnitState(quint64 state) override;
    void setFaultValues(const stFaultValues& values) override;
    void setFrequencyUsed(qint64 milliHz) override;
    void setMode(OperatingModes::OperatingMode mode) override;
    void setComment(const QString& comment) override;
    void setCableNumber(const QString& cableNumber) override;
    void setResistor(qint64 value) override;
    void setCapacity(qint64 value) override;
    void setFrequency(qint64 value) override;
    void setPhases(qint64 value) override;
    void setVoltage(qint64 value) override;
    void setVoltageU0(qint64 value) override;
    void setTime(qint64 value) override;
    void setNumberOfVoltageLevels(qint64 value) override;
    void setInsulationType(qint64 value) override;
    void setDutyCycle(qint64 value) override;
    void addSamples(const QVector<stMeasurementValues>& samples,
                    const QVector<stPeriodicMeasurementValues>& periodic) override;
    void setEvaluationStandard(qint64 value) override;
    void setVoltageFactors(const QVector<quint16>& factors, unsigned steps) override;
    void setTanDeltaPhaseData(int phase, const QVector<TanDeltaMeasurementValues>& values) override;

    // Every setter called since the last clear, by name without "set"/"add", repeats folded.
    QStringList calls;
    QFileInfo file;
    eTestResult result = eTestResult_Unknown;
    OperatingModes::OperatingMode mode = OperatingModes::None;
    quint64 safetyCircuitState = 0;
    quint64 hvUnitState = 0;
    stFaultValues faultValues;
    qint64 frequencyUsed = 0;
    QString comment;
    QString cableNumber;
    // Parameters in the order they were set: (name of the setter without "set", value).
    QVector<QPair<QString, qint64>> parameters;
    QVector<stMeasurementValues> measurements;
    QVector<stPeriodicMeasurementValues> periodic;
    QVector<quint16> voltageFactors;
    unsigned voltageFactorSteps = 0;
    QMap<int, QVector<TanDeltaMeasurementValues>> tanDelta;

private:
    void called(const char* name);
    void addParameter(const char* name, qint64 value);
};
