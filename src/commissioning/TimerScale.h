#pragma once

namespace Commissioning {

// The measuring procedures' poll timers and the set-up's delay run this many times
// faster, so that a test can walk a whole procedure in seconds; the program never changes
// it (1).
void setTimerScale(double factor);

// ms shortened by the timer scale, at least 1 ms.
int scaledInterval(int ms);

} // namespace Commissioning
