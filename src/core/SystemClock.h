#pragma once

#include "core/ISystemClock.h"

// settimeofday and the RTC device "/dev/rtc0". The system time is only set on the
// instrument itself, never below a test or development root.
class SystemClock : public ISystemClock {
public:
    bool setSystemTime(const QDateTime& time) override;
    bool setHardwareClock(const QDateTime& time) override;
};
