#include "commissioning/TimerScale.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace Commissioning {

namespace {
std::atomic<double> g_scale { 1.0 };
} // namespace

void setTimerScale(double factor)
{
    // A factor outside (0, 1] would stretch or stop the procedures.
    g_scale = (factor > 0.0 && factor <= 1.0) ? factor : 1.0;
}

int scaledInterval(int ms)
{
    return std::max(1, int(std::lround(ms * g_scale.load())));
}

} // namespace Commissioning
