#pragma once

#include "core/GlobalFuncs.h"
#include "fakes/FakeBluetoothBackend.h"
#include "fakes/FakeNetworkBackend.h"
#include "remote/ConnectionManager.h"

#include <QList>
#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

// A connection manager over the scripted backends on its own "ConnectionManagerThread",
// as in the instrument, registered with GlobalFuncs while it runs. The scripted addresses
// and the backends may be set from the test's thread.
class ConnectionManagerOnThread {
public:
    explicit ConnectionManagerOnThread(const QString& usbMountPoint, bool bluetoothAdapter = true)
    {
        auto network = std::make_unique<FakeNetworkBackend>();
        auto bluetooth = std::make_unique<FakeBluetoothBackend>(bluetoothAdapter);
        m_network = network.get();
        m_bluetooth = bluetooth.get();
        m_manager = new ConnectionManager(std::move(network), std::move(bluetooth), usbMountPoint, [this]() {
            QMutexLocker lock(&m_mutex);
            return m_addresses;
        });
        m_thread.setObjectName(QStringLiteral("ConnectionManagerThread"));
        m_manager->moveToThread(&m_thread);
        m_thread.start();
        GlobalFuncs::setConnectionManager(m_manager);
        onThread([this]() { m_manager->start(); });
    }
    ~ConnectionManagerOnThread()
    {
        GlobalFuncs::setConnectionManager(nullptr);
        onThread([this]() { delete m_manager; });
        m_thread.quit();
        m_thread.wait();
    }

    ConnectionManager* manager() const { return m_manager; }
    FakeNetworkBackend* network() const { return m_network; }
    FakeBluetoothBackend* bluetooth() const { return m_bluetooth; }
    QThread* thread() { return &m_thread; }
    void setAddresses(const QList<ConnectionAddress>& addresses)
    {
        QMutexLocker lock(&m_mutex);
        m_addresses = addresses;
    }

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
