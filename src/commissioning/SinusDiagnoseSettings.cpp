#include "commissioning/SinusDiagnoseSettings.h"

namespace Commissioning {

bool isBitEnabled(unsigned long long const& bits, ServiceBit const& bit)
{
    if (bit < 0 || bit >= 64)
        return false;
    return (bits >> bit) & 1ull;
}

} // namespace Commissioning
