#pragma once

#include "core/IRebooter.h"

// Runs the system's "reboot" / "poweroff" commands. Does nothing below a test or
// development root, so such a run never restarts the machine it runs on.
class Rebooter : public IRebooter {
public:
    bool reboot() override;
    bool powerOff() override;
};
