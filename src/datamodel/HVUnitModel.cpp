#include "datamodel/HVUnitModel.h"

#include "core/Locked.h"

#include <QMutexLocker>

HVUnitModel::HVUnitModel()
{
    m_params.fill(HVUnitParamUnknown);
    m_lastSafetyError.set(); // all ones: no safety-circuit error recorded
}

stHVUnitState HVUnitModel::state() const { return Locked::read(m_mutex, m_state); }

stHVUnitState HVUnitModel::exchangeState(const stHVUnitState& state)
{
    return Locked::exchange(m_mutex, m_state, state);
}

stHVUnitState HVUnitModel::lastErrorState() const { return Locked::read(m_mutex, m_lastError); }
void HVUnitModel::setLastErrorState(const stHVUnitState& state) { Locked::write(m_mutex, m_lastError, state); }
bool HVUnitModel::hvStateOk() const { return Locked::read(m_mutex, m_hvStateOk); }
void HVUnitModel::setHvStateOk(bool ok) { Locked::write(m_mutex, m_hvStateOk, ok); }

stIdentification HVUnitModel::identification() const { return Locked::read(m_mutex, m_identification); }
void HVUnitModel::setIdentification(const stIdentification& id) { Locked::write(m_mutex, m_identification, id); }
QString HVUnitModel::serial() const { return Locked::read(m_mutex, m_serial); }
void HVUnitModel::setSerial(const QString& serial) { Locked::write(m_mutex, m_serial, serial); }

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

SafetyCircuitBits HVUnitModel::safetyState() const { return Locked::read(m_mutex, m_safety); }

SafetyCircuitBits HVUnitModel::exchangeSafetyState(const SafetyCircuitBits& bits)
{
    return Locked::exchange(m_mutex, m_safety, bits);
}

SafetyCircuitBits HVUnitModel::lastSafetyError() const { return Locked::read(m_mutex, m_lastSafetyError); }
void HVUnitModel::setLastSafetyError(const SafetyCircuitBits& bits) { Locked::write(m_mutex, m_lastSafetyError, bits); }
bool HVUnitModel::safetyDriverEnabled() const { return Locked::read(m_mutex, m_driverEnabled); }
void HVUnitModel::setSafetyDriverEnabled(bool on) { Locked::write(m_mutex, m_driverEnabled, on); }

stTBState HVUnitModel::testBoostState() const { return Locked::read(m_mutex, m_tbState); }

stTBState HVUnitModel::exchangeTestBoostState(const stTBState& state)
{
    return Locked::exchange(m_mutex, m_tbState, state);
}

stTBData HVUnitModel::testBoostData() const { return Locked::read(m_mutex, m_tbData); }
void HVUnitModel::setTestBoostData(const stTBData& data) { Locked::write(m_mutex, m_tbData, data); }
bool HVUnitModel::burnModeSent() const { return Locked::read(m_mutex, m_burnModeSent); }
void HVUnitModel::setBurnModeSent(bool on) { Locked::write(m_mutex, m_burnModeSent, on); }
