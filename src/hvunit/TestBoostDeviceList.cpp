#include "hvunit/TestBoostDeviceList.h"

const std::array<stTestBoostDevice, 3> deviceList = {{
    {"128311042000", 3000000, 40000000, 600, 170},
    {"128311062000", 3000000, 60000000, 600, 130},
    {"2012295", 3000000, 60000000, 600, 130},
}};

int testBoostDeviceRow(const QString& id)
{
    for (size_t row = 0; row < deviceList.size(); ++row) {
        if (id == QLatin1String(deviceList[row].identifier))
            return int(row);
    }
    return -1;
}

QString makeErrMsg(const QString& what, int count, const QString& kind)
{
    return QStringLiteral("%1 after %2 %3 errors!").arg(what).arg(count).arg(kind);
}
