#include "fakes/RecordingActivityItem.h"

void RecordingActivityItem::called(const char* name)
{
    const QString n = QString::fromLatin1(name);
    if (calls.isEmpty() || calls.last() != n)
        calls << n;
}

void RecordingActivityItem::addParameter(const char* name, qint64 value)
{
    called(name);
    parameters.append(qMakePair(QString::fromLatin1(name), value));
}

void RecordingActivityItem::clearData()
{
    *this = RecordingActivityItem();
    called("Clear");
}

void RecordingActivityItem::setFileInfo(const QFileInfo& f)
{
    called("FileInfo");
    file = f;
}

void RecordingActivityItem::setTestResult(eTestResult r, OperatingModes::OperatingMode)
{
    called("TestResult");
    result = r;
}

void RecordingActivityItem::setSafetyCircuitState(quint64 state)
{
    called("SafetyCircuitState");
    safetyCircuitState = state;
}

void RecordingActivityItem::setHvUnitState(quint64 state)
{
    called("HvUnitState");
    hvUnitState = state;
}

void RecordingActivityItem::setFaultValues(const stFaultValues& values)
{
    called("FaultValues");
    faultValues = values;
}

void RecordingActivityItem::setFrequencyUsed(qint64 milliHz)
{
    called("FrequencyUsed");
    frequencyUsed = milliHz;
}

void RecordingActivityItem::setMode(OperatingModes::OperatingMode m)
{
    called("Mode");
    mode = m;
}

void RecordingActivityItem::setComment(const QString& c)
{
    called("Comment");
    comment = c;
}

void RecordingActivityItem::setCableNumber(const QString& c)
{
    called("CableNumber");
    cableNumber = c;
}

void RecordingActivityItem::setResistor(qint64 value) { addParameter("Resistor", value); }
void RecordingActivityItem::setCapacity(qint64 value) { addParameter("Capacity", value); }
void RecordingActivityItem::setFrequency(qint64 value) { addParameter("Frequency", value); }
void RecordingActivityItem::setPhases(qint64 value) { addParameter("Phases", value); }
void RecordingActivityItem::setVoltage(qint64 value) { addParameter("Voltage", value); }
void RecordingActivityItem::setVoltageU0(qint64 value) { addParameter("VoltageU0", value); }
void RecordingActivityItem::setTime(qint64 value) { addParameter("Time", value); }
void RecordingActivityItem::setNumberOfVoltageLevels(qint64 value) { addParameter("NumberOfVoltageLevels", value); }
void RecordingActivityItem::setInsulationType(qint64 value) { addParameter("InsulationType", value); }
void RecordingActivityItem::setDutyCycle(qint64 value) { addParameter("DutyCycle", value); }
void RecordingActivityItem::setEvaluationStandard(qint64 value) { addParameter("EvaluationStandard", value); }

void RecordingActivityItem::addSamples(const QVector<stMeasurementValues>& samples,
                                       const QVector<stPeriodicMeasurementValues>& records)
{
    called("Samples");
    measurements += samples;
    periodic += records;
}

void RecordingActivityItem::setVoltageFactors(const QVector<quint16>& factors, unsigned steps)
{
    called("VoltageFactors");
    voltageFactors = factors;
    voltageFactorSteps = steps;
}

void RecordingActivityItem::setTanDeltaPhaseData(int phase, const QVector<TanDeltaMeasurementValues>& values)
{
    called("TanDeltaPhaseData");
    tanDelta.insert(phase, values);
}
