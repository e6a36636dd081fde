#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/TanDeltaTypes.h"

#include <QMap>
#include <QMutex>
#include <QStringList>
#include <QPair>
#include <QString>
#include <QVector>

// The parameters of the next test. Every change is stored as a default value in the
// database; values that belong to an operating mode are stored per mode and come
// back when the mode is selected again. Safe to use from any thread.
class TestSettings {
public:
    static constexpr int CommentLength = 30;
    static constexpr int MaxVoltageSteps = 6;
    static constexpr int MaxNumberOfValues = 20;
    static constexpr int MaxVoltageFactor = 50; // tenths: 5.0 x U0
    static constexpr double MinFactorVoltage = 2.0; // kV: no factor gives a test voltage below

    TestSettings();

    // Reads the stored defaults (or the built-in ones) for the stored mode.
    void load();
    // Built-in test parameters, operating mode None.
    void setTestSettingsDefault();

    OperatingModes::OperatingMode getOperatingMode() const;
    // Stores the mode and reloads the mode's own defaults. False for an invalid mode.
    bool changeOperatingMode(OperatingModes::OperatingMode mode);

    // Limits of the HV unit (0: no limit known).
    void setUnitLimits(long maxVoltagePeak, unsigned long maxFrequency);
    QPair<long, long> getVoltageRange(OperatingModes::OperatingMode mode) const; // Unknown: current
    long getVoltageMax(OperatingModes::OperatingMode mode) const;
    QPair<unsigned long, unsigned long> frequencyRange(OperatingModes::OperatingMode mode) const;

    // Voltage in mV; stored as peak value, U0 for the factor type.
    long getVoltageToTest() const;
    long getStoredVoltage() const;
    void setVoltageToTest(long value); // in the unit of the current voltage type
    eVoltageType getVoltageType() const;
    void setVoltageType(eVoltageType type, bool save);
    int getVoltageFactor(eVoltageType type) const; // tenths
    void setVoltageFactor(int tenths);
    QPair<long, long> getVoltageRangeToTest() const;
    void setVoltageRangeToTest(long upper);

    // The one place of the voltage's forms. A peak voltage in the form of the voltage
    // type: RMS for RMS and Factor in the sine modes, else as it is.
    long voltageInTypeForm(long peak) const;
    // A peak test voltage as the operator enters it: in the type's form, U0 for Factor.
    long enteredVoltage(long peakTestVoltage) const;
    // An entry in that form as the peak test voltage.
    long peakTestVoltage(long entered) const;
    // What the stored voltage may be (peak, U0 for Factor and the stepped tests): the
    // test voltage and every level, the withstand level of a monitored step test too,
    // within the mode's range.
    QPair<long, long> storedVoltageBounds() const;
    // The highest level in tenths of U0; 10 outside the stepped tests.
    int highestLevel() const;
    // The one bound of the factor (tenths) for a U0 entered in the type's form: no test
    // voltage below 2 kV or the mode's lowest, none above the maximum, never above 5.0 x U0.
    // Without a U0 the whole scale, 0.1 to 5.0.
    QPair<int, int> voltageFactorRange(long enteredU0) const;
    static QPair<int, int> factorRange(double u0, double maximum, double lowest = MinFactorVoltage); // kV, same form
    // The level a monitored step test ends with, U0 x factor (peak mV); the voltage to test
    // in every other mode.
    long withstandVoltage() const;
    long testInitializationVoltage() const;
    long testStartVoltage() const;
    // A target of a running manual ramp (peak mV), bounded by the mode's lowest voltage
    // and the Range; it becomes the voltage to test, not a default. Returns it bounded.
    long setTargetVoltage(long peak);

    unsigned long getFrequencyToTest() const; // mHz, 0 automatic
    void setFrequencyToTest(int mHz);

    unsigned short getMinutesToTest() const;
    void setMinutesToTest(unsigned short minutes);
    unsigned short getSecondsToTest() const;
    void setSecondsToTest(unsigned short seconds);

    eVoltagePolarity getVoltagePolarity() const;
    void setVoltagePolarity(eVoltagePolarity polarity);
    eVoltageRampMode getVoltageRampMode() const;
    void setVoltageRampMode(eVoltageRampMode mode);
    bool burnCurrentLimiter() const;
    void setBurnCurrentLimiter(bool on);
    eDutyCycle getDutyCycle() const;
    void setDutyCycle(eDutyCycle cycle);
    int getVLFCosRectType() const; // 0, 1 or 2
    void setVLFCosRectType(int type);
    void setDefaultCosRectType(int type);

    int phasesToTest() const; // bits 0..2
    void setPhasesToTest(int phases);
    QString getCableNumber() const;
    void setCableNumber(const QString& number);
    QString getTestComment() const;
    void setTestComment(const QString& comment);

    TanDelta::evaluation::eInsulationType getCableInsulation() const;
    void setCableInsulation(TanDelta::evaluation::eInsulationType type);
    TanDelta::evaluation::eEvaluationStandard getEvaluationStandard() const;
    void setEvaluationStandard(TanDelta::evaluation::eEvaluationStandard standard);

    unsigned getVoltageSteps() const;
    void setVoltageSteps(unsigned steps);
    unsigned getNumberOfValues() const;
    void setNumberOfValues(unsigned values);
    unsigned short getDefaultVoltageFactor(int step) const; // tenths, 0 outside the list
    bool setDefaultVoltageFactor(unsigned short tenths, int step);
    QVector<unsigned short> getVoltageFactorList() const; // percent of U0, one per step
    QList<long> getVoltageStepList() const;               // mV, one per step

    // Text form of the comment: trimmed, padded with blanks and cut to 30 characters.
    static QString normalizeComment(const QString& comment);
    // Whether a record can hold the comment: it keeps Latin-1 text.
    static bool isStorableComment(const QString& comment);

private:
    struct ModeValues {
        long voltage = 0; // peak mV, U0 for the factor type
        eVoltageType voltageType = VoltageType_PEAK;
        int factor = 10;  // tenths
        long rangeUpper = 0;
        unsigned long frequency = 0;
        unsigned short minutes = 0;
        unsigned short seconds = 0;
        eVoltagePolarity polarity = VoltagePolarity_Positive;
        eVoltageRampMode rampMode = VoltageRampMode_Auto;
        bool burnLimiter = false;
        eDutyCycle dutyCycle = DutyCycle_1_4;
        int cosRectType = 1;
    };

    // Holds the lock; writes the values queued meanwhile once it is released.
    class SaveScope {
    public:
        explicit SaveScope(const TestSettings* s) : m_s(s) { m_s->m_mutex.lock(); }
        ~SaveScope()
        {
            m_s->m_mutex.unlock();
            m_s->flush();
        }
        SaveScope(const SaveScope&) = delete;
        SaveScope& operator=(const SaveScope&) = delete;

    private:
        const TestSettings* m_s;
    };

    ModeValues builtInValues(OperatingModes::OperatingMode mode) const;
    void applyModeValuesLocked(const QMap<QString, QString>& stored);
    static QString categoryOf(OperatingModes::OperatingMode mode);
    static QMap<QString, QString> readStore(const QString& category, const QStringList& features);
    void queueSave(const QString& category, const QString& feature, const QString& value) const;
    void flush() const;
    QPair<long, long> voltageRangeLocked(OperatingModes::OperatingMode mode) const;
    QPair<unsigned long, unsigned long> frequencyRangeLocked(OperatingModes::OperatingMode mode) const;
    unsigned long boundFrequencyLocked(long mHz) const; // in the current mode's range, or 0
    OperatingModes::OperatingMode resolve(OperatingModes::OperatingMode mode) const;
    long voltageToTestLocked() const;
    QList<long> stepListLocked() const;
    long boundStoredVoltage(long peak, int factor) const;
    QPair<long, long> storedBoundsLocked(int factor) const;
    int highestLevelLocked() const;
    QPair<int, int> factorRangeLocked(long enteredU0) const;
    int typeFactorLocked() const; // the factor of the current type, tenths
    bool typeIsRmsLocked() const;
    long typeFormLocked(long peak) const;
    long peakFormLocked(long value) const;
    // After a change of the levels the stored U0 may have to come down.
    void reboundVoltageLocked();
    QString modeCategory() const;
    void saveMode(const char* feature, const QString& value) const;
    static void save(const QString& category, const QString& feature, const QString& value);
    static QString read(const QString& category, const QString& feature);

    mutable QMutex m_mutex;
    OperatingModes::OperatingMode m_mode = OperatingModes::None;
    ModeValues m_values;
    long m_unitMaxVoltage = 0;
    unsigned long m_unitMaxFrequency = 0;
    int m_defaultCosRectType = 1;
    int m_phases = 1;
    QString m_cableNumber;
    QString m_comment;
    TanDelta::evaluation::eInsulationType m_insulation = TanDelta::evaluation::PE_XLPE;
    TanDelta::evaluation::eEvaluationStandard m_standard = TanDelta::evaluation::IEEE2013;
    unsigned m_voltageSteps = 3;
    unsigned m_numberOfValues = 8;
    QVector<unsigned short> m_defaultFactors;
    mutable QMap<QPair<QString, QString>, QString> m_dirty; // written after the lock is released
    mutable bool m_flushing = false;
};
