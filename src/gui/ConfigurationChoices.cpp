#include "gui/ConfigurationChoices.h"

#include "datamodel/DataModell.h"
#include "tandelta/TanDeltaLists.h"

ChoiceIds<TanDelta::evaluation::eInsulationType> insulationChoices(const DataModell& dm)
{
    QVector<TanDelta::evaluation::eInsulationType> ids = dm.getEnabledInsulationTypes();
    if (ids.isEmpty())
        ids = dm.getAllInsulationTypes();
    return ChoiceIds<TanDelta::evaluation::eInsulationType>(ids);
}

ChoiceIds<eVoltageRampMode> rampModeChoices()
{
    return ChoiceIds<eVoltageRampMode>({VoltageRampMode_Auto, VoltageRampMode_Manual});
}

ChoiceIds<TanDelta::evaluation::eEvaluationStandard> standardChoices()
{
    return ChoiceIds<TanDelta::evaluation::eEvaluationStandard>(TanDelta::evaluation::allEvaluationStandards());
}
