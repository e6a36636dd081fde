#pragma once

#include "HFStateSubscriber.h"
#include "IHVDataModel.h"

#include <QHash>
#include <QMutex>

// Data-model side of the HV link held in memory: lets the link run without the
// instrument data model (tools, tests). Thread-safe.
class StandaloneHVData : public IHVDataModel, public HFStateSubscriber {
public:
    // HFStateSubscriber
    void setHVUnitState(const stHVUnitState& state) override;
    stHVUnitState getHVUnitState() const override;
    int getVoltagePolarity() const override;
    int getVLFCosRectType() const override;

    // IHVDataModel
    stIdentification getHVIdentification() const override;
    void setHVIdentification(const stIdentification& id) override;
    void setHVCSerial(const QString& serial) override;
    void setHVUnitParam(eHVUnitParamType type, quint64 value) override;
    quint64 getHVUnitParam(eHVUnitParamType type) const override;
    int burnMode() const override;
    unsigned long getFrequencyToTest() const override;
    OperatingModes::OperatingMode getOperatingMode() const override;
    unsigned short getMinutesToTest() const override;
    long getVoltageToTest() const override;
    void changeOperatingMode(OperatingModes::OperatingMode mode) override;
    void setVoltageToTest(long millivolts) override;
    QPair<unsigned long, unsigned long> frequencyRange(OperatingModes::OperatingMode mode) const override;
    void setFrequencyToTest(unsigned long millihertz) override;
    void setMinutesToTest(unsigned short minutes) override;
    quint8 getPevantoType() const override;
    QString hvSourceVersionText() const override;
    bool isTestRunning() const override;
    bool isDutyCycleMode() const override;
    int hvGeneratorCharacteristics() const override;
    qint64 getPerformanceIndicator(int id, int index) const override;
    void setPerformanceIndicator(int id, int index, qint64 value) override;

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
        bool dutyCycle = false;
        int generatorCharacteristics = 0;
    };
    Settings settings() const;
    void setSettings(const Settings& s);
    QString hvcSerial() const;
    int stateUpdates() const;

private:
    mutable QMutex m_mutex;
    stHVUnitState m_state;
    int m_stateUpdates = 0;
    stIdentification m_id;
    QString m_serial;
    QHash<int, quint64> m_params;
    QHash<qint64, qint64> m_indicators;
    Settings m_settings;
};
