#pragma once

#include "hvunit/HFStateSubscriber.h"
#include "hvunit/IHVDataModel.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <limits>

// The data-model side of the HV link held in memory, so the link runs without the
// instrument data model. Install one as the data access and another as the state
// subscriber of a TPOF. Thread-safe.
class FakeHVData : public IHVDataModel, public HFStateSubscriber {
public:
    // HFStateSubscriber
    void setHVUnitState(const stHVUnitState& state) override { QMutexLocker l(&m_mutex); m_state = state; ++m_stateUpdates; }
    stHVUnitState getHVUnitState() const override { QMutexLocker l(&m_mutex); return m_state; }
    int getVoltagePolarity() const override { QMutexLocker l(&m_mutex); return m_settings.voltagePolarity; }
    int getVLFCosRectType() const override { QMutexLocker l(&m_mutex); return m_settings.cosRectType; }

    // IHVDataModel
    stIdentification getHVIdentification() const override { QMutexLocker l(&m_mutex); return m_id; }
    void setHVIdentification(const stIdentification& id) override { QMutexLocker l(&m_mutex); m_id = id; ++m_idUpdates; }
    void setHVCSerial(const QString& serial) override { QMutexLocker l(&m_mutex); m_serial = serial; }
    void setHVUnitParam(eHVUnitParamType type, quint64 value) override { QMutexLocker l(&m_mutex); m_params[type] = value; }
    quint64 getHVUnitParam(eHVUnitParamType type) const override { QMutexLocker l(&m_mutex); return m_params.value(type, HVUnitParamUnknown); }
    int burnMode() const override { QMutexLocker l(&m_mutex); return m_settings.burnMode; }
    unsigned long getFrequencyToTest() const override { QMutexLocker l(&m_mutex); return m_settings.frequency; }
    OperatingModes::OperatingMode getOperatingMode() const override { QMutexLocker l(&m_mutex); return m_settings.mode; }
    unsigned short getMinutesToTest() const override { QMutexLocker l(&m_mutex); return m_settings.minutes; }
    long getVoltageToTest() const override { QMutexLocker l(&m_mutex); return m_settings.voltage; }
    void targetVoltageSent(long millivolts) override { QMutexLocker l(&m_mutex); m_targetsSent << millivolts; }
    QList<long> targetsSent() const { QMutexLocker l(&m_mutex); return m_targetsSent; }
    void changeOperatingMode(OperatingModes::OperatingMode mode) override { QMutexLocker l(&m_mutex); m_settings.mode = mode; }
    void setVoltageToTest(long millivolts) override { QMutexLocker l(&m_mutex); m_settings.voltage = millivolts; }
    QPair<unsigned long, unsigned long> frequencyRange(OperatingModes::OperatingMode) const override { QMutexLocker l(&m_mutex); return m_settings.frequencyRange; }
    void setFrequencyToTest(unsigned long millihertz) override { QMutexLocker l(&m_mutex); m_settings.frequency = millihertz; }
    void setMinutesToTest(unsigned short minutes) override { QMutexLocker l(&m_mutex); m_settings.minutes = minutes; }
    quint8 getPevantoType() const override { QMutexLocker l(&m_mutex); return m_settings.pevantoType; }
    QString hvSourceVersionText() const override { return QStringLiteral("%1").arg(getHVUnitParam(eHVUnitParamType_HvSourceVersion), 0, 16); }
    bool isTestRunning() const override { QMutexLocker l(&m_mutex); return m_settings.testRunning; }
    bool isIdle() const override { QMutexLocker l(&m_mutex); return m_settings.idle; }
    bool isDutyCycleMode() const override { QMutexLocker l(&m_mutex); return m_settings.dutyCycle; }
    int hvGeneratorCharacteristics() const override { QMutexLocker l(&m_mutex); return m_settings.generatorCharacteristics; }
    qint64 getPerformanceIndicator(int id, int index) const override { QMutexLocker l(&m_mutex); return m_indicators.value(key(id, index), std::numeric_limits<qint64>::min()); }
    void setPerformanceIndicator(int id, int index, qint64 value) override { QMutexLocker l(&m_mutex); m_indicators[key(id, index)] = value; }

    // Settings a caller may change.
    struct Settings {
        int voltagePolarity = 0;
        int cosRectType = 1;
        int burnMode = 0;
        unsigned long frequency = 100;
        QPair<unsigned long, unsigned long> frequencyRange { 10, 100 };
        OperatingModes::OperatingMode mode = OperatingModes::VLFSin;
        unsigned short minutes = 15;
        long voltage = 0;
        quint8 pevantoType = 45;
        bool testRunning = false;
        bool idle = true;
        bool dutyCycle = false;
        int generatorCharacteristics = 0;
    };
    Settings settings() const { QMutexLocker l(&m_mutex); return m_settings; }
    void setSettings(const Settings& s) { QMutexLocker l(&m_mutex); m_settings = s; }
    QString hvcSerial() const { QMutexLocker l(&m_mutex); return m_serial; }
    int stateUpdates() const { QMutexLocker l(&m_mutex); return m_stateUpdates; }
    int identificationUpdates() const { QMutexLocker l(&m_mutex); return m_idUpdates; }

private:
    static qint64 key(int id, int index) { return (qint64(id) << 32) | quint32(index); }

    mutable QMutex m_mutex;
    stHVUnitState m_state;
    int m_stateUpdates = 0;
    int m_idUpdates = 0;
    stIdentification m_id;
    QString m_serial;
    QHash<int, quint64> m_params;
    QHash<qint64, qint64> m_indicators;
    Settings m_settings;
    QList<long> m_targetsSent;
};
