#pragma once

#include "core/ISingleton.h"

#include <QFlags>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>

#include <bitset>

// One parameter set of an operating mode: which test parameters apply.
class OpModeParameters {
public:
    enum eParameter : int {
        Phases = 0,
        Insulation = 1,
        Voltage = 2,
        VoltageU0 = 3,
        TestTime = 4,
        DutyCycle = 5,
        Frequency = 6,
        VoltageType = 7,
        VoltageFactor = 8,
        Polarity = 9,
        BurnMode = 10,
        RampMode = 11,
        Levels = 12,
        ValuesPerLevel = 13,
        EvaluationStandard = 14,
        LoadResistance = 15,
        LoadCapacitance = 16,
        Current = 17,
        LeakageCurrent = 18,
        MaxCurrent = 19,
    };
    static constexpr int ParameterCount = 20;

    // Kinds of set a mode may carry.
    enum eSetType : int {
        Primary = 0,
        Setting = 1,
        Measurement = 2,
    };

    OpModeParameters() = default;
    OpModeParameters(eSetType type, std::initializer_list<int> params);

    eSetType type() const { return m_type; }
    // False for numbers outside 0..19.
    bool isParameterEnabled(int parameter) const;
    bool isParameterEnabled(eParameter parameter) const { return isParameterEnabled(int(parameter)); }

private:
    eSetType m_type = Primary;
    std::bitset<ParameterCount> m_params;
};

// The catalogue of operating modes: names, menu tree, ranges and properties.
// One instance per process; the enabling of modes may change at run time.
class OperatingModes : public QObject, public ISingleton<OperatingModes> {
    Q_OBJECT
    friend class ISingleton<OperatingModes>;

public:
    enum OperatingMode : int {
        None = 0,
        Withstand = 1,          // menu group
        Diagnosis = 2,          // menu group
        SheathFault = 3,        // menu group
        Calibration = 4,        // menu group of the service procedures
        VLFRect = 5,
        VLFCosRect = 6,
        DC = 7,
        DAC = 8,
        SheathTest = 9,
        VLFSin = 10,
        TanDelta = 11,
        MWTSingle = 12,
        VWDTest = MWTSingle,    // the HV unit's name for the same mode
        MWTStep = 13,
        Decay = 14,
        SheathPinpointing = 15,
        SafetyCircuitCheck = 16,
        OutputCalibration = 17,
        CascadeCalibration = 18,
        VoltageWaveformCheck = 19,
        TanDCalibration = 20,
        MaxCapacityLoad = 21,
        CascadePowerEnvelope = 22,
        LongDurationTest = 23,
        SinusDiagnosis = 24,
        ManualDiagnosis = 25,
        Unknown = 26,
    };
    Q_ENUM(OperatingMode)
    static constexpr int ModeCount = 27;

    enum eClassification : int {
        ClassNone = 0x00,
        ClassWithstand = 0x01,
        ClassMonitored = 0x02,
        ClassDiagnosis = 0x04,
        ClassSheath = 0x08,
        ClassService = 0x10,
    };
    Q_DECLARE_FLAGS(Classifications, eClassification)

    // Bits of getSupportedVoltageTypes.
    enum eVoltageTypeBits : int {
        SupportsRMS = 1,
        SupportsPEAK = 2,
        SupportsFactor = 4,
    };

    // Values outside 0..26 map to Unknown.
    static OperatingMode fromInt(int mode);
    static bool isValid(int mode) { return mode > None && mode < Unknown; }

    // Internal names (translation keys of context "TestModes").
    QString getModeName(OperatingMode mode) const;
    QString modeName(OperatingMode mode) const { return getModeName(mode); }
    QString getDetailedModeName(OperatingMode mode) const;
    QString detailedModeName(OperatingMode mode) const { return getDetailedModeName(mode); }
    QString getSubMenuText(OperatingMode mode) const;
    QString getIconPath(OperatingMode mode, bool focused) const;

    // Menu tree.
    OperatingMode getParentMode(OperatingMode mode) const;
    bool hasChildren(OperatingMode mode) const;
    QList<OperatingMode> getChildren(OperatingMode mode) const;
    int getPriorityOrderForMode(OperatingMode mode) const;
    void enableMode(OperatingMode mode, bool enable);
    bool isModeEnabled(OperatingMode mode) const;

    Classifications getClassification(OperatingMode mode) const;
    QString getClassificationString(Classifications flags) const;

    // Properties of a mode.
    int periodicModeType(OperatingMode mode) const;
    bool loadDetection(OperatingMode mode) const;
    bool isTestBoostMode(OperatingMode mode) const;
    bool isDutyCycleMode(OperatingMode mode) const;
    bool usesRMSConversion(OperatingMode mode) const;
    bool isMultiPhaseTanDelta(OperatingMode mode) const;
    int getSupportedVoltageTypes(OperatingMode mode) const;
    QPair<long, long> voltageRange(OperatingMode mode) const;      // mV, peak
    QPair<unsigned long, unsigned long> frequencyRange(OperatingMode mode) const; // mHz
    int maxTestTime(OperatingMode mode) const;                     // minutes
    QList<QVariant> testTimeTicks(OperatingMode mode) const;
    // Parameter set of a mode, null when the mode has none of that kind.
    const OpModeParameters* getOpModeParameters(OperatingMode mode, int set) const;

signals:
    void operatingModeEnabledChanged(OperatingModes::OperatingMode mode);

private:
    OperatingModes();
    ~OperatingModes() override;

    void setEnabledLocked(int mode, bool enable, QList<int>& changed);

    mutable QMutex m_mutex;
    std::bitset<ModeCount> m_enabled;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(OperatingModes::Classifications)
Q_DECLARE_METATYPE(OperatingModes::OperatingMode)
