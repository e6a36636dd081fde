#pragma once

#include "hvunit/TPOF.h"

namespace Commissioning {

// One write to the HV unit: command letter and its two values.
struct Command {
    TPOF::eCommandCode code = TPOF::CMD_StateWord;
    unsigned long long value1 = 0;
    unsigned long long value2 = 0;
};

} // namespace Commissioning
