#include "tandelta/TanDeltaLists.h"

#include "tandelta/TanDeltaStandardNumbers.h"

namespace TanDelta {
namespace evaluation {

QVector<eInsulationType> allInsulationTypes()
{
    return {PE_XLPE, PILC, Mixed, EPR, PVC, TRXLPE, PE, XLPE};
}

QVector<eEvaluationStandard> allEvaluationStandards()
{
    QVector<eEvaluationStandard> ids{None, IEEE2001, IEEE2013};
    for (const InstalledStandard& standard : installedUserStandards())
        ids << standard.id;
    return ids;
}

bool isKnownEvaluationStandard(eEvaluationStandard id)
{
    if (id == None || id == IEEE2001 || id == IEEE2013)
        return true;
    return id >= UserStandardBase && numberedUserStandard(id).id == id;
}

} // namespace evaluation
} // namespace TanDelta
