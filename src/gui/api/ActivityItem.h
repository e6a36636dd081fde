#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "gui/api/Measurement.h"

#include <QFileInfo>
#include <QMap>
#include <QObject>
#include <QVector>

// One stored test opened from the history, as the record store fills it. For now it
// only keeps what it is given; the results pages read it back.
class ActivityItem : public QObject {
    Q_OBJECT
public:
    explicit ActivityItem(QObject* parent = nullptr);

    void setFileInfo(const QFileInfo& file);
    void setTestResult(eTestResult result, OperatingModes::OperatingMode mode);
    void setSafetyCircuitState(quint64 state);
    void setHvUnitState(quint64 state);
    void setMode(OperatingModes::OperatingMode mode);
    void setComment(const QString& comment);
    Q_INVOKABLE void setCableNumber(const QString& cableNumber);
    void setResistor(qint64 value);
    void setCapacity(qint64 value);
    void setFrequency(qint64 value);
    void setDutyCycle(qint64 value);
    void setPhases(qint64 value);
    void setVoltage(qint64 value);
    void setVoltageU0(qint64 value);
    void setTime(qint64 value);
    void setNumberOfVoltageLevels(qint64 value);
    void setInsulationType(qint64 value);
    void setEvaluationStandard(qint64 value);
    void setVoltageFactors(const QVector<quint16>& factors, unsigned steps);
    void setTanDeltaPhaseData(int phase, const QVector<TanDeltaMeasurementValues>& values);
    void addMeasurement(qint64 time, qint64 voltage, qint64 current);
    void addPeriodicData(qint64 time, qint64 voltage, qint64 current, qint64 tanDelta);
    // Empties the samples, parameters and tan delta data; result, states, mode, comment
    // and cable number stay until the next load sets them.
    void clearData();

    QFileInfo fileInfo() const { return m_file; }
    int testResult() const { return m_displayResult; }
    int testResultDetail() const { return m_storedResult; }
    quint64 safetyCircuitState() const { return m_safetyCircuitState; }
    quint64 hvUnitState() const { return m_hvUnitState; }
    OperatingModes::OperatingMode mode() const { return m_mode; }
    QString comment() const { return m_comment; }
    Q_INVOKABLE QString getCableNumber() const { return m_cableNumber; }

    // Parameters in the order they were set: (name of the setter without "set", value).
    QVector<QPair<QString, qint64>> parameters() const { return m_parameters; }
    QVector<stMeasurementValues> measurements() const { return m_measurements; }
    QVector<stPeriodicMeasurementValues> periodicData() const { return m_periodic; }
    QVector<quint16> voltageFactors() const { return m_voltageFactors; }
    unsigned voltageFactorSteps() const { return m_voltageFactorSteps; }
    QMap<int, QVector<TanDeltaMeasurementValues>> tanDeltaPhaseData() const { return m_tanDelta; }

signals:
    void dataLoaded();
    void commentChanged(const QString& absoluteFilename, const QString& comment);

private:
    void addParameter(const char* name, qint64 value);

    QFileInfo m_file;
    int m_displayResult = Measurement::Unknown;
    int m_storedResult = 0;
    quint64 m_safetyCircuitState = 0;
    quint64 m_hvUnitState = 0;
    OperatingModes::OperatingMode m_mode = OperatingModes::None;
    QString m_comment;
    QString m_cableNumber;
    QVector<QPair<QString, qint64>> m_parameters;
    QVector<stMeasurementValues> m_measurements;
    QVector<stPeriodicMeasurementValues> m_periodic;
    QVector<quint16> m_voltageFactors;
    unsigned m_voltageFactorSteps = 0;
    QMap<int, QVector<TanDeltaMeasurementValues>> m_tanDelta;
};
