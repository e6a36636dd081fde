#pragma once

#include <QHash>
#include <QMetaType>
#include <QString>
#include <QtGlobal>

// One slave on a 1-Wire bus: family code and the identifier after the "-" of its name.
struct stOneWireDevice {
    quint8 familyCode = 0;
    QString id;

    // Slave name as the w1 sysfs tree spells it: "29-0000004c2a1b".
    QString name() const
    {
        return QStringLiteral("%1-%2").arg(familyCode, 2, 16, QLatin1Char('0')).arg(id);
    }
    bool operator==(const stOneWireDevice& o) const { return familyCode == o.familyCode && id == o.id; }
    bool operator!=(const stOneWireDevice& o) const { return !(*this == o); }
};

inline uint qHash(const stOneWireDevice& device, uint seed = 0)
{
    return qHash(device.id, seed) ^ (uint(device.familyCode) * 0x9E3779B1u);
}

Q_DECLARE_METATYPE(stOneWireDevice)
