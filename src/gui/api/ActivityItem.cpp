#include "gui/api/ActivityItem.h"

ActivityItem::ActivityItem(QObject* parent) : QObject(parent) {}

void ActivityItem::setFileInfo(const QFileInfo& file) { m_file = file; }

void ActivityItem::setTestResult(eTestResult result, OperatingModes::OperatingMode mode)
{
    int display = Measurement::Failed;
    int stored = result;
    if (mode == OperatingModes::SheathPinpointing) {
        // Pinpointing has no verdict: it is simply done.
        display = Measurement::Done;
        stored = eTestResult_FinishedSuccess;
    } else if (result == eTestResult_Unknown) {
        display = Measurement::Unknown;
    } else if (result == eTestResult_FinishedSuccess) {
        display = Measurement::Passed;
    } else if (result == eTestResult_CancelledByOp) {
        display = Measurement::InteruptedByUser;
    }
    m_displayResult = display;
    if (stored != m_storedResult) {
        m_storedResult = stored;
        emit dataLoaded();
    }
}

void ActivityItem::setSafetyCircuitState(quint64 state) { m_safetyCircuitState = state; }
void ActivityItem::setHvUnitState(quint64 state) { m_hvUnitState = state; }
void ActivityItem::setMode(OperatingModes::OperatingMode mode) { m_mode = mode; }
void ActivityItem::setComment(const QString& comment) { m_comment = comment.trimmed(); }
void ActivityItem::setCableNumber(const QString& cableNumber) { m_cableNumber = cableNumber.trimmed(); }

void ActivityItem::addParameter(const char* name, qint64 value)
{
    m_parameters.append(qMakePair(QString::fromLatin1(name), value));
}

void ActivityItem::setResistor(qint64 value) { addParameter("Resistor", value); }
void ActivityItem::setCapacity(qint64 value) { addParameter("Capacity", value); }
void ActivityItem::setFrequency(qint64 value) { addParameter("Frequency", value); }
void ActivityItem::setDutyCycle(qint64 value) { addParameter("DutyCycle", value); }
void ActivityItem::setPhases(qint64 value) { addParameter("Phases", value); }
void ActivityItem::setVoltage(qint64 value) { addParameter("Voltage", value); }
void ActivityItem::setVoltageU0(qint64 value) { addParameter("VoltageU0", value); }
void ActivityItem::setTime(qint64 value) { addParameter("Time", value); }
void ActivityItem::setNumberOfVoltageLevels(qint64 value) { addParameter("NumberOfVoltageLevels", value); }
void ActivityItem::setInsulationType(qint64 value) { addParameter("InsulationType", value); }
void ActivityItem::setEvaluationStandard(qint64 value) { addParameter("EvaluationStandard", value); }

void ActivityItem::setVoltageFactors(const QVector<quint16>& factors, unsigned steps)
{
    m_voltageFactors = factors;
    m_voltageFactorSteps = steps;
}

void ActivityItem::setTanDeltaPhaseData(int phase, const QVector<TanDeltaMeasurementValues>& values)
{
    m_tanDelta.insert(phase, values);
}

void ActivityItem::addMeasurement(qint64 time, qint64 voltage, qint64 current)
{
    stMeasurementValues v;
    v.timeStamp = quint32(time);
    v.voltage = qint32(voltage);
    v.current = current;
    m_measurements.append(v);
}

void ActivityItem::addPeriodicData(qint64 time, qint64 voltage, qint64 current, qint64 tanDelta)
{
    stPeriodicMeasurementValues v;
    v.voltage = qint32(voltage);
    v.current = current;
    v.tanDelta = quint32(tanDelta);
    v.timeStamp = quint32(time);
    m_periodic.append(v);
}

void ActivityItem::clearData()
{
    m_parameters.clear();
    m_measurements.clear();
    m_periodic.clear();
    m_voltageFactors.clear();
    m_voltageFactorSteps = 0;
    m_tanDelta.clear();
}
