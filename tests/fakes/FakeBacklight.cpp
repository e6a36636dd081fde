#include "fakes/FakeBacklight.h"

#include <QtGlobal>

bool FakeBacklight::setBrightness(int percent)
{
    values << percent;
    if (result)
        current = qBound(0, percent, 100);
    return result;
}
