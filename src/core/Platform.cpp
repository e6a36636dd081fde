#include "core/Platform.h"

#include "core/Backlight.h"
#include "core/Rebooter.h"
#include "core/SystemClock.h"
#include "core/UsbStick.h"
#include "core/WatchdogDevice.h"

#include <QAtomicPointer>

namespace {
QAtomicPointer<IRebooter> g_rebooter;
QAtomicPointer<ISystemClock> g_clock;
QAtomicPointer<IWatchdogDevice> g_watchdog;
QAtomicPointer<IBacklight> g_backlight;
QAtomicPointer<IUsbStick> g_usbStick;

template <typename I, typename Real>
I* active(QAtomicPointer<I>& slot)
{
    if (I* p = slot.loadAcquire())
        return p;
    static Real real;
    return &real;
}
} // namespace

IRebooter* Platform::rebooter() { return active<IRebooter, Rebooter>(g_rebooter); }
ISystemClock* Platform::systemClock() { return active<ISystemClock, SystemClock>(g_clock); }
IWatchdogDevice* Platform::watchdog() { return active<IWatchdogDevice, WatchdogDevice>(g_watchdog); }
IBacklight* Platform::backlight() { return active<IBacklight, Backlight>(g_backlight); }
IUsbStick* Platform::usbStick() { return active<IUsbStick, UsbStick>(g_usbStick); }

void Platform::setRebooter(IRebooter* rebooter) { g_rebooter.storeRelease(rebooter); }
void Platform::setSystemClock(ISystemClock* clock) { g_clock.storeRelease(clock); }
void Platform::setWatchdog(IWatchdogDevice* watchdog) { g_watchdog.storeRelease(watchdog); }
void Platform::setBacklight(IBacklight* backlight) { g_backlight.storeRelease(backlight); }
void Platform::setUsbStick(IUsbStick* stick) { g_usbStick.storeRelease(stick); }
