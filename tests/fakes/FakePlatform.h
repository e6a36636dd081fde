#pragma once

#include "fakes/FakeBacklight.h"
#include "fakes/FakeRebooter.h"
#include "fakes/FakeSystemClock.h"
#include "fakes/FakeUsbStick.h"
#include "fakes/FakeWatchdogDevice.h"

// Installs recording fakes for every platform layer for its lifetime, so a test
// never reboots, re-clocks or touches a device of the machine it runs on.
class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    FakeRebooter rebooter;
    FakeSystemClock clock;
    FakeWatchdogDevice watchdog;
    FakeBacklight backlight;
    FakeUsbStick usbStick;
};
