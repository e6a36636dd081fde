#pragma once

#include "commissioning/CommissioningStages.h"

#include <QList>
#include <QMetaType>
#include <QObject>

#include <array>
#include <cstdint>
#include <limits>

// Value records of the commissioning procedures: events of the machines and arguments
// of their signals.
namespace Commissioning {

// One reading of the HV unit's output; both fields at their largest when it failed.
struct OutputValues {
    qint32 voltage = 0; // mV
    qint64 current = 0; // nA

    static OutputValues failed()
    {
        return { std::numeric_limits<qint32>::max(), std::numeric_limits<qint64>::max() };
    }
    bool operator==(const OutputValues& o) const { return voltage == o.voltage && current == o.current; }
    bool operator!=(const OutputValues& o) const { return !(*this == o); }
};

// The two cascades: voltages in units of 100 V, currents in units of 0.1 mA; all four
// 32767 when the reading failed.
struct CascadeValues {
    qint16 voltageA = 0;
    qint16 voltageB = 0;
    qint16 currentA = 0;
    qint16 currentB = 0;

    static CascadeValues failed() { return { 32767, 32767, 32767, 32767 }; }
    bool operator==(const CascadeValues& o) const
    {
        return voltageA == o.voltageA && voltageB == o.voltageB && currentA == o.currentA && currentB == o.currentB;
    }
    bool operator!=(const CascadeValues& o) const { return !(*this == o); }
};

struct CascadeOutputValues {
    OutputValues output;
    CascadeValues cascade;

    bool operator==(const CascadeOutputValues& o) const { return output == o.output && cascade == o.cascade; }
    bool operator!=(const CascadeOutputValues& o) const { return !(*this == o); }
};

struct LoadDetectResult {
    Q_GADGET
    Q_PROPERTY(ulong capacity MEMBER capacity)
    Q_PROPERTY(qulonglong resistance MEMBER resistance)
public:
    ulong capacity = 0;
    qulonglong resistance = 0;

    bool operator==(const LoadDetectResult& o) const { return capacity == o.capacity && resistance == o.resistance; }
    bool operator!=(const LoadDetectResult& o) const { return !(*this == o); }
};

struct PeriodicValues {
    Q_GADGET
    Q_PROPERTY(qulonglong voltage MEMBER voltage)
    Q_PROPERTY(qulonglong amperage MEMBER amperage)
    Q_PROPERTY(qulonglong tanDelta MEMBER tanDelta)
public:
    qulonglong voltage = 0;
    qulonglong amperage = 0;
    qulonglong tanDelta = 0;

    bool operator==(const PeriodicValues& o) const
    {
        return voltage == o.voltage && amperage == o.amperage && tanDelta == o.tanDelta;
    }
    bool operator!=(const PeriodicValues& o) const { return !(*this == o); }
};

struct TanDCalibrationValues {
    Q_GADGET
    Q_PROPERTY(double aReal MEMBER aReal)
    Q_PROPERTY(double aImag MEMBER aImag)
    Q_PROPERTY(double bReal MEMBER bReal)
    Q_PROPERTY(double bImag MEMBER bImag)
public:
    double aReal = 0.0;
    double aImag = 0.0;
    double bReal = 0.0;
    double bImag = 0.0;

    // Exact comparison: these are the values written, not measurements.
    bool operator==(const TanDCalibrationValues& o) const
    {
        return aReal == o.aReal && aImag == o.aImag && bReal == o.bReal && bImag == o.bImag;
    }
    bool operator!=(const TanDCalibrationValues& o) const { return !(*this == o); }
};

// One validated voltage step; sigma is shown but not part of the verdict.
struct ValidationResult {
    Q_GADGET
    Q_PROPERTY(qulonglong voltage MEMBER voltage)
    Q_PROPERTY(qulonglong tanDelta MEMBER tanDelta)
    Q_PROPERTY(qulonglong sigma MEMBER sigma)
    Q_PROPERTY(bool good MEMBER good)
public:
    qulonglong voltage = 0;
    qulonglong tanDelta = 0;
    qulonglong sigma = 0;
    bool good = false;

    bool operator==(const ValidationResult& o) const
    {
        return voltage == o.voltage && tanDelta == o.tanDelta && good == o.good;
    }
    bool operator!=(const ValidationResult& o) const { return !(*this == o); }
};

struct TanDStepStestResult {
    Q_GADGET
    Q_PROPERTY(Commissioning::TanDCalibrationStage stage MEMBER stage)
    Q_PROPERTY(QList<Commissioning::ValidationResult> steps MEMBER steps)
public:
    TanDCalibrationStage stage = TanDCalibrationIdle;
    QList<ValidationResult> steps;

    bool operator==(const TanDStepStestResult& o) const { return stage == o.stage && steps == o.steps; }
    bool operator!=(const TanDStepStestResult& o) const { return !(*this == o); }
};

// Output voltages measured at +6, +40, -6 and -40 kV, in mV.
struct CascadeCalibrationValues {
    Q_GADGET
    Q_PROPERTY(double p6 MEMBER p6)
    Q_PROPERTY(double p40 MEMBER p40)
    Q_PROPERTY(double n6 MEMBER n6)
    Q_PROPERTY(double n40 MEMBER n40)
public:
    double p6 = 0.0;
    double p40 = 0.0;
    double n6 = 0.0;
    double n40 = 0.0;
};

struct CascadeCalibrationResult {
    Q_GADGET
    Q_PROPERTY(double pGAIN MEMBER pGAIN)
    Q_PROPERTY(double pOFFSET MEMBER pOFFSET)
    Q_PROPERTY(double nGAIN MEMBER nGAIN)
    Q_PROPERTY(double nOFFSET MEMBER nOFFSET)
public:
    double pGAIN = 1.0;
    double pOFFSET = 0.0;
    double nGAIN = 1.0;
    double nOFFSET = 0.0;

    bool operator==(const CascadeCalibrationResult& o) const
    {
        return pGAIN == o.pGAIN && pOFFSET == o.pOFFSET && nGAIN == o.nGAIN && nOFFSET == o.nOFFSET;
    }
    bool operator!=(const CascadeCalibrationResult& o) const { return !(*this == o); }
};

// Manual diagnosis: cascade voltage in tenths of a kV, then the two PWM settings.
struct CascadeSetting {
    qint16 voltage = 0;
    qint16 pwmA = 0;
    qint16 pwmB = 0;

    bool operator==(const CascadeSetting& o) const { return voltage == o.voltage && pwmA == o.pwmA && pwmB == o.pwmB; }
    bool operator!=(const CascadeSetting& o) const { return !(*this == o); }
};

// Power-electronics temperatures in degrees Celsius.
struct TemperatureValues {
    qint16 buckPositive = 0;
    qint16 buckNegative = 0;
    qint16 ambient = 0;
    qint16 pfc = 0;
    qint16 tp1 = 0;
    qint16 tp2 = 0;
    qint16 inverterPositive = 0;
    qint16 inverterNegative = 0;
    qint16 dsp = 0;
    qint16 switchPositiveA = 0;
    qint16 switchNegativeB = 0;
};

// Events without data.
struct SinusParameterChange {
    bool operator==(const SinusParameterChange&) const { return true; }
};
struct TimeOut {
    bool operator==(const TimeOut&) const { return true; }
};

// Makes the records usable in queued signals; safe to call more than once.
void registerCommissioningTypes();

} // namespace Commissioning

Q_DECLARE_METATYPE(Commissioning::OutputValues)
Q_DECLARE_METATYPE(Commissioning::CascadeValues)
Q_DECLARE_METATYPE(Commissioning::CascadeOutputValues)
Q_DECLARE_METATYPE(Commissioning::LoadDetectResult)
Q_DECLARE_METATYPE(Commissioning::PeriodicValues)
Q_DECLARE_METATYPE(Commissioning::TanDCalibrationValues)
Q_DECLARE_METATYPE(Commissioning::ValidationResult)
Q_DECLARE_METATYPE(Commissioning::TanDStepStestResult)
Q_DECLARE_METATYPE(Commissioning::CascadeCalibrationValues)
Q_DECLARE_METATYPE(Commissioning::CascadeCalibrationResult)
Q_DECLARE_METATYPE(Commissioning::CascadeSetting)
Q_DECLARE_METATYPE(Commissioning::TemperatureValues)
