#pragma once

#include "core/Heartbeat.h"

// Steady milliseconds ten times fast: the HV link's pauses and long waits (the rebooted
// unit, the firmware's busy limit) pass in a tenth of their time (TPOF::setSteadyClock),
// while the simulated unit's own busy times stay well within them.
constexpr int kFastClockRate = 10;
inline qint64 fastSteadyClock() { return Heartbeat::now() * kFastClockRate; }
