#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"

#include <QFileInfo>
#include <QString>
#include <QVector>

// What the record store fills when it opens a stored test: one setter per record field,
// called on the GUI thread after the item was cleared, the samples near the end.
class IActivityItem {
public:
    virtual ~IActivityItem() = default;

    // Empties the parameters, samples, fault values and tan delta data of the last load.
    virtual void clearData() = 0;
    virtual void setFileInfo(const QFileInfo& file) = 0;
    virtual void setTestResult(eTestResult result, OperatingModes::OperatingMode mode) = 0;
    virtual void setSafetyCircuitState(quint64 state) = 0;
    virtual void setHvUnitState(quint64 state) = 0;
    // The values recorded when the test ended in a fault; zero when it did not.
    virtual void setFaultValues(const stFaultValues& values) = 0;
    // The frequency the test ran at (mHz); given before the mode, whose graphs need it.
    virtual void setFrequencyUsed(qint64 milliHz) = 0;
    virtual void setMode(OperatingModes::OperatingMode mode) = 0;
    virtual void setComment(const QString& comment) = 0;
    virtual void setCableNumber(const QString& cableNumber) = 0;
    virtual void setResistor(qint64 milliohms) = 0;
    virtual void setCapacity(qint64 nanofarads) = 0;
    virtual void setFrequency(qint64 milliHz) = 0;
    virtual void setPhases(qint64 phases) = 0;
    virtual void setVoltage(qint64 millivolts) = 0;
    virtual void setVoltageU0(qint64 millivolts) = 0;
    virtual void setTime(qint64 milliseconds) = 0;
    virtual void setNumberOfVoltageLevels(qint64 levels) = 0;
    virtual void setInsulationType(qint64 type) = 0;
    virtual void setDutyCycle(qint64 milliHz) = 0;
    // The samples and the per-period records of the test, in record order and already
    // thinned to what the charts show, handed over at once.
    virtual void addSamples(const QVector<stMeasurementValues>& samples,
                            const QVector<stPeriodicMeasurementValues>& periodic) = 0;
    virtual void setEvaluationStandard(qint64 standard) = 0;
    virtual void setVoltageFactors(const QVector<quint16>& factors, unsigned steps) = 0;
    virtual void setTanDeltaPhaseData(int phase, const QVector<TanDeltaMeasurementValues>& values) = 0;
};
