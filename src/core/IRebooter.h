#pragma once

// Restarts or switches off the instrument.
class IRebooter {
public:
    virtual ~IRebooter() = default;
    virtual bool reboot() = 0;
    virtual bool powerOff() = 0;
};
