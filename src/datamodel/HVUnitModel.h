#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QMutex>
#include <QString>

#include <array>

// What the data model knows of the HV unit, the safety circuit and the test boost:
// the polled state, the identification, the parameter cache and the safety bits.
// Safe to use from any thread.
class HVUnitModel {
public:
    HVUnitModel();

    stHVUnitState state() const;
    // Stores the state and returns the one it replaces.
    stHVUnitState exchangeState(const stHVUnitState& state);
    stHVUnitState lastErrorState() const;
    void setLastErrorState(const stHVUnitState& state);
    bool hvStateOk() const;
    void setHvStateOk(bool ok);

    stIdentification identification() const;
    void setIdentification(const stIdentification& id);
    QString serial() const;
    void setSerial(const QString& serial);

    // All bits set for a parameter never received or a type out of range.
    quint64 param(int type) const;
    void setParam(int type, quint64 value);

    SafetyCircuitBits safetyState() const;
    SafetyCircuitBits exchangeSafetyState(const SafetyCircuitBits& bits);
    SafetyCircuitBits lastSafetyError() const;
    void setLastSafetyError(const SafetyCircuitBits& bits);
    bool safetyDriverEnabled() const;
    void setSafetyDriverEnabled(bool on);

    stTBState testBoostState() const;
    stTBState exchangeTestBoostState(const stTBState& state);
    stTBData testBoostData() const;
    void setTestBoostData(const stTBData& data);

    // The burn mode the unit was sent for the test (bit 0 of 'b').
    bool burnModeSent() const;
    void setBurnModeSent(bool on);

private:
    mutable QMutex m_mutex;
    stHVUnitState m_state;
    stHVUnitState m_lastError;
    bool m_hvStateOk = true;
    stIdentification m_identification;
    QString m_serial;
    std::array<quint64, HVUnitParamTypeCount> m_params;
    SafetyCircuitBits m_safety;
    SafetyCircuitBits m_lastSafetyError;
    bool m_driverEnabled = false;
    stTBState m_tbState;
    stTBData m_tbData;
    bool m_burnModeSent = false;
};
