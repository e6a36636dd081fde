#pragma once

// Operating-system actions of the instrument.
class CommonOS {
public:
    // Restarts the instrument (switches it off when powerOff is true) through
    // the active platform layer. Returns false when the command failed.
    static bool reboot(bool powerOff);
    // Blocks the calling thread for ms milliseconds; no events are processed.
    static void sleep(unsigned int ms);
};
