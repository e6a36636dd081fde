#pragma once

#include <QDateTime>

// The system clock and the battery-backed real-time clock.
class ISystemClock {
public:
    virtual ~ISystemClock() = default;
    // Sets the system time (settimeofday).
    virtual bool setSystemTime(const QDateTime& time) = 0;
    // Writes the time, as UTC, into the real-time clock.
    virtual bool setHardwareClock(const QDateTime& time) = 0;
};
