#include "testrun/TanDeltaLists.h"

#include "testrun/TanDeltaCriteriaFolder.h"

namespace TanDelta {
namespace evaluation {

QVector<eInsulationType> allInsulationTypes()
{
    return {PE_XLPE, PILC, Mixed, EPR, PVC, TRXLPE, PE, XLPE};
}

QVector<eEvaluationStandard> allEvaluationStandards()
{
    QVector<eEvaluationStandard> ids{None, IEEE2001, IEEE2013};
    const int files = criteriaFileListing().size();
    for (int i = 0; i < files; ++i)
        ids << userStandardId(i);
    return ids;
}

} // namespace evaluation
} // namespace TanDelta
