#include "datamodel/TestSettings.h"

#include "core/GlobalFuncs.h"
#include "core/Locked.h"
#include "core/ValueConverter.h"
#include "db/DB.h"

#include <QMutexLocker>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

using M = OperatingModes;
namespace TD = TanDelta::evaluation;

namespace {
const QString kGeneral = QStringLiteral("TestSettings");
const QString kTanDelta = QStringLiteral("TanDelta");
const QString kFactorList = QStringLiteral("VoltageFactorList");
const QVector<unsigned short> kDefaultFactors = {5, 10, 15, 20, 25, 30}; // tenths of U0

int toInt(const QString& text, int fallback)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? v : fallback;
}

long toLong(const QString& text, long fallback)
{
    bool ok = false;
    const long v = text.toLong(&ok);
    return ok ? v : fallback;
}

bool validVoltageType(int t)
{
    return t == VoltageType_RMS || t == VoltageType_PEAK || t == VoltageType_Factor;
}
} // namespace

TestSettings::TestSettings() : m_comment(QString(CommentLength, QLatin1Char(' '))), m_defaultFactors(kDefaultFactors)
{
    m_values = builtInValues(m_mode);
}

QString TestSettings::read(const QString& category, const QString& feature)
{
    DB* db = GlobalFuncs::getDB();
    return db ? db->getDefaultValue(category, feature) : QString();
}

void TestSettings::save(const QString& category, const QString& feature, const QString& value)
{
    if (DB* db = GlobalFuncs::getDB())
        db->setDefaultValue(category, feature, value);
}

QString TestSettings::categoryOf(M::OperatingMode mode)
{
    QString name = M::getInstance()->getModeName(mode);
    name.remove(QRegularExpression(QStringLiteral("\\s")));
    return name;
}

QString TestSettings::modeCategory() const
{
    return categoryOf(m_mode);
}

void TestSettings::queueSave(const QString& category, const QString& feature, const QString& value) const
{
    m_dirty.insert(qMakePair(category, feature), value);
}

void TestSettings::saveMode(const char* feature, const QString& value) const
{
    queueSave(modeCategory(), QString::fromLatin1(feature), value);
}

void TestSettings::flush() const
{
    // Database calls from another thread wait for the database's thread, so they never
    // run under the settings lock; one thread at a time writes, latest value last.
    for (;;) {
        QMap<QPair<QString, QString>, QString> batch;
        {
            QMutexLocker lock(&m_mutex);
            if (m_flushing || m_dirty.isEmpty())
                return;
            batch.swap(m_dirty);
            m_flushing = true;
        }
        for (auto it = batch.constBegin(); it != batch.constEnd(); ++it)
            save(it.key().first, it.key().second, it.value());
        Locked::write(m_mutex, m_flushing, false);
    }
}

QMap<QString, QString> TestSettings::readStore(const QString& category, const QStringList& features)
{
    QMap<QString, QString> out;
    for (const QString& f : features)
        out.insert(f, read(category, f));
    return out;
}

namespace {
const QStringList kModeFeatures = {"VoltageType", "VoltageFactor", "Voltage", "VoltageRange", "Frequency", "Minutes",
                                   "Seconds", "Polarity", "RampMode", "BurnLimiter", "DutyCycle", "CosRectType"};
const QStringList kGeneralFeatures = {"OperatingMode", "Phases", "CableNumber", "Comment", "Insulation",
                                      "EvaluationStandard", "VoltageSteps", "NumberOfValues"};
} // namespace

M::OperatingMode TestSettings::resolve(M::OperatingMode mode) const
{
    return mode == M::Unknown ? m_mode : M::fromInt(mode);
}

TestSettings::ModeValues TestSettings::builtInValues(M::OperatingMode mode) const
{
    const M* modes = M::getInstance();
    ModeValues v;
    const int types = modes->getSupportedVoltageTypes(mode);
    v.voltageType = (types & M::SupportsRMS) ? VoltageType_RMS : VoltageType_PEAK;
    v.factor = 30;
    const QPair<long, long> range = modes->voltageRange(mode);
    const long preferred = modes->getClassification(mode).testFlag(M::ClassSheath) ? 5000000L : 10000000L;
    v.voltage = range.second > 0 ? qBound(range.first, preferred, range.second) : 0;
    v.rangeUpper = v.voltage;
    const int maxMinutes = modes->maxTestTime(mode);
    v.minutes = static_cast<unsigned short>(mode == M::DC ? 15 : (mode == M::SheathTest ? 10 : qMin(60, maxMinutes)));
    v.cosRectType = m_defaultCosRectType;
    return v;
}

void TestSettings::load()
{
    const QMap<QString, QString> g = readStore(kGeneral, kGeneralFeatures);
    M::OperatingMode mode = M::fromInt(toInt(g.value("OperatingMode"), M::None));
    if (mode == M::Unknown)
        mode = M::None;
    const QMap<QString, QString> stored = mode == M::None ? QMap<QString, QString>() : readStore(categoryOf(mode), kModeFeatures);
    const QStringList factors = read(kTanDelta, kFactorList).split(QLatin1Char(','), Qt::SkipEmptyParts);

    QMutexLocker lock(&m_mutex);
    m_mode = mode;
    m_phases = toInt(g.value("Phases"), 1) & 0x7;
    m_cableNumber = g.value("CableNumber");
    m_comment = normalizeComment(g.value("Comment"));
    const int insulation = toInt(g.value("Insulation"), TD::PE_XLPE);
    m_insulation = (insulation >= TD::PE_XLPE && insulation <= TD::XLPE) ? TD::eInsulationType(insulation) : TD::PE_XLPE;
    const int standard = toInt(g.value("EvaluationStandard"), TD::IEEE2013);
    m_standard = standard >= 0 ? TD::eEvaluationStandard(standard) : TD::IEEE2013;
    m_voltageSteps = uint(qBound(1, toInt(g.value("VoltageSteps"), 3), MaxVoltageSteps));
    m_numberOfValues = uint(qBound(1, toInt(g.value("NumberOfValues"), 8), MaxNumberOfValues));
    m_defaultFactors = kDefaultFactors;
    for (int i = 0; i < factors.size() && i < m_defaultFactors.size(); ++i) {
        const int f = toInt(factors.at(i).trimmed(), -1);
        if (f > 0 && f <= 0xFFFF)
            m_defaultFactors[i] = static_cast<unsigned short>(f);
    }
    applyModeValuesLocked(stored);
}

void TestSettings::applyModeValuesLocked(const QMap<QString, QString>& stored)
{
    m_values = builtInValues(m_mode);
    if (m_mode == M::None)
        return;
    auto get = [&stored](const char* feature) { return stored.value(QString::fromLatin1(feature)); };
    const int type = toInt(get("VoltageType"), m_values.voltageType);
    if (validVoltageType(type) && (M::getInstance()->getSupportedVoltageTypes(m_mode) & type))
        m_values.voltageType = eVoltageType(type);
    if (m_mode == M::MWTStep)
        m_values.voltageType = VoltageType_RMS;
    m_values.factor = qBound(1, toInt(get("VoltageFactor"), m_values.factor), int(MaxVoltageFactor));
    const QPair<long, long> range = voltageRangeLocked(m_mode);
    m_values.voltage = toLong(get("Voltage"), m_values.voltage);
    m_values.voltage = boundStoredVoltage(m_values.voltage, typeFactorLocked());
    m_values.rangeUpper = qBound(range.first, toLong(get("VoltageRange"), m_values.rangeUpper), range.second);
    m_values.frequency = boundFrequencyLocked(toLong(get("Frequency"), long(m_values.frequency)));
    const int maxMinutes = M::getInstance()->maxTestTime(m_mode);
    m_values.minutes = static_cast<unsigned short>(qBound(0, toInt(get("Minutes"), m_values.minutes), maxMinutes));
    m_values.seconds = static_cast<unsigned short>(qBound(0, toInt(get("Seconds"), 0), 59));
    m_values.polarity = toInt(get("Polarity"), 0) == 1 ? VoltagePolarity_Negative : VoltagePolarity_Positive;
    m_values.rampMode = eVoltageRampMode(qBound(0, toInt(get("RampMode"), 0), 2));
    m_values.burnLimiter = toInt(get("BurnLimiter"), 0) != 0;
    m_values.dutyCycle = eDutyCycle(qBound(0, toInt(get("DutyCycle"), 0), 4));
    m_values.cosRectType = qBound(0, toInt(get("CosRectType"), m_defaultCosRectType), 2);
}

void TestSettings::setTestSettingsDefault()
{
    SaveScope scope(this);
    m_mode = M::None;
    m_values = builtInValues(m_mode);
    m_phases = 1;
    m_cableNumber.clear();
    m_comment = QString(CommentLength, QLatin1Char(' '));
    m_insulation = TD::PE_XLPE;
    m_standard = TD::IEEE2013;
    m_voltageSteps = 3;
    m_numberOfValues = 8;
    m_defaultFactors = kDefaultFactors;
    queueSave(kGeneral, QStringLiteral("OperatingMode"), QString::number(int(m_mode)));
}

M::OperatingMode TestSettings::getOperatingMode() const { return Locked::read(m_mutex, m_mode); }

bool TestSettings::changeOperatingMode(M::OperatingMode mode)
{
    if (mode < M::None || mode >= M::Unknown)
        return false;
    const QMap<QString, QString> stored = mode == M::None ? QMap<QString, QString>() : readStore(categoryOf(mode), kModeFeatures);
    SaveScope scope(this);
    m_mode = mode;
    queueSave(kGeneral, QStringLiteral("OperatingMode"), QString::number(int(mode)));
    applyModeValuesLocked(stored);
    return true;
}

void TestSettings::setUnitLimits(long maxVoltagePeak, unsigned long maxFrequency)
{
    QMutexLocker lock(&m_mutex);
    m_unitMaxVoltage = maxVoltagePeak > 0 ? maxVoltagePeak : 0;
    m_unitMaxFrequency = maxFrequency;
    // What the unit cannot do is not kept for the next test.
    m_values.voltage = boundStoredVoltage(m_values.voltage, typeFactorLocked());
    const QPair<long, long> range = voltageRangeLocked(m_mode);
    m_values.rangeUpper = qBound(range.first, m_values.rangeUpper, range.second);
    m_values.frequency = boundFrequencyLocked(long(m_values.frequency));
}

QPair<long, long> TestSettings::voltageRangeLocked(M::OperatingMode mode) const
{
    QPair<long, long> range = M::getInstance()->voltageRange(mode);
    if (mode == M::None) {
        // The instrument's own maximum: the unit's when known, else the largest of the catalogue.
        long max = 0;
        for (int m = 1; m < M::Unknown; ++m)
            max = qMax(max, M::getInstance()->voltageRange(M::OperatingMode(m)).second);
        range = qMakePair(0L, m_unitMaxVoltage > 0 ? qMin(max, m_unitMaxVoltage) : max);
    } else if (m_unitMaxVoltage > 0 && range.second > m_unitMaxVoltage) {
        range.second = qMax(range.first, m_unitMaxVoltage);
    }
    return range;
}

QPair<long, long> TestSettings::getVoltageRange(M::OperatingMode mode) const
{
    QMutexLocker lock(&m_mutex);
    return voltageRangeLocked(resolve(mode));
}

long TestSettings::getVoltageMax(M::OperatingMode mode) const
{
    return getVoltageRange(mode).second;
}

QPair<unsigned long, unsigned long> TestSettings::frequencyRangeLocked(M::OperatingMode mode) const
{
    QPair<unsigned long, unsigned long> range = M::getInstance()->frequencyRange(mode);
    // The unit's highest frequency is that of its test voltage, set after the load
    // detection; a mode without one (the pinpointing's pulses) keeps its own range.
    if (m_unitMaxFrequency > 0 && range.second > m_unitMaxFrequency && M::getInstance()->loadDetection(mode))
        range.second = qMax(range.first, m_unitMaxFrequency);
    return range;
}

unsigned long TestSettings::boundFrequencyLocked(long mHz) const
{
    const QPair<unsigned long, unsigned long> range = frequencyRangeLocked(m_mode);
    // 0 is the automatic frequency, which the unit picks in its load detection; a mode
    // without one runs at a frequency of its own range.
    if (range.second == 0 || (mHz <= 0 && M::getInstance()->loadDetection(m_mode)))
        return 0;
    return qBound(range.first, static_cast<unsigned long>(qMax(0L, mHz)), range.second);
}

QPair<unsigned long, unsigned long> TestSettings::frequencyRange(M::OperatingMode mode) const
{
    QMutexLocker lock(&m_mutex);
    return frequencyRangeLocked(resolve(mode));
}

QPair<long, long> TestSettings::storedBoundsLocked(int factor) const
{
    const QPair<long, long> range = voltageRangeLocked(m_mode);
    if (factor <= 0)
        factor = 10;
    // The resulting test voltage (stored x factor) stays inside the range, and so does
    // every level of a stepped test.
    const long lo = (range.first * 10 + factor - 1) / factor;
    const long hi = qMin((range.second * 10) / factor, (range.second * 10) / highestLevelLocked());
    return qMakePair(qMin(lo, hi), hi);
}

long TestSettings::boundStoredVoltage(long peak, int factor) const
{
    const QPair<long, long> bounds = storedBoundsLocked(factor);
    return qBound(bounds.first, peak, bounds.second);
}

int TestSettings::highestLevelLocked() const
{
    int highest = 10;
    if (m_mode == M::TanDelta || m_mode == M::MWTStep) {
        for (unsigned i = 0; i < m_voltageSteps && int(i) < m_defaultFactors.size(); ++i)
            highest = qMax(highest, int(m_defaultFactors.at(int(i))));
    }
    // The monitored step test ends with its withstand level, U0 x factor.
    if (m_mode == M::MWTStep)
        highest = qMax(highest, m_values.factor);
    return highest;
}

int TestSettings::typeFactorLocked() const
{
    return m_values.voltageType == VoltageType_Factor ? m_values.factor : 10;
}

bool TestSettings::typeIsRmsLocked() const
{
    return m_values.voltageType == VoltageType_RMS || m_values.voltageType == VoltageType_Factor;
}

long TestSettings::typeFormLocked(long peak) const
{
    return typeIsRmsLocked() ? ValueConverter::convertPEAKToRMS(m_mode, peak) : peak;
}

long TestSettings::peakFormLocked(long value) const
{
    return typeIsRmsLocked() ? ValueConverter::convertRMSToPEAK(m_mode, value) : value;
}

void TestSettings::reboundVoltageLocked()
{
    const long bounded = boundStoredVoltage(m_values.voltage, typeFactorLocked());
    if (bounded == m_values.voltage)
        return;
    m_values.voltage = bounded;
    saveMode("Voltage", QString::number(bounded));
}

long TestSettings::voltageToTestLocked() const
{
    return ValueConverter::multiplyVoltageByFactor(m_values.voltage, typeFactorLocked());
}

long TestSettings::voltageInTypeForm(long peak) const
{
    QMutexLocker lock(&m_mutex);
    return typeFormLocked(peak);
}

long TestSettings::enteredVoltage(long peakTestVoltage) const
{
    QMutexLocker lock(&m_mutex);
    return typeFormLocked(ValueConverter::divideVoltageByFactor(peakTestVoltage, typeFactorLocked()));
}

long TestSettings::peakTestVoltage(long entered) const
{
    QMutexLocker lock(&m_mutex);
    return ValueConverter::multiplyVoltageByFactor(peakFormLocked(entered), typeFactorLocked());
}

QPair<long, long> TestSettings::storedVoltageBounds() const
{
    QMutexLocker lock(&m_mutex);
    return storedBoundsLocked(typeFactorLocked());
}

int TestSettings::highestLevel() const
{
    QMutexLocker lock(&m_mutex);
    return highestLevelLocked();
}

QPair<int, int> TestSettings::voltageFactorRange(long enteredU0) const
{
    QMutexLocker lock(&m_mutex);
    return factorRangeLocked(enteredU0);
}

QPair<int, int> TestSettings::factorRangeLocked(long enteredU0) const
{
    const QPair<long, long> range = voltageRangeLocked(m_mode);
    return factorRange(enteredU0 / 1e6, typeFormLocked(range.second) / 1e6,
                       qMax(MinFactorVoltage, typeFormLocked(range.first) / 1e6));
}

QPair<int, int> TestSettings::factorRange(double u0, double maximum, double lowest)
{
    // Without a U0 there is nothing to divide by.
    if (!(u0 > 0))
        return qMakePair(1, int(MaxVoltageFactor));
    // Whole tenths must not lose a step to the binary form of a tenth.
    const int highest = qBound(1, int(std::floor(10 * maximum / u0 + 1e-9)), int(MaxVoltageFactor));
    const int low = qBound(1, int(std::ceil(10 * lowest / u0 - 1e-9)), highest);
    return qMakePair(low, highest);
}

long TestSettings::withstandVoltage() const
{
    QMutexLocker lock(&m_mutex);
    if (m_mode != M::MWTStep)
        return voltageToTestLocked();
    return ValueConverter::multiplyVoltageByFactor(m_values.voltage, m_values.factor);
}

long TestSettings::getVoltageToTest() const
{
    QMutexLocker lock(&m_mutex);
    return voltageToTestLocked();
}

long TestSettings::getStoredVoltage() const { return Locked::read(m_mutex, m_values.voltage); }

void TestSettings::setVoltageToTest(long value)
{
    SaveScope scope(this);
    m_values.voltage = boundStoredVoltage(peakFormLocked(value), typeFactorLocked());
    saveMode("Voltage", QString::number(m_values.voltage));
}

eVoltageType TestSettings::getVoltageType() const { return Locked::read(m_mutex, m_values.voltageType); }

void TestSettings::setVoltageType(eVoltageType type, bool saveDefault)
{
    SaveScope scope(this);
    if (!validVoltageType(type))
        return;
    if (m_mode == M::MWTStep)
        type = VoltageType_RMS;
    if (type == m_values.voltageType)
        return;
    // Keep the test voltage: entering the factor type stores U0, leaving it the test voltage.
    const long testVoltage = voltageToTestLocked();
    m_values.voltageType = type;
    if (type == VoltageType_Factor)
        m_values.voltage = boundStoredVoltage(ValueConverter::divideVoltageByFactor(testVoltage, m_values.factor),
                                              m_values.factor);
    else
        m_values.voltage = boundStoredVoltage(testVoltage, 10);
    if (saveDefault) {
        saveMode("VoltageType", QString::number(int(type)));
        saveMode("Voltage", QString::number(m_values.voltage));
    }
}

int TestSettings::getVoltageFactor(eVoltageType type) const
{
    QMutexLocker lock(&m_mutex);
    return type == VoltageType_Factor ? m_values.factor : 10;
}

void TestSettings::setVoltageFactor(int tenths)
{
    SaveScope scope(this);
    // The bound the page offers for the U0 it shows.
    const QPair<int, int> limits = factorRangeLocked(typeFormLocked(m_values.voltage));
    m_values.factor = qBound(limits.first, tenths, limits.second);
    saveMode("VoltageFactor", QString::number(m_values.factor));
}

QPair<long, long> TestSettings::getVoltageRangeToTest() const
{
    QMutexLocker lock(&m_mutex);
    return qMakePair(voltageRangeLocked(m_mode).first, m_values.rangeUpper);
}

void TestSettings::setVoltageRangeToTest(long upper)
{
    SaveScope scope(this);
    const QPair<long, long> range = voltageRangeLocked(m_mode);
    m_values.rangeUpper = qBound(range.first, upper, range.second);
    saveMode("VoltageRange", QString::number(m_values.rangeUpper));
}

QList<long> TestSettings::stepListLocked() const
{
    QList<long> steps;
    for (unsigned i = 0; i < m_voltageSteps && int(i) < m_defaultFactors.size(); ++i)
        steps.append(ValueConverter::multiplyVoltageByFactor(m_values.voltage, m_defaultFactors.at(int(i))));
    return steps;
}

long TestSettings::testInitializationVoltage() const
{
    QMutexLocker lock(&m_mutex);
    if (m_mode == M::TanDelta || m_mode == M::MWTStep) {
        const QList<long> steps = stepListLocked();
        return steps.isEmpty() ? voltageToTestLocked() : steps.first();
    }
    // The unit cannot be told to wait: a manual ramp starts at the mode's lowest voltage
    // and goes where the operator's targets take it.
    if (m_values.rampMode == VoltageRampMode_Manual)
        return voltageRangeLocked(m_mode).first;
    return voltageToTestLocked();
}

long TestSettings::setTargetVoltage(long peak)
{
    QMutexLocker lock(&m_mutex);
    const long lowest = voltageRangeLocked(m_mode).first;
    const long target = qBound(lowest, peak, qMax(lowest, m_values.rangeUpper));
    // Not saved: the worker puts the operator's voltage back when the test ends.
    m_values.voltage = ValueConverter::divideVoltageByFactor(target, typeFactorLocked());
    return target;
}

long TestSettings::testStartVoltage() const
{
    return testInitializationVoltage();
}

unsigned long TestSettings::getFrequencyToTest() const { return Locked::read(m_mutex, m_values.frequency); }

void TestSettings::setFrequencyToTest(int mHz)
{
    SaveScope scope(this);
    m_values.frequency = boundFrequencyLocked(mHz);
    saveMode("Frequency", QString::number(m_values.frequency));
}

unsigned short TestSettings::getMinutesToTest() const { return Locked::read(m_mutex, m_values.minutes); }

void TestSettings::setMinutesToTest(unsigned short minutes)
{
    SaveScope scope(this);
    const int max = M::getInstance()->maxTestTime(m_mode);
    m_values.minutes = static_cast<unsigned short>(qMin(int(minutes), max > 0 ? max : int(minutes)));
    saveMode("Minutes", QString::number(m_values.minutes));
}

unsigned short TestSettings::getSecondsToTest() const { return Locked::read(m_mutex, m_values.seconds); }

void TestSettings::setSecondsToTest(unsigned short seconds)
{
    SaveScope scope(this);
    m_values.seconds = static_cast<unsigned short>(qMin(int(seconds), 59));
    saveMode("Seconds", QString::number(m_values.seconds));
}

eVoltagePolarity TestSettings::getVoltagePolarity() const { return Locked::read(m_mutex, m_values.polarity); }

void TestSettings::setVoltagePolarity(eVoltagePolarity polarity)
{
    SaveScope scope(this);
    m_values.polarity = polarity == VoltagePolarity_Negative ? VoltagePolarity_Negative : VoltagePolarity_Positive;
    saveMode("Polarity", QString::number(int(m_values.polarity)));
}

eVoltageRampMode TestSettings::getVoltageRampMode() const { return Locked::read(m_mutex, m_values.rampMode); }

void TestSettings::setVoltageRampMode(eVoltageRampMode mode)
{
    if (mode < VoltageRampMode_Auto || mode > VoltageRampMode_Off)
        return;
    SaveScope scope(this);
    m_values.rampMode = mode;
    saveMode("RampMode", QString::number(int(mode)));
}

bool TestSettings::burnCurrentLimiter() const { return Locked::read(m_mutex, m_values.burnLimiter); }

void TestSettings::setBurnCurrentLimiter(bool on)
{
    SaveScope scope(this);
    m_values.burnLimiter = on;
    saveMode("BurnLimiter", QString::number(on ? 1 : 0));
}

eDutyCycle TestSettings::getDutyCycle() const { return Locked::read(m_mutex, m_values.dutyCycle); }

void TestSettings::setDutyCycle(eDutyCycle cycle)
{
    if (cycle < DutyCycle_1_4 || cycle > DutyCycle_05_1)
        return;
    SaveScope scope(this);
    m_values.dutyCycle = cycle;
    saveMode("DutyCycle", QString::number(int(cycle)));
}

int TestSettings::getVLFCosRectType() const { return Locked::read(m_mutex, m_values.cosRectType); }

void TestSettings::setVLFCosRectType(int type)
{
    if (type < 0 || type > 2)
        return;
    SaveScope scope(this);
    m_values.cosRectType = type;
    saveMode("CosRectType", QString::number(type));
}

void TestSettings::setDefaultCosRectType(int type) { Locked::write(m_mutex, m_defaultCosRectType, qBound(0, type, 2)); }

int TestSettings::phasesToTest() const { return Locked::read(m_mutex, m_phases); }

void TestSettings::setPhasesToTest(int phases)
{
    SaveScope scope(this);
    m_phases = phases & 0x7;
    queueSave(kGeneral, QStringLiteral("Phases"), QString::number(m_phases));
}

QString TestSettings::getCableNumber() const { return Locked::read(m_mutex, m_cableNumber); }

void TestSettings::setCableNumber(const QString& number)
{
    SaveScope scope(this);
    m_cableNumber = number;
    queueSave(kGeneral, QStringLiteral("CableNumber"), number);
}

QString TestSettings::normalizeComment(const QString& comment)
{
    return comment.trimmed().leftJustified(CommentLength, QLatin1Char(' '), true);
}

bool TestSettings::isStorableComment(const QString& comment)
{
    return std::all_of(comment.cbegin(), comment.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
}

QString TestSettings::getTestComment() const { return Locked::read(m_mutex, m_comment); }

void TestSettings::setTestComment(const QString& comment)
{
    SaveScope scope(this);
    m_comment = normalizeComment(comment);
    queueSave(kGeneral, QStringLiteral("Comment"), m_comment);
}

TD::eInsulationType TestSettings::getCableInsulation() const { return Locked::read(m_mutex, m_insulation); }

void TestSettings::setCableInsulation(TD::eInsulationType type)
{
    if (type < TD::PE_XLPE || type > TD::XLPE)
        return;
    SaveScope scope(this);
    m_insulation = type;
    queueSave(kGeneral, QStringLiteral("Insulation"), QString::number(int(type)));
}

TD::eEvaluationStandard TestSettings::getEvaluationStandard() const { return Locked::read(m_mutex, m_standard); }

void TestSettings::setEvaluationStandard(TD::eEvaluationStandard standard)
{
    if (int(standard) < 0)
        return;
    SaveScope scope(this);
    m_standard = standard;
    queueSave(kGeneral, QStringLiteral("EvaluationStandard"), QString::number(int(standard)));
}

unsigned TestSettings::getVoltageSteps() const { return Locked::read(m_mutex, m_voltageSteps); }

void TestSettings::setVoltageSteps(unsigned steps)
{
    SaveScope scope(this);
    m_voltageSteps = qBound(1u, steps, unsigned(MaxVoltageSteps));
    queueSave(kGeneral, QStringLiteral("VoltageSteps"), QString::number(m_voltageSteps));
    reboundVoltageLocked();
}

unsigned TestSettings::getNumberOfValues() const { return Locked::read(m_mutex, m_numberOfValues); }

void TestSettings::setNumberOfValues(unsigned values)
{
    SaveScope scope(this);
    m_numberOfValues = qBound(1u, values, unsigned(MaxNumberOfValues));
    queueSave(kGeneral, QStringLiteral("NumberOfValues"), QString::number(m_numberOfValues));
}

unsigned short TestSettings::getDefaultVoltageFactor(int step) const
{
    QMutexLocker lock(&m_mutex);
    return (step >= 0 && step < m_defaultFactors.size()) ? m_defaultFactors.at(step) : 0;
}

bool TestSettings::setDefaultVoltageFactor(unsigned short tenths, int step)
{
    SaveScope scope(this);
    if (step < 0 || step >= m_defaultFactors.size())
        return true; // nothing to store for a step that does not exist
    m_defaultFactors[step] = tenths;
    QStringList parts;
    for (unsigned short f : qAsConst(m_defaultFactors))
        parts << QString::number(f);
    queueSave(kTanDelta, kFactorList, parts.join(QLatin1Char(',')));
    reboundVoltageLocked();
    return true;
}

QVector<unsigned short> TestSettings::getVoltageFactorList() const
{
    QMutexLocker lock(&m_mutex);
    QVector<unsigned short> out;
    for (unsigned i = 0; i < m_voltageSteps && int(i) < m_defaultFactors.size(); ++i)
        out.append(static_cast<unsigned short>(m_defaultFactors.at(int(i)) * 10));
    return out;
}

QList<long> TestSettings::getVoltageStepList() const
{
    QMutexLocker lock(&m_mutex);
    return stepListLocked();
}
