#include "datamodel/HVUnitModel.h"

#include <QMutexLocker>

HVUnitModel::HVUnitModel()
{
    m_params.fill(HVUnitParamUnknown);
    m_lastSafetyError.set(); // all ones: no safety-circuit error recorded
}

stHVUnitState HVUnitModel::state() const
{
    QMutexLocker lock(&m_mutex);
    return m_state;
}

stHVUnitState HVUnitModel::exchangeState(const stHVUnitState& state)
{
    QMutexLocker lock(&m_mutex);
    const stHVUnitState old = m_state;
    m_state = state;
    return old;
}

stHVUnitState HVUnitModel::lastErrorState() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastError;
}

void HVUnitModel::setLastErrorState(const stHVUnitState& state)
{
    QMutexLocker lock(&m_mutex);
    m_lastError = state;
}

bool HVUnitModel::hvStateOk() const
{
    QMutexLocker lock(&m_mutex);
    return m_hvStateOk;
}

void HVUnitModel::setHvStateOk(bool ok)
{
    QMutexLocker lock(&m_mutex);
    m_hvStateOk = ok;
}

stIdentification HVUnitModel::identification() const
{
    QMutexLocker lock(&m_mutex);
    return m_identification;
}

void HVUnitModel::setIdentification(const stIdentification& id)
{
    QMutexLocker lock(&m_mutex);
    m_identification = id;
}

QString HVUnitModel::serial() const
{
    QMutexLocker lock(&m_mutex);
    return m_serial;
}

void HVUnitModel::setSerial(const QString& serial)
{
    QMutexLocker lock(&m_mutex);
    m_serial = serial;
}

quint64 HVUnitModel::param(int type) const
{
    if (type < 0 || type >= HVUnitParamTypeCount)
        return HVUnitParamUnknown;
    QMutexLocker lock(&m_mutex);
    return m_params[size_t(type)];
}

void HVUnitModel::setParam(int type, quint64 value)
{
    if (type < 0 || type >= HVUnitParamTypeCount)
        return;
    QMutexLocker lock(&m_mutex);
    m_params[size_t(type)] = value;
}

SafetyCircuitBits HVUnitModel::safetyState() const
{
    QMutexLocker lock(&m_mutex);
    return m_safety;
}

SafetyCircuitBits HVUnitModel::exchangeSafetyState(const SafetyCircuitBits& bits)
{
    QMutexLocker lock(&m_mutex);
    const SafetyCircuitBits old = m_safety;
    m_safety = bits;
    return old;
}

SafetyCircuitBits HVUnitModel::lastSafetyError() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastSafetyError;
}

void HVUnitModel::setLastSafetyError(const SafetyCircuitBits& bits)
{
    QMutexLocker lock(&m_mutex);
    m_lastSafetyError = bits;
}

bool HVUnitModel::safetyDriverEnabled() const
{
    QMutexLocker lock(&m_mutex);
    return m_driverEnabled;
}

void HVUnitModel::setSafetyDriverEnabled(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_driverEnabled = on;
}

stTBState HVUnitModel::testBoostState() const
{
    QMutexLocker lock(&m_mutex);
    return m_tbState;
}

stTBState HVUnitModel::exchangeTestBoostState(const stTBState& state)
{
    QMutexLocker lock(&m_mutex);
    const stTBState old = m_tbState;
    m_tbState = state;
    return old;
}

stTBData HVUnitModel::testBoostData() const
{
    QMutexLocker lock(&m_mutex);
    return m_tbData;
}

void HVUnitModel::setTestBoostData(const stTBData& data)
{
    QMutexLocker lock(&m_mutex);
    m_tbData = data;
}
