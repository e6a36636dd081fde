#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "gui/FixedValueUnit.h"
#include "gui/MeasurementData.h"
#include "uiapi/OwnedItemList.h"

#include <QObject>
#include <QPair>
#include <QQmlListProperty>
#include <QString>

// The view model of the running test: gauge voltages, the measured values of the side
// panel, the status and remaining-time texts, the time between samples and the target
// entry of the manual ramp. Owns the charts and the table of the running test.
class TestMeasurement : public QObject {
    Q_OBJECT
    Q_PROPERTY(MeasurementData* measurementData READ measurementData NOTIFY modeChanged)
    Q_PROPERTY(QQmlListProperty<FixedValueUnit> measureParameters READ measureParametersProperty
                   NOTIFY measureParametersChanged)
    Q_PROPERTY(double currentVoltage READ currentVoltage NOTIFY currentVoltageChanged)
    Q_PROPERTY(double maxVoltage READ maxVoltage NOTIFY maxVoltageChanged)
    Q_PROPERTY(double voltageRange READ voltageRange NOTIFY voltageRangeChanged)
    Q_PROPERTY(int updateInterval READ updateInterval NOTIFY updateIntervalChanged)
    Q_PROPERTY(QString measurementText READ measurementText NOTIFY measurementTextChanged)
    Q_PROPERTY(QString remainingText READ remainingText NOTIFY remainingTextChanged)
    Q_PROPERTY(double target READ target NOTIFY targetChanged)
    Q_PROPERTY(bool targetOpen READ targetOpen NOTIFY targetOpenChanged)
public:
    explicit TestMeasurement(QObject* parent = nullptr);

    OperatingModes::OperatingMode mode() const { return m_mode; }
    MeasurementData* measurementData() { return &m_measurementData; }
    QQmlListProperty<FixedValueUnit> measureParametersProperty();
    const QList<FixedValueUnit*>& measureParameters() const { return m_measureParameters.items(); }
    double currentVoltage() const { return m_currentVoltage; }
    double maxVoltage() const;
    double voltageRange() const;
    int updateInterval() const { return m_updateInterval; }
    QString measurementText() const;
    QString remainingText() const;
    quint32 remainingTime() const { return m_remainingTime; }
    quint32 currentTime() const { return m_currentTime; }
    quint32 testTime() const { return m_testTime; }
    // The last target of this test as the data model took it (kV peak); 0 before the first.
    double target() const { return m_target; }
    // Targets are taken only while the test runs: not after a breakdown or the end.
    bool targetOpen() const { return m_targetOpen; }

    Q_INVOKABLE bool isTanDeltaWaiting() const;
    // The target chosen on the gauge, in kV peak.
    Q_INVOKABLE bool setTargetVoltage(double targetVoltage);

    // Clears what the last test left before a new one starts.
    void reset();
    void setMeasureParameter(FixedValueUnit::ValueType type, const QPair<QString, QString>& valueAndUnit);
    // The voltage (kV) of the largest magnitude, its sign kept, the first of a tie;
    // fallback (kV) for an empty list.
    static double largestVoltage(const QList<long>& millivolts, double fallback);
    // "mm:ss min" below an hour, "hh:mm:ss h" from then on.
    static QString getTimeString(unsigned int ms);

public slots:
    void updateMeasurementValues(const stMeasurementValues& values);
    void updatePeriodicMeasurementValues(const stPeriodicMeasurementValues& values);
    void onVoltageChanged(long millivolts);
    void onTestTimeChanged(const stTestTime& time);
    void onNominalVoltageReached(bool reached);
    void onOperationModeChange(OperatingModes::OperatingMode mode);
    void onAppStateChanged(States::AppState oldState, States::AppState newState);
    void updateMeasureParameter();

signals:
    void remainingTextChanged();
    void modeChanged();
    void currentVoltageChanged();
    void maxVoltageChanged();
    void voltageRangeChanged();
    void updateIntervalChanged();
    void measureParametersChanged();
    void measurementTextChanged();
    void targetChanged();
    void targetOpenChanged();

private:
    void updateCurrentTime(quint32 timeStamp);
    void computeRemainingTime();

    double m_currentVoltage = 0.0;
    double m_testVoltage = 0.0;
    bool m_withstandPhase = false;
    int m_updateInterval = 0;
    quint32 m_startTime = 0;
    quint32 m_currentTime = 0;
    quint32 m_remainingTime = 0;
    quint32 m_testTime = 0;
    OperatingModes::OperatingMode m_mode = OperatingModes::None;
    MeasurementData m_measurementData;
    OwnedItemList<FixedValueUnit> m_measureParameters;
    quint32 m_valueCount = 0;
    quint32 m_stepIndex = 0;
    double m_target = 0.0;
    bool m_targetOpen = false;
};
