#include "testrun/TLog.h"

#include "datamodel/DataModell.h"
#include "hvunit/ErrorMessages.h"
#include "logging/LoggingCtrl.h"
#include "core/GlobalFuncs.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

namespace {
const QString LOG_SEPARATOR = QStringLiteral("; ");
const QString TimeOfDayFormat = QStringLiteral("hh:mm:ss");

// Model number of the HV unit that has no HV-source status.
constexpr quint8 TypeWithoutHvSource = 45;

QString hexWord(quint64 value, int minWidth)
{
    return QStringLiteral("0x") + QString::number(value, 16).rightJustified(minWidth, QLatin1Char('0'));
}

void writeLine(const QString& line, const char* function)
{
    const QByteArray text = line.toLocal8Bit();
    LoggingCtrl::log(CAT_MEAS, "MEAS", text.constData(), -1, "TLog", function);
}

QString resistanceText(unsigned long long milliohms)
{
    if (milliohms <= 999999999ULL)
        return QStringLiteral("<1M");
    if (milliohms >= 5000000000000ULL)
        return QStringLiteral(">=5G");
    return QString::number(milliohms / 1000000000ULL) + QLatin1Char('M');
}

QString voltageTypeText(int type)
{
    switch (type) {
    case VoltageType_None:
        return QStringLiteral("NONE");
    case VoltageType_RMS:
        return QStringLiteral("RMS");
    case VoltageType_PEAK:
        return QStringLiteral("PEAK");
    case VoltageType_Factor:
        return QStringLiteral("FACTOR");
    }
    return QString();
}
} // namespace

TLog::TLog() : m_mutex(new QMutex) {}

TLog::~TLog() { delete m_mutex; }

QString TLog::TimeString(int hours, int minutes, int seconds)
{
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3").arg(hours, 2, 10, zero).arg(minutes, 2, 10, zero).arg(seconds, 2, 10, zero);
}

QString TLog::elapsedTimeString(quint64 milliseconds)
{
    const quint64 s = (milliseconds + 500) / 1000;
    return TimeString(int(s / 3600), int((s % 3600) / 60), int(s % 60));
}

QString TLog::fixedPointUnsigned(quint64 value, quint64 divisor, int decimals)
{
    quint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    quint64 whole = value / divisor;
    // Fraction in units of 1/scale, rounded half up; the rest is below the divisor.
    quint64 fraction = ((value % divisor) * scale * 2 + divisor) / (2 * divisor);
    if (fraction >= scale) {
        whole += 1;
        fraction -= scale;
    }
    QString text = QString::number(whole);
    if (decimals > 0)
        text += QLatin1Char('.') + QString::number(fraction).rightJustified(decimals, QLatin1Char('0'));
    return text;
}

QString TLog::fixedPoint(qint64 value, quint64 divisor, int decimals)
{
    // Unsigned magnitude, so that the lowest 64-bit value keeps its digits.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    const QString text = fixedPointUnsigned(magnitude, divisor, decimals);
    const bool zero = text.count(QLatin1Char('0')) + text.count(QLatin1Char('.')) == text.size();
    return value < 0 && !zero ? QLatin1Char('-') + text : text;
}

TLog::Part1Values TLog::readPart1Values()
{
    DataModell* dm = GlobalFuncs::getDM();
    Part1Values v;
    v.start = dm->getTestTime(TestTime_Start);
    for (int i = 0; i < 6; ++i)
        v.versions[i] = dm->getVersion(4 + i, i == 3);
    const stIdentification id = dm->getHVIdentification();
    v.firmwareMajor = id.firmwareMajor;
    v.firmwareMinor = id.firmwareMinor;
    v.serialNumber = dm->getSerialNumber();
    v.voltage = dm->getVoltageToTest();
    v.voltageType = dm->getVoltageType();
    v.frequency = dm->getFrequencyToTest();
    v.testTime = dm->getTestTimeUsed();
    v.modeName = dm->getCurrentOperatingModeName();
    v.mode = dm->getOperatingMode();
    v.polarity = dm->getVoltagePolarity();
    v.developmentMode = dm->isDevelopmentMode();
    v.gainU = dm->getHVUnitParam(eHVUnitParamType_GainU);
    v.gainI = dm->getHVUnitParam(eHVUnitParamType_GainI);
    return v;
}

QString TLog::part1Line(const Part1Values& v)
{
    QString mode = v.modeName;
    if (v.mode == OperatingModes::DC || v.mode == OperatingModes::DAC)
        mode += v.polarity == VoltagePolarity_Positive ? QLatin1Char('+') : QLatin1Char('-');

    QStringList fields;
    fields << QStringLiteral("Part1") << v.start.toString(QStringLiteral("dd'/'MM'/'yyyy"))
           << v.start.toString(QStringLiteral("hh':'mm':'ss"));
    for (const QString& version : v.versions)
        fields << version;
    fields << QStringLiteral("%1.%2").arg(v.firmwareMajor).arg(v.firmwareMinor, 2, 10, QLatin1Char('0'))
           << v.serialNumber << fixedPoint(v.voltage, 1000000, 1) << voltageTypeText(v.voltageType)
           << (v.frequency == 0 ? QStringLiteral("AUTO") : fixedPointUnsigned(v.frequency, 1000, 2))
           << TimeString(v.testTime.minutes / 60, v.testTime.minutes % 60, v.testTime.seconds) << mode
           << (v.developmentMode ? QStringLiteral("ON") : QStringLiteral("OFF"))
           << fixedPointUnsigned(v.gainU, 10000, 3) << fixedPointUnsigned(v.gainI, 10000, 3);
    return fields.join(LOG_SEPARATOR);
}

bool TLog::createLogPart1()
{
    QMutexLocker lock(m_mutex);
    writeLine(part1Line(readPart1Values()), "createLogPart1");
    return true;
}

bool TLog::createLogPart2()
{
    QMutexLocker lock(m_mutex);
    DataModell* dm = GlobalFuncs::getDM();

    const QDateTime measurementStart = dm->getTestTime(TestTime_MeasurementStart);
    const QDateTime shown = measurementStart.isValid() ? measurementStart : QDateTime::currentDateTime();

    QStringList fields;
    fields << QStringLiteral("Part2") << shown.toString(TimeOfDayFormat) << hexWord(dm->getHVUnitState().state, 8);
    if (dm->modeUseLoadDetection()) {
        fields << resistanceText(dm->getResistorLoad())
               << fixedPointUnsigned(dm->getCapacitanceLoad(), 1000, 3);
    }
    fields << fixedPointUnsigned(dm->getFrequencyUsed(), 1000, 2);
    writeLine(fields.join(LOG_SEPARATOR), "createLogPart2");
    return true;
}

bool TLog::createLogPart3()
{
    QMutexLocker lock(m_mutex);
    DataModell* dm = GlobalFuncs::getDM();

    const eTestResult result = dm->getTestResult();
    const bool loadDetection = dm->modeUseLoadDetection();

    ErrorMessages::ResultDetails details;
    details.result = result;
    details.mode = dm->getOperatingMode();
    details.safetyCircuit = dm->getLastSafetyCircuitError();
    details.overload = loadDetection;
    details.overloadValue64 = dm->getResistorLoad();
    details.overloadValue32 = quint32(dm->getCapacitanceLoad());
    details.hvSourceStatusKnown = dm->getPevantoType() != TypeWithoutHvSource;
    details.hvSourceStatus =
        details.hvSourceStatusKnown ? quint16(dm->getHVUnitParam(eHVUnitParamType_HvSourceStatus) & 0xFFFF) : 0;

    const stFaultValues fault = dm->getFaultValues();
    QString elapsed;
    if (result == eTestResult_FinishedSuccess)
        elapsed = TimeString(0, 0, 0);
    else if (result == eTestResult_BreakdownDetected)
        elapsed = fault.faultTime == -1 ? QStringLiteral("Unknown.") : elapsedTimeString(quint32(fault.faultTime));
    else
        elapsed = elapsedTimeString(dm->getLastMeasurementValues().timeStamp);

    const bool withVoltage = result == eTestResult_BreakdownDetected || result == eTestResult_OvercurrentHVUnit;

    QStringList fields;
    fields << QStringLiteral("Part3") << dm->getTestTime(TestTime_Stop).toString(TimeOfDayFormat)
           << ErrorMessages::getErrorMessage(details, ErrorMessages::Untranslated) << elapsed
           << (withVoltage ? fixedPoint(fault.faultVoltage, 1000000, 1) : QStringLiteral("0"))
           << hexWord(dm->getLastHVUnitErrorState().state, 4);
    writeLine(fields.join(LOG_SEPARATOR), "createLogPart3");
    return true;
}
