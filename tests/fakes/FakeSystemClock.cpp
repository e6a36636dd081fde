#include "fakes/FakeSystemClock.h"

bool FakeSystemClock::setSystemTime(const QDateTime& time)
{
    systemTimes << time;
    return result;
}

bool FakeSystemClock::setHardwareClock(const QDateTime& time)
{
    hardwareTimes << time;
    return result;
}
