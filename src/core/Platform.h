#pragma once

class IBacklight;
class IRebooter;
class ISystemClock;
class IUsbStick;
class IWatchdogDevice;

// The active platform layers. The real implementations are used unless the frame
// or a test installs others; installing nullptr brings the real one back. The
// holder does not own installed objects: they must outlive their use.
class Platform {
public:
    static IRebooter* rebooter();
    static ISystemClock* systemClock();
    static IWatchdogDevice* watchdog();
    static IBacklight* backlight();
    static IUsbStick* usbStick();

    static void setRebooter(IRebooter* rebooter);
    static void setSystemClock(ISystemClock* clock);
    static void setWatchdog(IWatchdogDevice* watchdog);
    static void setBacklight(IBacklight* backlight);
    static void setUsbStick(IUsbStick* stick);
};
