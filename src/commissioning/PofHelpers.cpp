#include "commissioning/PofHelpers.h"

#include "commissioning/CascadeCalibrationMath.h"
#include "commissioning/SetValuePOF.h"
#include "hvunit/TPOF.h"
#include "logging/LoggingCtrl.h"

#include <algorithm>
#include <utility>

namespace Commissioning {

namespace {
constexpr unsigned long long kPolarityPositive = 65664;
constexpr unsigned long long kPolarityNegative = 131200;
constexpr unsigned long long kCascadeSettingCode = 32;

unsigned long long word(unsigned long long value, int index) { return (value & 0xFFFFull) << (16 * index); }
} // namespace

bool setPofValues(TPOF* pof, std::vector<Command> const& commands)
{
    const SetValuePOF send(pof);
    return std::all_of(commands.begin(), commands.end(), send);
}

QString describeError(stHVUnitState const& state)
{
    if (state.comError)
        return QStringLiteral("ComErrorHVUnit");
    const quint32 w = state.state;
    if (w & HVStateBits::Overtemperature)
        return QStringLiteral("OvertemperatureDetected");
    if (w & HVStateBits::Overvoltage)
        return QStringLiteral("OvervoltageDetected");
    if (w & HVStateBits::Breakdown)
        return QStringLiteral("BreakdownDetected");
    if (w & HVStateBits::Overcurrent)
        return QStringLiteral("OvercurrentHVUnit");
    if (w & HVStateBits::OutputOffset)
        return QStringLiteral("OutputOffsetTooBig");
    if (!(w & HVStateBits::OutputOn))
        return QStringLiteral("HVGenDisabled");
    if (w & HVStateBits::PolarityError)
        return QStringLiteral("PolarityError");
    return QString();
}

OutputValues pollOutputValues(TPOF& pof)
{
    unsigned long long v[4] = {};
    unsigned short n = 0;
    if (pof.GetValue(TPOF::CMD_MeasurementValues, v, 4, &n) != TPOF::Ok || n < 2 || !pof.GetHVState())
        return OutputValues::failed();
    return { static_cast<qint32>(v[0]), static_cast<qint64>(v[1]) };
}

CascadeValues pollCascadeValues(TPOF& pof)
{
    unsigned long long v = 0;
    // All ones: the unit does not know the parameter, which is no reading either.
    if (pof.GetParameter(eHVUnitParamType_CascadeValues, &v) != TPOF::Ok || v == HVUnitParamUnknown
        || !pof.GetHVState())
        return CascadeValues::failed();
    return { static_cast<qint16>(v >> 48), static_cast<qint16>(v >> 32), static_cast<qint16>(v >> 16),
             static_cast<qint16>(v) };
}

bool flipDcToPositive(TPOF& pof)
{
    return pof.SetParameter(eHVUnitParamType_OutputPolarity, kPolarityPositive) == TPOF::Ok;
}

bool flipDcToNegative(TPOF& pof)
{
    return pof.SetParameter(eHVUnitParamType_OutputPolarity, kPolarityNegative) == TPOF::Ok;
}

bool setCascade(TPOF* pof, short level)
{
    KLOG_INFO2("CascadeCalibrationMachine", "SetCascadeVoltage", QStringLiteral("SetCascadeVoltage: '%2'").arg(level));
    const bool negative = level < 0;
    const unsigned long long value = word(negative ? 13 : 100, 0) | word(negative ? 100 : 13, 1)
        | word(static_cast<unsigned short>(level), 2);
    return setPofValues(pof, { { TPOF::CMD_SetParameter, kCascadeSettingCode, value } });
}

namespace {
constexpr eHVUnitParamType kCalibrationParameters[4] = { eHVUnitParamType_GainU_HVP, eHVUnitParamType_OffsetU_HVP,
                                                         eHVUnitParamType_GainU_HVN, eHVUnitParamType_OffsetU_HVN };
} // namespace

std::optional<CalibrationWords> getCalibrationWords(TPOF& pof)
{
    CalibrationWords words {};
    for (int i = 0; i < 4; ++i)
        if (pof.GetParameter(kCalibrationParameters[i], &words[i]) != TPOF::Ok || words[i] == HVUnitParamUnknown)
            return std::nullopt;
    return words;
}

bool setCalibrationWords(TPOF& pof, CalibrationWords const& words)
{
    // The link reads each word back and polls the state word.
    for (const auto& p : calibrationParameters(words))
        if (pof.SetParameter(p.first, p.second) != TPOF::Ok)
            return false;
    return true;
}

QList<QPair<eHVUnitParamType, quint64>> calibrationParameters(CalibrationWords const& words)
{
    QList<QPair<eHVUnitParamType, quint64>> out;
    for (int i = 0; i < 4; ++i)
        out << qMakePair(kCalibrationParameters[i], quint64(words[i]));
    return out;
}

std::optional<CascadeCalibrationResult> getCascadeCalibration(TPOF& pof)
{
    const std::optional<CalibrationWords> w = getCalibrationWords(pof);
    if (!w)
        return std::nullopt;
    return CascadeCalibrationResult { fromCalibrationWord((*w)[0]), fromCalibrationWord((*w)[1]),
                                      fromCalibrationWord((*w)[2]), fromCalibrationWord((*w)[3]) };
}

bool setCascadeCalibration(TPOF& pof, CascadeCalibrationResult const& c)
{
    return setCalibrationWords(pof, { toCalibrationWord(c.pGAIN), toCalibrationWord(c.pOFFSET),
                                      toCalibrationWord(c.nGAIN), toCalibrationWord(c.nOFFSET) });
}

unsigned long long rampLevelWord(bool positive, short level)
{
    return word(positive ? 20 : 13, 0) | word(positive ? 13 : 20, 1)
        | word(static_cast<unsigned short>(positive ? level : -level), 2);
}

} // namespace Commissioning
