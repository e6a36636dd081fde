#include "gui/PhaseString.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

QString getPhaseString(int index)
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getPhaseName(index) : QString();
}
