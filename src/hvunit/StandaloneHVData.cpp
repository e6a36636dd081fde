#include "StandaloneHVData.h"

#include <QMutexLocker>

#include <limits>

#define LOCKED QMutexLocker lock(&m_mutex)

void StandaloneHVData::setHVUnitState(const stHVUnitState& state) { LOCKED; m_state = state; ++m_stateUpdates; }
stHVUnitState StandaloneHVData::getHVUnitState() const { LOCKED; return m_state; }
int StandaloneHVData::getVoltagePolarity() const { LOCKED; return m_settings.voltagePolarity; }
int StandaloneHVData::getVLFCosRectType() const { LOCKED; return m_settings.cosRectType; }
stIdentification StandaloneHVData::getHVIdentification() const { LOCKED; return m_id; }
void StandaloneHVData::setHVIdentification(const stIdentification& id) { LOCKED; m_id = id; }
void StandaloneHVData::setHVCSerial(const QString& serial) { LOCKED; m_serial = serial; }
void StandaloneHVData::setHVUnitParam(eHVUnitParamType type, quint64 value) { LOCKED; m_params[type] = value; }
quint64 StandaloneHVData::getHVUnitParam(eHVUnitParamType type) const { LOCKED; return m_params.value(type, HVUnitParamUnknown); }
int StandaloneHVData::burnMode() const { LOCKED; return m_settings.burnMode; }
unsigned long StandaloneHVData::getFrequencyToTest() const { LOCKED; return m_settings.frequency; }
OperatingModes::OperatingMode StandaloneHVData::getOperatingMode() const { LOCKED; return m_settings.mode; }
unsigned short StandaloneHVData::getMinutesToTest() const { LOCKED; return m_settings.minutes; }
long StandaloneHVData::getVoltageToTest() const { LOCKED; return m_settings.voltage; }
void StandaloneHVData::changeOperatingMode(OperatingModes::OperatingMode mode) { LOCKED; m_settings.mode = mode; }
void StandaloneHVData::setVoltageToTest(long mv) { LOCKED; m_settings.voltage = mv; }
QPair<unsigned long, unsigned long> StandaloneHVData::frequencyRange(OperatingModes::OperatingMode) const { LOCKED; return m_settings.frequencyRange; }
void StandaloneHVData::setFrequencyToTest(unsigned long mhz) { LOCKED; m_settings.frequency = mhz; }
void StandaloneHVData::setMinutesToTest(unsigned short minutes) { LOCKED; m_settings.minutes = minutes; }
quint8 StandaloneHVData::getPevantoType() const { LOCKED; return m_settings.pevantoType; }
bool StandaloneHVData::isTestRunning() const { LOCKED; return m_settings.testRunning; }
bool StandaloneHVData::isDutyCycleMode() const { LOCKED; return m_settings.dutyCycle; }
int StandaloneHVData::hvGeneratorCharacteristics() const { LOCKED; return m_settings.generatorCharacteristics; }
StandaloneHVData::Settings StandaloneHVData::settings() const { LOCKED; return m_settings; }
void StandaloneHVData::setSettings(const Settings& s) { LOCKED; m_settings = s; }
QString StandaloneHVData::hvcSerial() const { LOCKED; return m_serial; }
int StandaloneHVData::stateUpdates() const { LOCKED; return m_stateUpdates; }

QString StandaloneHVData::hvSourceVersionText() const
{
    LOCKED;
    const quint64 v = m_params.value(eHVUnitParamType_HvSourceVersion, HVUnitParamUnknown);
    if (v == HVUnitParamUnknown)
        return QStringLiteral("0.00");
    return QStringLiteral("%1.%2").arg((v >> 8) & 0xFF).arg(v & 0xFF, 2, 10, QLatin1Char('0'));
}

qint64 StandaloneHVData::getPerformanceIndicator(int id, int index) const
{
    LOCKED;
    return m_indicators.value((qint64(id) << 32) | quint32(index), std::numeric_limits<qint64>::min());
}

void StandaloneHVData::setPerformanceIndicator(int id, int index, qint64 value)
{
    LOCKED;
    m_indicators[(qint64(id) << 32) | quint32(index)] = value;
}
