#pragma once

#include "core/IWatchdogDevice.h"

#include <QMutex>
#include <QStringList>

// Records open, kick and close; thread-safe, since the watchdog is kicked from its own thread.
class FakeWatchdogDevice : public IWatchdogDevice {
public:
    bool open() override;
    bool isOpen() const override;
    bool kick() override;
    void close() override;

    QStringList calls() const; // "open", "kick", "close"
    int kicks() const;
    void setOpenResult(bool ok);

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
    bool m_open = false;
    bool m_openResult = true;
};
