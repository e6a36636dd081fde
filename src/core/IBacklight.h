#pragma once

// Display brightness in percent (0..100).
class IBacklight {
public:
    virtual ~IBacklight() = default;
    // Current brightness, -1 when it cannot be read.
    virtual int brightness() const = 0;
    // Values outside 0..100 are clamped.
    virtual bool setBrightness(int percent) = 0;
};
