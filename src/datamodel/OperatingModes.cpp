#include "datamodel/OperatingModes.h"

#include <QCoreApplication>
#include <QMutexLocker>

OpModeParameters::OpModeParameters(eSetType type, std::initializer_list<int> params) : m_type(type)
{
    for (int p : params)
        if (p >= 0 && p < ParameterCount)
            m_params.set(size_t(p));
}

bool OpModeParameters::isParameterEnabled(int parameter) const
{
    if (parameter < 0 || parameter >= ParameterCount)
        return false;
    return m_params.test(size_t(parameter));
}

namespace {

using M = OperatingModes;
using P = OpModeParameters;

// The whole catalogue in one table. Voltages are peak values in mV, frequencies in mHz,
// test times in minutes. Ranges suit a 60 kV peak set; the HV unit's identification
// narrows them further at run time.
struct ModeEntry {
    const char* name;
    const char* detailedName;
    const char* subMenuText;
    const char* icon;
    int parent;
    int priority;
    int classification;
    int periodicType;
    bool loadDetection;
    bool testBoost;
    bool dutyCycle;
    bool rmsConversion;
    int voltageTypes;
    long voltageMin;
    long voltageMax;
    unsigned long frequencyMin;
    unsigned long frequencyMax;
    int maxTestTime;
    int tickSet; // index into kTicks
};

constexpr int RP = M::SupportsRMS | M::SupportsPEAK;
constexpr int RPF = M::SupportsRMS | M::SupportsPEAK | M::SupportsFactor;
constexpr int PF = M::SupportsPEAK | M::SupportsFactor;
constexpr int PK = M::SupportsPEAK;
constexpr int WS = M::ClassWithstand;
constexpr int MON = M::ClassWithstand | M::ClassMonitored;
constexpr int DIA = M::ClassDiagnosis;
constexpr int SH = M::ClassSheath;
constexpr int SV = M::ClassService;

// clang-format off
const ModeEntry kModes[M::ModeCount] = {
//   name                                                      detailed name                                                                sub menu text                                          icon                    parent  prio class  per  load   boost  duty   rms    vtypes  Umin    Umax      fmin  fmax  tmax ticks
    {QT_TRANSLATE_NOOP("TestModes", "No mode"),                QT_TRANSLATE_NOOP("TestModes", "No mode"),                                   "",                                                    "",                      0,  0, 0,    0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Withstand test"),         QT_TRANSLATE_NOOP("TestModes", "VLF and DC withstand tests"),                QT_TRANSLATE_NOOP("TestModes", "SelectWithstandTest"), "withstand",             0,  1, WS,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Diagnosis"),              QT_TRANSLATE_NOOP("TestModes", "Tan delta and monitored withstand tests"),   QT_TRANSLATE_NOOP("TestModes", "SelectDiagnosisTest"), "diagnosis",             0,  2, DIA,  0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Sheath fault"),           QT_TRANSLATE_NOOP("TestModes", "Sheath test and sheath fault pinpointing"),  QT_TRANSLATE_NOOP("TestModes", "SelectSheathTest"),    "sheathfault",           0,  3, SH,   0, false, false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Calibration"),            QT_TRANSLATE_NOOP("TestModes", "Commissioning and calibration"),             QT_TRANSLATE_NOOP("TestModes", "SelectCalibration"),   "calibration",           0,  4, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "VLF Rectangular"),        QT_TRANSLATE_NOOP("TestModes", "VLF rectangular withstand test"),            "",                                                    "vlfrect",               1,  3, WS,   3, true,  false, false, false, PF,   1000,  60000000,  10,  100,  120,  1},
    {QT_TRANSLATE_NOOP("TestModes", "VLF CosRect"),            QT_TRANSLATE_NOOP("TestModes", "VLF cosine-rectangular withstand test"),     "",                                                    "vlfcosrect",            1,  4, WS,   3, true,  true,  true,  false, PF,   1000,  60000000, 100,  100,  120,  1},
    {QT_TRANSLATE_NOOP("TestModes", "DC"),                     QT_TRANSLATE_NOOP("TestModes", "DC withstand test"),                         "",                                                    "dc",                    1,  1, WS,   0, true,  false, false, false, PK,   1000,  60000000,   0,    0,   60,  2},
    {QT_TRANSLATE_NOOP("TestModes", "DAC"),                    QT_TRANSLATE_NOOP("TestModes", "Damped AC test"),                            "",                                                    "dac",                   1,  5, WS,   0, true,  true,  false, false, PK,   1000,  60000000,   0,    0,   60,  2},
    {QT_TRANSLATE_NOOP("TestModes", "Sheath Test"),            QT_TRANSLATE_NOOP("TestModes", "Cable sheath test"),                         "",                                                    "sheathtest",            3,  1, SH,   0, false, false, false, false, PK,   1000,  20000000,   0,    0,   30,  3},
    {QT_TRANSLATE_NOOP("TestModes", "VLF Sine"),               QT_TRANSLATE_NOOP("TestModes", "VLF sine withstand test"),                   "",                                                    "vlfsin",                1,  2, WS,   2, true,  false, false, true,  RPF,  1000,  60000000,  10,  100,  120,  1},
    {QT_TRANSLATE_NOOP("TestModes", "Tan Delta"),              QT_TRANSLATE_NOOP("TestModes", "Tan delta step test"),                       "",                                                    "tandelta",              2,  1, DIA,  2, true,  false, false, true,  RPF,  1000,  60000000,  10,  100,    0,  0},
    {QT_TRANSLATE_NOOP("TestModes", "MWT Single"),             QT_TRANSLATE_NOOP("TestModes", "Monitored withstand test"),                  "",                                                    "mwtsingle",             2,  2, MON,  2, true,  false, false, true,  RPF,  1000,  60000000,  10,  100,  120,  1},
    {QT_TRANSLATE_NOOP("TestModes", "MWT Step"),               QT_TRANSLATE_NOOP("TestModes", "Monitored withstand test in voltage steps"), "",                                                    "mwtstep",               2,  3, MON,  2, true,  false, false, true,  M::SupportsRMS, 1000, 60000000, 10, 100, 120, 1},
    {QT_TRANSLATE_NOOP("TestModes", "Decay"),                  QT_TRANSLATE_NOOP("TestModes", "Decay test"),                                "",                                                    "decay",                 1,  6, WS,   0, true,  false, false, false, PK,   1000,  60000000,   0,    0,   10,  4},
    {QT_TRANSLATE_NOOP("TestModes", "Sheath Pinpointing"),     QT_TRANSLATE_NOOP("TestModes", "Sheath fault pinpointing"),                  "",                                                    "sheathpinpointing",     3,  2, SH,   1, false, false, false, false, PK,   1000,  20000000, 250, 1000,   60,  2},
    {QT_TRANSLATE_NOOP("TestModes", "Safety Circuit Check"),   QT_TRANSLATE_NOOP("TestModes", "Safety circuit check"),                      "",                                                    "safetycircuitcheck",    4,  1, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Output Calibration"),     QT_TRANSLATE_NOOP("TestModes", "Output voltage calibration"),                "",                                                    "outputcalibration",     4,  2, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Cascade Calibration"),    QT_TRANSLATE_NOOP("TestModes", "Cascade calibration"),                       "",                                                    "cascadecalibration",    4,  3, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Voltage Waveform Check"), QT_TRANSLATE_NOOP("TestModes", "Voltage waveform check"),                    "",                                                    "voltagewaveformcheck",  4,  4, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "TanDelta Calibration"),   QT_TRANSLATE_NOOP("TestModes", "Tan delta calibration"),                     "",                                                    "tandcalibration",       4,  5, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Max Capacity Load"),      QT_TRANSLATE_NOOP("TestModes", "Maximum capacitive load"),                   "",                                                    "maxcapacityload",       4,  6, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Cascade Power Envelope"), QT_TRANSLATE_NOOP("TestModes", "Cascade power envelope"),                    "",                                                    "cascadepowerenvelope",  4,  7, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Long Duration Test"),     QT_TRANSLATE_NOOP("TestModes", "Long duration test"),                        "",                                                    "longdurationtest",      4,  8, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Sinus Diagnosis"),        QT_TRANSLATE_NOOP("TestModes", "Sine diagnosis"),                            "",                                                    "sinusdiagnosis",        4,  9, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Manual Diagnosis"),       QT_TRANSLATE_NOOP("TestModes", "Manual diagnosis"),                          "",                                                    "manualdiagnosis",       4, 10, SV,   0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
    {QT_TRANSLATE_NOOP("TestModes", "Unknown mode"),           QT_TRANSLATE_NOOP("TestModes", "Unknown mode"),                              "",                                                    "",                      0,  0, 0,    0, true,  false, false, false, 0,    0,       0,        0,    0,    0,   0},
};
// clang-format on

const QList<QVariant> kTicks[] = {
    {},
    {0, 15, 30, 45, 60, 90, 120},
    {0, 5, 10, 15, 30, 45, 60},
    {0, 1, 5, 10, 15, 20, 30},
    {0, 1, 2, 5, 10},
};

// Parameter sets: primary (the configuration page), setting (its extended page), measurement.
// The levels of a stepped test are set on the extended page and shown with the measurement.
struct ModeSets {
    int mode;
    OpModeParameters primary;
    OpModeParameters setting;
    OpModeParameters measurement;
};

const ModeSets kSets[] = {
    {M::VLFRect,
     {P::Primary, {P::Phases, P::Voltage, P::TestTime}},
     {P::Setting, {P::Frequency, P::VoltageType, P::VoltageFactor, P::BurnMode, P::RampMode}},
     {P::Measurement, {P::Phases, P::Voltage, P::TestTime, P::Frequency, P::LoadResistance, P::LoadCapacitance, P::Current, P::MaxCurrent}}},
    {M::VLFCosRect,
     {P::Primary, {P::Phases, P::Voltage, P::TestTime, P::DutyCycle}},
     {P::Setting, {P::VoltageType, P::VoltageFactor, P::BurnMode, P::RampMode}},
     {P::Measurement, {P::Phases, P::Voltage, P::TestTime, P::DutyCycle, P::Frequency, P::LoadResistance, P::LoadCapacitance, P::Current, P::MaxCurrent}}},
    {M::DC,
     {P::Primary, {P::Phases, P::Voltage, P::TestTime}},
     {P::Setting, {P::Polarity, P::RampMode}},
     {P::Measurement, {P::Phases, P::Voltage, P::TestTime, P::LoadResistance, P::LoadCapacitance, P::Current, P::MaxCurrent}}},
    {M::DAC,
     {P::Primary, {P::Phases, P::Voltage, P::TestTime}},
     {P::Setting, {P::Polarity}},
     {P::Measurement, {P::Phases, P::Voltage, P::TestTime, P::LoadResistance, P::LoadCapacitance, P::Current, P::MaxCurrent}}},
    {M::SheathTest,
     {P::Primary, {P::Voltage, P::TestTime}},
     {P::Setting, {P::RampMode}},
     {P::Measurement, {P::Voltage, P::TestTime, P::LeakageCurrent, P::MaxCurrent}}},
    {M::VLFSin,
     {P::Primary, {P::Phases, P::Voltage, P::TestTime}},
     {P::Setting, {P::Frequency, P::VoltageType, P::VoltageFactor, P::BurnMode, P::RampMode}},
     {P::Measurement, {P::Phases, P::Voltage, P::TestTime, P::Frequency, P::LoadResistance, P::LoadCapacitance, P::Current, P::MaxCurrent}}},
    {M::TanDelta,
     {P::Primary, {P::Phases, P::Insulation, P::VoltageU0}},
     {P::Setting, {P::Frequency, P::VoltageFactor, P::Levels, P::ValuesPerLevel, P::EvaluationStandard}},
     {P::Measurement, {P::Phases, P::Insulation, P::VoltageU0, P::Frequency, P::Levels, P::LoadResistance, P::LoadCapacitance, P::Current}}},
    {M::MWTSingle,
     {P::Primary, {P::Phases, P::Insulation, P::Voltage, P::TestTime}},
     {P::Setting, {P::Frequency, P::VoltageType, P::VoltageFactor, P::RampMode}},
     {P::Measurement, {P::Phases, P::Voltage, P::TestTime, P::Frequency, P::LoadResistance, P::LoadCapacitance, P::Current, P::MaxCurrent}}},
    {M::MWTStep,
     {P::Primary, {P::Phases, P::Insulation, P::Voltage, P::TestTime}},
     {P::Setting, {P::Frequency, P::Levels, P::ValuesPerLevel, P::EvaluationStandard}},
     {P::Measurement, {P::Phases, P::Insulation, P::Voltage, P::TestTime, P::Frequency, P::Levels, P::LoadResistance, P::LoadCapacitance, P::Current}}},
    {M::Decay,
     {P::Primary, {P::Phases, P::Voltage, P::TestTime}},
     {P::Setting, {P::Polarity}},
     {P::Measurement, {P::Phases, P::Voltage, P::TestTime, P::LoadCapacitance, P::Current}}},
    {M::SheathPinpointing,
     {P::Primary, {P::Voltage, P::TestTime}},
     {P::Setting, {P::Frequency}},
     {P::Measurement, {P::Voltage, P::TestTime, P::Frequency, P::Current, P::MaxCurrent}}},
};

const ModeEntry& entry(OperatingModes::OperatingMode mode)
{
    return kModes[OperatingModes::fromInt(mode)];
}

} // namespace

OperatingModes::OperatingModes()
{
    qRegisterMetaType<OperatingModes::OperatingMode>("OperatingModes::OperatingMode");
}

OperatingModes::~OperatingModes() = default;

OperatingModes::OperatingMode OperatingModes::fromInt(int mode)
{
    if (mode < None || mode >= Unknown)
        return Unknown;
    return static_cast<OperatingMode>(mode);
}

QString OperatingModes::getModeName(OperatingMode mode) const
{
    return QString::fromLatin1(entry(mode).name);
}

QString OperatingModes::getDetailedModeName(OperatingMode mode) const
{
    return QString::fromLatin1(entry(mode).detailedName);
}

QString OperatingModes::getSubMenuText(OperatingMode mode) const
{
    return QString::fromLatin1(entry(mode).subMenuText);
}

QString OperatingModes::getIconPath(OperatingMode mode, bool focused) const
{
    const char* icon = entry(mode).icon;
    if (!*icon)
        return QString();
    return QStringLiteral("qrc:/icons/mode_%1%2.svg")
        .arg(QString::fromLatin1(icon), focused ? QStringLiteral("_focus") : QString());
}

OperatingModes::OperatingMode OperatingModes::getParentMode(OperatingMode mode) const
{
    return static_cast<OperatingMode>(entry(mode).parent);
}

bool OperatingModes::hasChildren(OperatingMode mode) const
{
    return !getChildren(mode).isEmpty();
}

QList<OperatingModes::OperatingMode> OperatingModes::getChildren(OperatingMode mode) const
{
    QList<OperatingMode> out;
    mode = fromInt(mode);
    if (mode == None || mode == Unknown)
        return out;
    for (int m = 1; m < Unknown; ++m)
        if (kModes[m].parent == mode)
            out.append(static_cast<OperatingMode>(m));
    return out;
}

int OperatingModes::getPriorityOrderForMode(OperatingMode mode) const
{
    return entry(mode).priority;
}

void OperatingModes::setEnabledLocked(int mode, bool enable, QList<int>& changed)
{
    if (m_enabled.test(size_t(mode)) != enable) {
        m_enabled.set(size_t(mode), enable);
        changed.append(mode);
    }
    const int parent = kModes[mode].parent;
    if (parent == None)
        return;
    if (enable) {
        setEnabledLocked(parent, true, changed);
        return;
    }
    // The parent goes off with its last enabled child.
    for (int m = 1; m < Unknown; ++m)
        if (kModes[m].parent == parent && m_enabled.test(size_t(m)))
            return;
    setEnabledLocked(parent, false, changed);
}

void OperatingModes::enableMode(OperatingMode mode, bool enable)
{
    if (!isValid(mode))
        return;
    QList<int> changed;
    {
        QMutexLocker lock(&m_mutex);
        setEnabledLocked(mode, enable, changed);
    }
    for (int m : changed)
        emit operatingModeEnabledChanged(static_cast<OperatingMode>(m));
}

bool OperatingModes::isModeEnabled(OperatingMode mode) const
{
    if (!isValid(mode))
        return false;
    QMutexLocker lock(&m_mutex);
    return m_enabled.test(size_t(mode));
}

OperatingModes::Classifications OperatingModes::getClassification(OperatingMode mode) const
{
    return Classifications(entry(mode).classification);
}

QString OperatingModes::getClassificationString(Classifications flags) const
{
    if (!flags)
        return QCoreApplication::translate("Dialog", "Unknown");
    static const struct {
        eClassification flag;
        const char* key;
    } texts[] = {
        {ClassWithstand, QT_TRANSLATE_NOOP("TestModes", "Withstand")},
        {ClassMonitored, QT_TRANSLATE_NOOP("TestModes", "Monitored")},
        {ClassDiagnosis, QT_TRANSLATE_NOOP("TestModes", "Diagnosis")},
        {ClassSheath, QT_TRANSLATE_NOOP("TestModes", "Sheath")},
        {ClassService, QT_TRANSLATE_NOOP("TestModes", "Service")},
    };
    QStringList parts;
    for (const auto& t : texts)
        if (flags.testFlag(t.flag))
            parts << QCoreApplication::translate("TestModes", t.key);
    return parts.join(QStringLiteral(", "));
}

int OperatingModes::periodicModeType(OperatingMode mode) const
{
    return entry(mode).periodicType;
}

bool OperatingModes::loadDetection(OperatingMode mode) const
{
    return entry(mode).loadDetection;
}

bool OperatingModes::isTestBoostMode(OperatingMode mode) const
{
    return entry(mode).testBoost;
}

bool OperatingModes::isDutyCycleMode(OperatingMode mode) const
{
    return entry(mode).dutyCycle;
}

bool OperatingModes::usesRMSConversion(OperatingMode mode) const
{
    return entry(mode).rmsConversion;
}

bool OperatingModes::isMultiPhaseTanDelta(OperatingMode mode) const
{
    return mode == TanDelta || mode == MWTStep;
}

int OperatingModes::getSupportedVoltageTypes(OperatingMode mode) const
{
    return entry(mode).voltageTypes;
}

QPair<long, long> OperatingModes::voltageRange(OperatingMode mode) const
{
    const ModeEntry& e = entry(mode);
    return qMakePair(e.voltageMin, e.voltageMax);
}

QPair<unsigned long, unsigned long> OperatingModes::frequencyRange(OperatingMode mode) const
{
    const ModeEntry& e = entry(mode);
    return qMakePair(e.frequencyMin, e.frequencyMax);
}

int OperatingModes::maxTestTime(OperatingMode mode) const
{
    return entry(mode).maxTestTime;
}

QList<QVariant> OperatingModes::testTimeTicks(OperatingMode mode) const
{
    return kTicks[entry(mode).tickSet];
}

const OpModeParameters* OperatingModes::getOpModeParameters(OperatingMode mode, int set) const
{
    for (const ModeSets& s : kSets) {
        if (s.mode != mode)
            continue;
        switch (set) {
        case OpModeParameters::Primary:
            return &s.primary;
        case OpModeParameters::Setting:
            return &s.setting;
        case OpModeParameters::Measurement:
            return &s.measurement;
        default:
            return nullptr;
        }
    }
    return nullptr;
}
