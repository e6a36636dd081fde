#include "gui/ActivityItem.h"

#include "core/DutyCycleStrings.h"
#include "core/NumberString.h"
#include "datamodel/TestSettings.h"
#include "gui/MeasurementStrings.h"
#include "gui/TestResults.h"
#include "tandelta/TanDeltaLists.h"
#include "tandelta/TanDeltaStrings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLocale>

#include <limits>

namespace TDE = TanDelta::evaluation;

ActivityItem::ActivityItem(QObject* parent) : QObject(parent)
{
    connect(this, &ActivityItem::dataLoaded, &m_measurementData, &MeasurementData::measurementDataChanged);
}

QString ActivityItem::resultString() const
{
    return Measurement::strings::testResultToText(Measurement::eGuiTestResult(m_displayResult));
}

QString ActivityItem::resultDetailString() const
{
    // The stored test's own fault values, not those of the test last run.
    const QString detail = Measurement::strings::testResultToDetailText(eTestResult(m_storedResult), m_faultValues);
    if (detail.isEmpty())
        return QString();
    const QString circuit = Measurement::strings::safetyCircuitStateText(m_safetyCircuitState);
    if (!circuit.isEmpty())
        return QStringLiteral("%1<br><small>%2</small>").arg(detail, circuit);
    // The record keeps the unit's state word, no source status: no source error to name.
    if (m_storedResult == eTestResult_CancelledByOp)
        return QString();
    return detail;
}

void ActivityItem::writeComment(const QString& text)
{
    const QString comment = text.trimmed().left(TestSettings::CommentLength).trimmed();
    if (comment == m_comment || !TestSettings::isStorableComment(comment))
        return;
    m_comment = comment;
    emit commentChanged(filepath(), comment);
    emit dataLoaded();
}

QString ActivityItem::getModeString() const
{
    const QByteArray key = OperatingModes::getInstance()->detailedModeName(m_mode).toUtf8();
    return QCoreApplication::translate("TestModes", key.constData(), "Test Mode description");
}

void ActivityItem::setCableNumber(const QString& cableNumber) { m_cableNumber = cableNumber.trimmed(); }

void ActivityItem::clearData()
{
    m_preparation.replace({}, [] {});
    m_testParameters.replace({}, [] {});
    m_tanDelta.clear();
    m_measurementData.reset();
    m_faultValues = stFaultValues();
    m_frequencyUsed = 0;
}

void ActivityItem::setFileInfo(const QFileInfo& file) { m_file = file; }

void ActivityItem::setTestResult(eTestResult result, OperatingModes::OperatingMode mode)
{
    int stored = result;
    if (mode == OperatingModes::SheathPinpointing) {
        // Pinpointing has no verdict: it is simply done.
        m_displayResult = Measurement::Done;
        stored = eTestResult_FinishedSuccess;
    } else {
        m_displayResult = TestResults::verdictOf(result);
    }
    if (stored != m_storedResult) {
        m_storedResult = stored;
        emit dataLoaded();
    }
}

void ActivityItem::setSafetyCircuitState(quint64 state) { m_safetyCircuitState = state; }
void ActivityItem::setHvUnitState(quint64 state) { m_hvUnitState = state; }
void ActivityItem::setFaultValues(const stFaultValues& values) { m_faultValues = values; }
void ActivityItem::setFrequencyUsed(qint64 milliHz) { m_frequencyUsed = milliHz > 0 ? ulong(milliHz) : 0; }

void ActivityItem::setMode(OperatingModes::OperatingMode mode)
{
    m_mode = mode;
    m_measurementData.createData(mode, m_frequencyUsed);
}

void ActivityItem::setComment(const QString& comment) { m_comment = comment.trimmed(); }

void ActivityItem::addPreparation(FixedValueUnit::ValueType type, const QPair<QString, QString>& valueAndUnit)
{
    m_preparation.append(new FixedValueUnit(type, valueAndUnit.first, valueAndUnit.second, this));
}

void ActivityItem::addTestParameter(FixedValueUnit::ValueType type, const QString& value, const QString& unit)
{
    m_testParameters.append(new FixedValueUnit(type, value, unit, this));
}

void ActivityItem::setResistor(qint64 milliohms)
{
    addPreparation(FixedValueUnit::Resistance, NumberString::loadResistance(quint64(qMax<qint64>(0, milliohms))));
}

void ActivityItem::setCapacity(qint64 nanofarads)
{
    addPreparation(FixedValueUnit::Capacitance, NumberString::loadCapacitance(quint64(qMax<qint64>(0, nanofarads))));
}

void ActivityItem::setFrequency(qint64 milliHz)
{
    addPreparation(FixedValueUnit::Frequency, NumberString::testFrequency(ulong(qMax<qint64>(0, milliHz))));
}

void ActivityItem::setPhases(qint64 phases)
{
    QString text;
    for (int bit = 0; bit < 3; ++bit)
        if (phases & (1 << bit))
            text += QStringLiteral("L%1 ").arg(bit + 1);
    addTestParameter(FixedValueUnit::Phase, text);
    m_tanDelta.setTestedPhases(IPhaseSelect::Phases(phases & (IPhaseSelect::L1 | IPhaseSelect::L2 | IPhaseSelect::L3)));
}

void ActivityItem::addVoltage(FixedValueUnit::ValueType type, qint64 millivolts)
{
    const double kV = millivolts / 1000000.0;
    // The record keeps the peak: named so where the live page may have shown RMS.
    const int forms = OperatingModes::getInstance()->getSupportedVoltageTypes(m_mode);
    const bool rms = (forms & OperatingModes::SupportsRMS) != 0;
    m_testParameters.append(new FixedValueUnit(type, QLocale().toString(kV, 'f', 1),
                                               QCoreApplication::translate("Units", "kV", "unit kilo volt"),
                                               rms ? QCoreApplication::translate("TestParameters", "PEAK") : QString(),
                                               this));
    m_measurementData.updateVoltageRange(kV, m_mode);
}

void ActivityItem::setVoltage(qint64 millivolts) { addVoltage(FixedValueUnit::Voltage, millivolts); }
void ActivityItem::setVoltageU0(qint64 millivolts) { addVoltage(FixedValueUnit::VoltageU0, millivolts); }

void ActivityItem::setTime(qint64 milliseconds)
{
    addTestParameter(FixedValueUnit::TestTime, QLocale().toString(milliseconds / 60000.0, 'g', 6),
                     QCoreApplication::translate("Units", "min", "unit minutes"));
    m_measurementData.setMaxTime(quint32(milliseconds));
}

void ActivityItem::setNumberOfVoltageLevels(qint64 levels)
{
    addTestParameter(FixedValueUnit::Levels, QLocale().toString(levels));
}

void ActivityItem::setInsulationType(qint64 type)
{
    const QVector<TDE::eInsulationType> types = TDE::allInsulationTypes();
    if (type < 0 || type >= types.size())
        return;
    m_tanDelta.setInsulationType(types.at(int(type)));
    addTestParameter(FixedValueUnit::Insulation, TanDelta::strings::insulationTypeToText(types.at(int(type)), nullptr));
}

void ActivityItem::setDutyCycle(qint64 milliHz)
{
    // The cosine-rectangular test keeps the duty cycle as its frequency.
    int dutyCycle = DutyCycle_1_3;
    switch (milliHz) {
    case 200: dutyCycle = DutyCycle_1_4; break;
    case 250: dutyCycle = DutyCycle_1_3; break;
    case 333: dutyCycle = DutyCycle_1_2; break;
    case 500: dutyCycle = DutyCycle_15_05; break;
    case 667: dutyCycle = DutyCycle_05_1; break;
    default: qDebug("setDutyCycle: Unsupported Duty Cycle %lld!", static_cast<long long>(milliHz)); break;
    }
    addTestParameter(FixedValueUnit::DutyCycle, strings::dutyCycleToName(dutyCycle));
}

void ActivityItem::addSamples(const QVector<stMeasurementValues>& samples,
                              const QVector<stPeriodicMeasurementValues>& periodic)
{
    m_measurementData.replay(samples, periodic);
}

void ActivityItem::setEvaluationStandard(qint64 standard)
{
    // Records keep the standard's id; imported standards have numbers from 1000 on, which
    // judge by the limits they were given for, installed or not.
    const auto id = TDE::eEvaluationStandard(standard);
    if (standard >= 0 && standard <= std::numeric_limits<int>::max() && TDE::isKnownEvaluationStandard(id))
        m_tanDelta.setStandard(id);
}

void ActivityItem::setVoltageFactors(const QVector<quint16>& factors, unsigned steps)
{
    m_tanDelta.setFactors(factors, steps);
}

void ActivityItem::setTanDeltaPhaseData(int phase, const QVector<TanDeltaMeasurementValues>& values)
{
    m_tanDelta.setPhaseData(phase, values);
}
