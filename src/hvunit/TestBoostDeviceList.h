#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// The known test boost accessories and their limits.
struct stTestBoostDevice {
    const char* identifier;
    qint32 minVoltage; // mV
    qint32 maxVoltage; // mV
    qint16 furtherLimit;
    qint16 minCapacitance;
};

extern const std::array<stTestBoostDevice, 3> deviceList;

// Row of deviceList whose identifier equals id (case-sensitive); -1 when none.
int testBoostDeviceRow(const QString& id);

// "%1 after %2 %3 errors!"
QString makeErrMsg(const QString& what, int count, const QString& kind);
