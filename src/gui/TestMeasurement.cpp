#include "gui/TestMeasurement.h"

#include "core/GlobalFuncs.h"
#include "core/NumberString.h"
#include "datamodel/DataModell.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdlib>

namespace {
using M = OperatingModes;

// Periodic records of the leakage reading carry no tan delta.
constexpr quint32 kNoTanDelta = 1000000000u;

bool isStepMode(M::OperatingMode mode) { return mode == M::TanDelta || mode == M::MWTStep; }

QString twoDigits(unsigned int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

void replaceFirst(QString& format, const QString& field, unsigned int value)
{
    const int at = format.indexOf(field);
    if (at >= 0)
        format.replace(at, field.size(), twoDigits(value));
}
} // namespace

TestMeasurement::TestMeasurement(QObject* parent) : QObject(parent)
{
    connect(this, &TestMeasurement::modeChanged, &m_measurementData, &MeasurementData::measurementDataChanged);
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    // The data model lives on its own thread: these arrive queued, in order.
    connect(dm, &DataModell::updateMeasurementValues, this, &TestMeasurement::updateMeasurementValues);
    connect(dm, &DataModell::updatePeriodicMeasurementValues, this, &TestMeasurement::updatePeriodicMeasurementValues);
    connect(dm, &DataModell::voltageChanged, this, &TestMeasurement::onVoltageChanged);
    connect(dm, &DataModell::testTimeChanged, this, &TestMeasurement::onTestTimeChanged);
    connect(dm, &DataModell::nominalVoltageReached, this, &TestMeasurement::onNominalVoltageReached);
    connect(dm, &DataModell::phasesUsedChanged, this, &TestMeasurement::measurementTextChanged);
    connect(dm, &DataModell::breakdownSignal, this, &TestMeasurement::measurementTextChanged);
    connect(dm, &DataModell::frequencyUsedChanged, this, &TestMeasurement::updateMeasureParameter);
    connect(dm, &DataModell::appStateChanged, this, &TestMeasurement::onAppStateChanged);
}

QQmlListProperty<FixedValueUnit> TestMeasurement::measureParametersProperty()
{
    return m_measureParameters.property(this);
}

void TestMeasurement::reset()
{
    m_startTime = 0;
    m_valueCount = 0;
    m_stepIndex = 0;
    m_withstandPhase = false;
    if (m_target != 0.0) {
        m_target = 0.0;
        emit targetChanged();
    }
    m_measurementData.reset();
    updateMeasureParameter();
    m_measurementData.updateVoltageRange(m_testVoltage, m_mode);
}

void TestMeasurement::onOperationModeChange(OperatingModes::OperatingMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    // reset() builds the mode's charts.
    reset();
    emit modeChanged();
}

void TestMeasurement::onTestTimeChanged(const stTestTime& time)
{
    // The unit runs a step test without a duration of its own: its 0 leaves the withstand
    // phase the time it counts down.
    if (m_mode == M::MWTStep && m_withstandPhase && time.milliseconds == 0)
        return;
    // Minutes and seconds restate the milliseconds: counted once.
    m_testTime = quint32(time.milliseconds);
    const bool openEnded = m_mode == M::MWTStep || m_mode == M::SheathPinpointing;
    m_measurementData.setMaxTime(openEnded ? 0 : m_testTime);
}

void TestMeasurement::onNominalVoltageReached(bool reached)
{
    // The data model reports every change of the bit; only reaching it counts, and a
    // falling edge must not start the trend.
    if (!reached)
        return;
    // A manual ramp reaches a level at every target, while the unit counts the test from
    // its start: so does the countdown.
    const DataModell* dm = GlobalFuncs::getDM();
    const bool manualRamp = dm && dm->getVoltageRampMode() == VoltageRampMode_Manual;
    if (m_mode == M::DC && !manualRamp) {
        m_startTime = m_currentTime;
        emit remainingTextChanged();
    }
    emit m_measurementData.nominalVoltageReached();
}

void TestMeasurement::onVoltageChanged(long millivolts)
{
    m_testVoltage = std::labs(millivolts) / 1e6;
    m_measurementData.updateVoltageRange(m_testVoltage, m_mode);
}

void TestMeasurement::computeRemainingTime()
{
    // A time stamp before the start counts as the start itself.
    const quint32 elapsed = m_currentTime > m_startTime ? m_currentTime - m_startTime : 0;
    if (elapsed == 0)
        m_remainingTime = m_testTime;
    else if (m_testTime <= elapsed)
        m_remainingTime = 0;
    else
        m_remainingTime = m_testTime - elapsed;
}

void TestMeasurement::updateCurrentTime(quint32 timeStamp)
{
    if (timeStamp == m_currentTime)
        return;
    const quint32 previous = m_currentTime;
    m_currentTime = timeStamp;
    computeRemainingTime();
    // In the tan delta test the text counts values, which only periodic records change.
    if (m_mode != M::TanDelta)
        emit remainingTextChanged();
    if (previous < timeStamp && int(timeStamp - previous) != m_updateInterval) {
        m_updateInterval = int(timeStamp - previous);
        emit updateIntervalChanged();
    }
}

void TestMeasurement::updateMeasurementValues(const stMeasurementValues& values)
{
    updateCurrentTime(values.timeStamp);
    m_currentVoltage = values.voltage / 1e6;
    emit currentVoltageChanged();
    setMeasureParameter(m_mode == M::SheathTest ? FixedValueUnit::Leakage : FixedValueUnit::Current,
                        NumberString::leakageAmperage(values.current));
    m_measurementData.updateMeasurementValues(values);
}

void TestMeasurement::updatePeriodicMeasurementValues(const stPeriodicMeasurementValues& values)
{
    const DataModell* dm = GlobalFuncs::getDM();
    updateCurrentTime(values.timeStamp);
    setMeasureParameter(FixedValueUnit::Leakage, NumberString::leakageAmperage(values.current));
    const quint32 tanDelta = MeasurementData::shownTanDelta(values.tanDelta);
    setMeasureParameter(FixedValueUnit::TanDelta,
                        NumberString::tanDelta(tanDelta, dm ? dm->getTanDeltaPrecision() : 0));
    m_measurementData.updatePeriodicMeasurementValues(values);

    if (!dm || !isStepMode(m_mode))
        return;
    if (values.tanDelta != kNoTanDelta)
        ++m_valueCount;
    const quint32 valuesPerStep = dm->getNumberOfValues();
    const quint32 steps = dm->getVoltageSteps();
    if (m_valueCount >= valuesPerStep && m_stepIndex + 1 < steps) {
        ++m_stepIndex;
        m_valueCount = 0;
        emit maxVoltageChanged();
    }
    // The closing withstand phase starts once; records without tan delta that follow
    // leave the count as it is and must not start it again.
    if (m_mode == M::MWTStep && !m_withstandPhase && m_stepIndex + 1 == steps && m_valueCount == valuesPerStep) {
        m_withstandPhase = true;
        m_startTime = values.timeStamp;
        computeRemainingTime();
    }
    emit remainingTextChanged();
}

void TestMeasurement::setMeasureParameter(FixedValueUnit::ValueType type, const QPair<QString, QString>& valueAndUnit)
{
    for (FixedValueUnit* item : m_measureParameters.items()) {
        if (item->type() == type) {
            *item = valueAndUnit;
            emit measureParametersChanged();
            return;
        }
    }
}

void TestMeasurement::updateMeasureParameter()
{
    QList<FixedValueUnit*> items;
    switch (m_mode) {
    case M::VLFRect: {
        // Only the 100 mHz rectangle is read as a leakage current.
        const DataModell* dm = GlobalFuncs::getDM();
        if (dm && dm->getFrequencyUsed() == 100)
            items << new FixedValueUnit(FixedValueUnit::Leakage, this);
        break;
    }
    case M::VLFCosRect:
    case M::SheathTest:
        items << new FixedValueUnit(FixedValueUnit::Leakage, this);
        break;
    case M::DC:
    case M::VLFSin:
        items << new FixedValueUnit(FixedValueUnit::Current, this);
        break;
    case M::TanDelta:
    case M::MWTSingle:
    case M::MWTStep:
        items << new FixedValueUnit(FixedValueUnit::TanDelta, this);
        break;
    default:
        break;
    }
    m_measureParameters.replace(items, [this] { emit measureParametersChanged(); });
    m_measurementData.createData(m_mode);
}

bool TestMeasurement::isTanDeltaWaiting() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->isTanDeltaWaiting();
}

bool TestMeasurement::setTargetVoltage(double targetVoltage)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm || !m_targetOpen)
        return false;
    // On the entry's 0.1 kV grid the target the unit holds is nothing new.
    if (qRound(targetVoltage * 10) == qRound(m_target * 10))
        return true;
    // Chosen on a peak-scaled gauge; the data model bounds it and tells the unit.
    m_target = dm->setTargetVoltage(long(targetVoltage * 1000000.0)) / 1e6;
    emit targetChanged();
    return true;
}

void TestMeasurement::onAppStateChanged(States::AppState oldState, States::AppState newState)
{
    Q_UNUSED(oldState)
    const bool open = newState == States::TestRunning;
    if (open == m_targetOpen)
        return;
    m_targetOpen = open;
    emit targetOpenChanged();
}

double TestMeasurement::maxVoltage() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return m_testVoltage;
    switch (m_mode) {
    case M::SheathTest:
    case M::SheathPinpointing:
        return voltageRange();
    case M::TanDelta:
        return largestVoltage(dm->getVoltageStepList(), m_testVoltage);
    case M::MWTStep:
        return largestVoltage(QList<long>{dm->withstandVoltage()} + dm->getVoltageStepList(), m_testVoltage);
    default:
        return m_testVoltage;
    }
}

double TestMeasurement::largestVoltage(const QList<long>& millivolts, double fallback)
{
    if (millivolts.isEmpty())
        return fallback;
    long best = millivolts.first();
    for (long v : millivolts)
        if (std::labs(v) > std::labs(best))
            best = v;
    return best / 1e6;
}

double TestMeasurement::voltageRange() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return 0.0;
    const QPair<long, long> range = dm->getVoltageRangeToTest();
    return (std::labs(range.first) > std::labs(range.second) ? range.first : range.second) / 1e6;
}

QString TestMeasurement::measurementText() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (dm && dm->getAppState() == States::TestBurning)
        return QCoreApplication::translate("ErrorMessages", "BreakdownDetected");
    const QString phase = dm ? dm->getPhaseName(dm->tanDeltaPhaseIndex()) : QString();
    switch (m_mode) {
    case M::VLFRect:
    case M::VLFCosRect:
    case M::DC:
    case M::SheathTest:
    case M::VLFSin:
    case M::MWTSingle:
        return QCoreApplication::translate("MeasurementMessages", "TestRunning");
    case M::TanDelta:
        return QCoreApplication::translate("MeasurementMessages", "DiagnosisRunningOnPhase").arg(phase);
    case M::MWTStep:
        return QCoreApplication::translate("MeasurementMessages", "TestRunningOnPhase").arg(phase);
    default:
        return QCoreApplication::translate("MeasurementMessages", "PinpointingRunning");
    }
}

QString TestMeasurement::getTimeString(unsigned int ms)
{
    const unsigned int s = unsigned(ms / 1000.0);
    const unsigned int h = s / 3600;
    const unsigned int m = (s - 3600 * h) / 60;
    const unsigned int sec = s - 3600 * h - 60 * m;
    if (h < 1) {
        QString format = QCoreApplication::translate(
            "DateTime", "TimeFormatMinutes",
            "time format, mm=minute, ss=second, characters enclosed in single quotes will be treated as normal text");
        replaceFirst(format, QStringLiteral("mm"), m);
        replaceFirst(format, QStringLiteral("ss"), sec);
        return QCoreApplication::translate("Units", "ValueMinutes", "value with unit minutes").arg(format);
    }
    QString format = QCoreApplication::translate("DateTime", "TimeFormatHours",
                                                 "time format, hh=hour, mm=minute, ss=second, characters enclosed in "
                                                 "single quotes will be treated as normal text");
    replaceFirst(format, QStringLiteral("hh"), h);
    replaceFirst(format, QStringLiteral("mm"), m);
    replaceFirst(format, QStringLiteral("ss"), sec);
    return QCoreApplication::translate("Units", "ValueHours", "value with unit hours").arg(format);
}

QString TestMeasurement::remainingText() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return QString();
    if (m_mode == M::TanDelta || (m_mode == M::MWTStep && !m_withstandPhase)) {
        // The count grows past the values per step on the last step.
        const quint32 valuesPerStep = dm->getNumberOfValues();
        const quint32 left = valuesPerStep > m_valueCount ? valuesPerStep - m_valueCount : 0;
        const double factor = dm->getDefaultVoltageFactor(int(m_stepIndex)) / 10.0;
        return QCoreApplication::translate("MeasurementMessages", "ValuesLeft").arg(left).arg(factor, 0, 'f', 1);
    }
    if (m_mode == M::MWTStep) {
        return QStringLiteral("%1 @ %2 U\u2080 ")
                   .arg(QCoreApplication::translate("TestModes", "MWT"))
                   .arg(dm->getVoltageFactor(VoltageType_Factor) / 10.0, 0, 'f', 1)
               + getTimeString(m_testTime != 0 ? m_remainingTime : m_currentTime);
    }
    if (m_testTime == 0)
        return getTimeString(m_currentTime);
    if (m_mode == M::VLFCosRect && !dm->isNominalVoltageReached())
        return QCoreApplication::translate("MeasurementMessages", "ChargingPhase");
    if (m_mode == M::SheathPinpointing)
        return getTimeString(m_remainingTime);
    return QCoreApplication::translate("MeasurementMessages", "TimeLeft").arg(getTimeString(m_remainingTime));
}
