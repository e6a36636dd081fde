#include "commissioning/UnavailableProcedure.h"

namespace Commissioning {

QString unavailableProcedureText()
{
    return QStringLiteral("Diese Prozedur ist in dieser Softwareversion nicht verfügbar.");
}

} // namespace Commissioning
