#pragma once

#include "hvunit/IHVDataModel.h"

// The HV link's view of the instrument data model and the database.
class DMhvDataModel : public IHVDataModel {
public:
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
    void targetVoltageSent(long millivolts) override;
    void changeOperatingMode(OperatingModes::OperatingMode mode) override;
    void setVoltageToTest(long millivolts) override;
    QPair<unsigned long, unsigned long> frequencyRange(OperatingModes::OperatingMode mode) const override;
    void setFrequencyToTest(unsigned long millihertz) override;
    void setMinutesToTest(unsigned short minutes) override;
    quint8 getPevantoType() const override;
    QString hvSourceVersionText() const override;
    bool isTestRunning() const override;
    bool isIdle() const override;
    bool isDutyCycleMode() const override;
    int hvGeneratorCharacteristics() const override;
    qint64 getPerformanceIndicator(int id, int index) const override;
    void setPerformanceIndicator(int id, int index, qint64 value) override;
};
