#include "hvunit/TestBoostManagerVirtual.h"

#include "hvunit/TestBoostDeviceList.h"

TestBoostManagerVirtual::TestBoostManagerVirtual(std::unique_ptr<TestBoostModel> dataModel, QObject* parent)
    : TestBoostManager(std::move(dataModel), parent)
{
    model().setTestBoostState(stTBState{2, 7}, false);

    const stTestBoostDevice& row = deviceList[1];
    stTBData data;
    data.identifier = QLatin1String(row.identifier);
    data.serialNumber = QStringLiteral("00000000000");
    data.productionDate = QDateTime(QDate(2019, 9, 2), QTime(12, 0), Qt::LocalTime);
    data.maintenanceDate = data.productionDate;
    data.ignitionPulse = 1; // configuration "1"
    data.configValid = true;
    data.minVoltage = row.minVoltage;
    data.maxVoltage = row.maxVoltage;
    data.furtherLimit = row.furtherLimit;
    data.minRequiredCapacitance = row.minCapacitance;
    model().setTestBoostData(data);
}

TestBoostManagerVirtual::~TestBoostManagerVirtual() = default;
