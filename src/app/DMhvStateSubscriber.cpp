#include "app/DMhvStateSubscriber.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

// Before the frame has registered the data model there is nobody to tell.
void DMhvStateSubscriber::setHVUnitState(const stHVUnitState& state)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setHVUnitState(state);
}

stHVUnitState DMhvStateSubscriber::getHVUnitState() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getHVUnitState() : stHVUnitState();
}

int DMhvStateSubscriber::getVoltagePolarity() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? int(dm->getVoltagePolarity()) : 0;
}

int DMhvStateSubscriber::getVLFCosRectType() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getVLFCosRectType() : 0;
}
