#include "fakes/FakePlatform.h"

#include "core/Platform.h"

FakePlatform::FakePlatform()
{
    Platform::setRebooter(&rebooter);
    Platform::setSystemClock(&clock);
    Platform::setWatchdog(&watchdog);
    Platform::setBacklight(&backlight);
    Platform::setUsbStick(&usbStick);
}

FakePlatform::~FakePlatform()
{
    Platform::setRebooter(nullptr);
    Platform::setSystemClock(nullptr);
    Platform::setWatchdog(nullptr);
    Platform::setBacklight(nullptr);
    Platform::setUsbStick(nullptr);
}
