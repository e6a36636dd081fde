#include "fakes/ConnectionManagerOnThread.h"

#include "core/GlobalFuncs.h"

#include <QMutexLocker>

ConnectionManagerOnThread::ConnectionManagerOnThread(const QString& usbMountPoint, bool bluetoothAdapter)
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

ConnectionManagerOnThread::~ConnectionManagerOnThread()
{
    GlobalFuncs::setConnectionManager(nullptr);
    onThread([this]() { delete m_manager; });
    m_thread.quit();
    m_thread.wait();
}

void ConnectionManagerOnThread::setAddresses(const QList<ConnectionAddress>& addresses)
{
    QMutexLocker lock(&m_mutex);
    m_addresses = addresses;
}
