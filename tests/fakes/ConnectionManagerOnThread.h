#pragma once

#include "fakes/FakeBluetoothBackend.h"
#include "fakes/FakeNetworkBackend.h"
#include "remote/ConnectionManager.h"

#include <QList>
#include <QMetaObject>
#include <QThread>

// A connection manager over the scripted backends on its own "ConnectionManagerThread",
// as in the instrument, registered with GlobalFuncs while it runs. The scripted addresses
// and the backends may be set from the test's thread.
class ConnectionManagerOnThread {
public:
    explicit ConnectionManagerOnThread(const QString& usbMountPoint, bool bluetoothAdapter = true);
    ~ConnectionManagerOnThread();

    ConnectionManager* manager() const { return m_manager; }
    FakeNetworkBackend* network() const { return m_network; }
    FakeBluetoothBackend* bluetooth() const { return m_bluetooth; }
    QThread* thread() { return &m_thread; }
    void setAddresses(const QList<ConnectionAddress>& addresses);

    // Runs f on the manager's thread and waits for it.
    template <typename F>
    void onThread(F f)
    {
        QMetaObject::invokeMethod(m_manager, f, Qt::BlockingQueuedConnection);
    }

private:
    QThread m_thread;
    ConnectionManager* m_manager = nullptr;
    FakeNetworkBackend* m_network = nullptr;
    FakeBluetoothBackend* m_bluetooth = nullptr;
    QMutex m_mutex;
    QList<ConnectionAddress> m_addresses;
};
