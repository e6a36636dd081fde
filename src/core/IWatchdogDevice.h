#pragma once

// The hardware watchdog: once opened it must be kicked regularly or it resets
// the board; a magic close disarms it on an orderly stop.
class IWatchdogDevice {
public:
    virtual ~IWatchdogDevice() = default;
    virtual bool open() = 0;
    virtual bool isOpen() const = 0;
    virtual bool kick() = 0;
    // Writes the magic character and closes, so the watchdog stops.
    virtual void close() = 0;
};
