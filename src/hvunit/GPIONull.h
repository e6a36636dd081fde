#pragma once

#include "hvunit/GPIOAccess.h"

// Stand-in when the kernel offers no GPIO driver: every operation fails.
class GPIONull : public GPIOAccess {
public:
    GPIONull();

    int get_pin(int line) override;
    bool set_pin(int line, bool value) override;
    bool cfg_io_pin(int line, int type) override;
};
