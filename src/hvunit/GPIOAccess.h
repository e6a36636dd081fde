#pragma once

// Back end of the board's digital lines. get_pin gives 1 (high), 0 (low) or -1 (failure);
// set_pin and cfg_io_pin give true on success. type of cfg_io_pin: 0 input, 1 output.
class GPIOAccess {
public:
    virtual ~GPIOAccess() = default;

    virtual int get_pin(int line) = 0;
    virtual bool set_pin(int line, bool value) = 0;
    virtual bool cfg_io_pin(int line, int type) = 0;
};
