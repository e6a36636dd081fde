#include "app/DataModelTestBoostModel.h"

#include "datamodel/DataModell.h"
#include "core/GlobalFuncs.h"

stTBState DataModelTestBoostModel::testBoostState() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getTestBoostState() : stTBState();
}

void DataModelTestBoostModel::setTestBoostState(const stTBState& state, bool force)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setTestBoostState(state, force);
}

stTBData DataModelTestBoostModel::testBoostData() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getTestBoostData() : stTBData();
}

void DataModelTestBoostModel::setTestBoostData(const stTBData& data)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setTestBoostData(data);
}

OperatingModes::OperatingMode DataModelTestBoostModel::operatingMode() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getOperatingMode() : OperatingModes::None;
}

bool DataModelTestBoostModel::isTestBoostOpMode() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->isTestBoostOpMode(OperatingModes::Unknown);
}

bool DataModelTestBoostModel::isRemoteControlled() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->isRemoteControlled();
}
