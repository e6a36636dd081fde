#include "gui/Calibration.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

#include <limits>

namespace {
constexpr quint64 kNeverReceived = std::numeric_limits<quint64>::max();
constexpr quint64 kTanDeltaCalibBit = 1u << 3;
} // namespace

Calibration::Calibration(QObject* parent) : QObject(parent) {}

bool Calibration::tanDeltaCalib() const
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return false;
    const quint64 settings = dm->getHVUnitParam(eHVUnitParamType_HvSinParameterVlfSettings);
    return settings != kNeverReceived && (settings & kTanDeltaCalibBit) != 0;
}

void Calibration::onHvUnitParamChanged(eHVUnitParamType type, qulonglong value)
{
    if (value == kNeverReceived)
        return;
    if (type == eHVUnitParamType_HvSinParameterVlfSettings)
        emit tanDeltaCalibChanged();
}
