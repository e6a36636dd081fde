#include "gui/Calibration.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "hvunit/ErrorMessages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
// The largest whole number below 2^64 a double holds; all ones stays "never received".
constexpr double kMaxRaw = 18446744073709549568.0;
constexpr double kQ12 = 4096.0;

// value × factor rounded to the nearest step and kept to 0 .. highest.
quint64 scaled(double value, double factor, double highest)
{
    return quint64(std::clamp(std::round(value * factor), 0.0, highest));
}

bool isFixedPoint(eHVUnitParamType type)
{
    return type >= eHVUnitParamType_GainPFC && type <= eHVUnitParamType_OffsetI_HVN;
}

bool isTanDelta(eHVUnitParamType type)
{
    return type >= eHVUnitParamType_TanDeltaReal1 && type <= eHVUnitParamType_TanDeltaImag2;
}
} // namespace

Calibration::Calibration(QObject* parent) : QObject(parent) {}

double Calibration::fromRaw(eHVUnitParamType type, quint64 raw)
{
    if (raw == HVUnitParamUnknown)
        return std::numeric_limits<double>::quiet_NaN();
    if (isFixedPoint(type)) {
        if (raw < 32768)
            return double(raw) / kQ12;
        return -double((0 - raw) & 0xFFFF) / kQ12;
    }
    if (isTanDelta(type)) {
        const quint32 bits = quint32(raw & 0xFFFFFFFFu);
        float f = 0;
        std::memcpy(&f, &bits, sizeof f);
        return double(f);
    }
    switch (type) {
    case eHVUnitParamType_GainU:
    case eHVUnitParamType_GainI:
    case eHVUnitParamType_LoadDetectionCalibration:
        return double(raw) / 10000.0;
    case eHVUnitParamType_ProtectionResistor:
    case eHVUnitParamType_EarthingResistance:
    case eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics:
        return double(raw);
    case eHVUnitParamType_CalibrationR_HVCable:
        return double(raw) / 10.0;
    default:
        return double(raw) / kQ12;
    }
}

bool Calibration::toRaw(eHVUnitParamType type, double value, quint64* raw)
{
    if (!raw || !std::isfinite(value))
        return false;
    if (isFixedPoint(type)) {
        // Q12 in 16-bit two's complement: -8 .. 7.9998.
        const double n = std::clamp(std::round(value * kQ12), -32768.0, 32767.0);
        *raw = quint64(qint64(n)) & 0xFFFF;
        return true;
    }
    if (isTanDelta(type)) {
        const float f = float(value);
        quint32 bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        *raw = bits;
        return true;
    }
    switch (type) {
    case eHVUnitParamType_GainU:
    case eHVUnitParamType_GainI:
        // The HV unit keeps both gains in 16 bits.
        *raw = scaled(value, 10000.0, 65535.0);
        break;
    case eHVUnitParamType_LoadDetectionCalibration:
        *raw = scaled(value, 10000.0, kMaxRaw);
        break;
    case eHVUnitParamType_ProtectionResistor:
    case eHVUnitParamType_EarthingResistance:
    case eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics:
        *raw = scaled(value, 1.0, kMaxRaw);
        break;
    case eHVUnitParamType_CalibrationR_HVCable:
        *raw = scaled(value, 10.0, kMaxRaw);
        break;
    default:
        *raw = scaled(value, kQ12, kMaxRaw);
        break;
    }
    return true;
}

quint64 Calibration::raw(eHVUnitParamType type)
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getHVUnitParam(type) : HVUnitParamUnknown;
}

void Calibration::write(eHVUnitParamType type, double value)
{
    quint64 r = 0;
    if (toRaw(type, value, &r))
        emit hvUnitParamChanged(type, r);
}

bool Calibration::bit(quint64 mask) const
{
    const quint64 word = raw(eHVUnitParamType_HvSinParameterVlfSettings);
    return word != HVUnitParamUnknown && (word & mask) != 0;
}

void Calibration::writeBit(quint64 mask, bool on)
{
    const quint64 word = raw(eHVUnitParamType_HvSinParameterVlfSettings);
    // Without the unit's word every other bit would be guessed.
    if (word == HVUnitParamUnknown)
        return;
    const quint64 next = on ? (word & ConfigBitsMask) | mask : word & ~mask & ConfigBitsMask;
    if (next != word)
        emit hvUnitParamChanged(eHVUnitParamType_HvSinParameterVlfSettings, next);
}

QString Calibration::hvUnitStatus() const { return ErrorMessages::HVSource::stateText(raw(eHVUnitParamType_HvSourceStatus)); }

QString Calibration::hvUnitError() const { return ErrorMessages::HVSource::errorText(raw(eHVUnitParamType_HvSourceStatus)); }

QString Calibration::ignition() const
{
    const quint64 r = raw(eHVUnitParamType_TBIgnitionPulse);
    return r < 10 ? QString::number(r) : QStringLiteral("---");
}

void Calibration::refresh() { emit refreshHVUnitParams({}); }

void Calibration::onHvUnitParamChanged(eHVUnitParamType type, qulonglong value)
{
    if (value == HVUnitParamUnknown)
        return;
    switch (type) {
    case eHVUnitParamType_GainU: emit gainUChanged(); break;
    case eHVUnitParamType_GainI: emit gainIChanged(); break;
    case eHVUnitParamType_GainPFC: emit gainPFCChanged(); break;
    case eHVUnitParamType_GainU_HVP: emit gainHvpUChanged(); break;
    case eHVUnitParamType_GainI_HVP: emit gainHvpIChanged(); break;
    case eHVUnitParamType_GainU_HVN: emit gainHvnUChanged(); break;
    case eHVUnitParamType_GainI_HVN: emit gainHvnIChanged(); break;
    case eHVUnitParamType_OffsetU_HVP: emit offsetHvpUChanged(); break;
    case eHVUnitParamType_OffsetI_HVP: emit offsetHvpIChanged(); break;
    case eHVUnitParamType_OffsetU_HVN: emit offsetHvnUChanged(); break;
    case eHVUnitParamType_OffsetI_HVN: emit offsetHvnIChanged(); break;
    case eHVUnitParamType_ProtectionResistor: emit hvProtectionChanged(); break;
    case eHVUnitParamType_LoadDetectionCalibration: emit ldCalibrationChanged(); break;
    case eHVUnitParamType_EarthingCapacity: emit cErdCalibrationChanged(); break;
    case eHVUnitParamType_EarthingResistance: emit rErdCalibrationChanged(); break;
    case eHVUnitParamType_CalibrationC_HVCable: emit cHvOutputChanged(); break;
    case eHVUnitParamType_CalibrationR_HVCable: emit rHvOutputChanged(); break;
    case eHVUnitParamType_TBIgnitionPulse: emit ignitionChanged(); break;
    case eHVUnitParamType_HvSourceStatus:
        emit hvUnitErrorChanged();
        emit hvUnitStatusChanged();
        break;
    case eHVUnitParamType_HvSinParameterVlfSettings:
        emit limitPwmChanged();
        emit loadDetectionChanged();
        emit tanDeltaCalibChanged();
        emit bridgeCircuitChanged();
        emit crossCurrentIncreaseChanged();
        break;
    case eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics: emit hvGeneratorCharChanged(); break;
    case eHVUnitParamType_TanDeltaReal1: emit tanDeltaReal1Changed(); break;
    case eHVUnitParamType_TanDeltaImag1: emit tanDeltaImag1Changed(); break;
    case eHVUnitParamType_TanDeltaReal2: emit tanDeltaReal2Changed(); break;
    case eHVUnitParamType_TanDeltaImag2: emit tanDeltaImag2Changed(); break;
    default:
        break;
    }
}
