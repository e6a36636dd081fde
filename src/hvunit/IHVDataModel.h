#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QPair>
#include <QString>

// What the HV link reads from and writes to the instrument data model, apart from
// the polled state (see HFStateSubscriber). Kept behind an interface so the link can
// run against a stand-in.
class IHVDataModel {
public:
    virtual ~IHVDataModel() = default;

    virtual stIdentification getHVIdentification() const = 0;
    virtual void setHVIdentification(const stIdentification& id) = 0;
    virtual void setHVCSerial(const QString& serial) = 0;
    virtual void setHVUnitParam(eHVUnitParamType type, quint64 value) = 0;
    virtual quint64 getHVUnitParam(eHVUnitParamType type) const = 0;

    // Test settings sent by the start-up and refresh commands.
    virtual int burnMode() const = 0;
    virtual unsigned long getFrequencyToTest() const = 0;
    virtual OperatingModes::OperatingMode getOperatingMode() const = 0;
    virtual unsigned short getMinutesToTest() const = 0;
    virtual long getVoltageToTest() const = 0;
    // The unit took an operator's target of a running test (peak mV).
    virtual void targetVoltageSent(long millivolts) = 0;

    // Test settings clamped to what the unit can do once it has identified itself.
    virtual void changeOperatingMode(OperatingModes::OperatingMode mode) = 0;
    virtual void setVoltageToTest(long millivolts) = 0;
    virtual QPair<unsigned long, unsigned long> frequencyRange(OperatingModes::OperatingMode mode) const = 0;
    virtual void setFrequencyToTest(unsigned long millihertz) = 0;
    virtual void setMinutesToTest(unsigned short minutes) = 0;

    // Rated voltage of the instrument in kV.
    virtual quint8 getPevantoType() const = 0;
    // Version text of the HV source as the system information shows it.
    virtual QString hvSourceVersionText() const = 0;
    virtual bool isTestRunning() const = 0;
    // The application waits in Idle: no test, no update, no start-up.
    virtual bool isIdle() const = 0;
    virtual bool isDutyCycleMode() const = 0;
    virtual int hvGeneratorCharacteristics() const = 0;

    // Operating statistics kept in the database; the lowest value means "not set".
    virtual qint64 getPerformanceIndicator(int id, int index) const = 0;
    virtual void setPerformanceIndicator(int id, int index, qint64 value) = 0;
};
