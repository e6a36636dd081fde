#pragma once

#include "core/ISystemClock.h"

#include <QList>

// Records the times the system and the real-time clock would be set to.
class FakeSystemClock : public ISystemClock {
public:
    bool setSystemTime(const QDateTime& time) override;
    bool setHardwareClock(const QDateTime& time) override;

    QList<QDateTime> systemTimes;
    QList<QDateTime> hardwareTimes;
    bool result = true;
};
