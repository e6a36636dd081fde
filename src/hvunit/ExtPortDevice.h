#pragma once

#include "hvunit/OneWireDevice.h"

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>

// Which date record of an accessory memory: 0 the maintenance date, any other value
// the production date.
enum eExtPortDates : int {
    ExtPortDate_Maintenance = 0,
    ExtPortDate_Production = 1,
};

// An accessory on the external port as read from its memory.
struct stExtPortDevice {
    stOneWireDevice oneWireDevice;
    QString identifier;
    QString serialNumber;
    QDateTime productionDate;
    QDateTime maintenanceDate;
    qint32 configVersion = -1; // -1 when unreadable
    QByteArray configData;
    bool reported = false; // announced as found
};

Q_DECLARE_METATYPE(eExtPortDates)
Q_DECLARE_METATYPE(stExtPortDevice)
