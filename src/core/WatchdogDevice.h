#pragma once

#include "core/IWatchdogDevice.h"

#include <QMutex>

// The kernel watchdog device "/dev/watchdog".
class WatchdogDevice : public IWatchdogDevice {
public:
    WatchdogDevice() = default;
    ~WatchdogDevice() override;
    WatchdogDevice(const WatchdogDevice&) = delete;
    WatchdogDevice& operator=(const WatchdogDevice&) = delete;

    bool open() override;
    bool isOpen() const override;
    bool kick() override;
    void close() override;

private:
    bool writeByte(char c);

    mutable QMutex m_mutex;
    int m_fd = -1;
};
