#include "app/DataModelSafetyReceiver.h"

#include "datamodel/DataModell.h"
#include "core/GlobalFuncs.h"

void DataModelSafetyReceiver::setSafetyCircuitDriverEnabled(bool enabled)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setSafetyCircuitDriverEnabled(enabled);
}

void DataModelSafetyReceiver::setSafetyCircuitState(std::bitset<10> const& state)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setSafetyCircuitState(state);
}

std::unique_ptr<SafetyReceiver> createDataModelReciever() { return std::make_unique<DataModelSafetyReceiver>(); }
