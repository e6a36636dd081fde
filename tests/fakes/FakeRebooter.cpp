#include "fakes/FakeRebooter.h"

bool FakeRebooter::reboot()
{
    calls << QStringLiteral("reboot");
    return result;
}

bool FakeRebooter::powerOff()
{
    calls << QStringLiteral("powerOff");
    return result;
}
