#include "remote/QtBluetoothBackend.h"

#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"

#include <QBluetoothAddress>
#include <QBluetoothLocalDevice>
#include <QDir>

namespace {
const char* const kClass = "QtBluetoothBackend";
const QString kNoAdapter = QStringLiteral("NoBluetoothAdapter");
const QString kAdapterFailed = QStringLiteral("BluetoothAdapterFailed");
} // namespace

QtBluetoothBackend::QtBluetoothBackend(QObject* parent) : IBluetoothBackend(parent) {}

bool QtBluetoothBackend::adapterListed()
{
    const QDir dir(FsRoot::path(QStringLiteral("/sys/class/bluetooth")));
    return !dir.entryList({QStringLiteral("hci*")}, QDir::AllEntries | QDir::System).isEmpty();
}

void QtBluetoothBackend::start()
{
    if (m_device || !adapterListed()) {
        if (!m_device)
            KLOG_INFO2(kClass, "start", "No Bluetooth adapter");
        return;
    }
    auto* device = new QBluetoothLocalDevice(this);
    if (!device->isValid()) {
        KLOG_WARN2(kClass, "start", "The Bluetooth adapter cannot be opened");
        delete device;
        return;
    }
    m_device = device;
    connect(device, &QBluetoothLocalDevice::hostModeStateChanged, this, &IBluetoothBackend::stateChanged);
    connect(device, &QBluetoothLocalDevice::deviceConnected, this, [this](const QBluetoothAddress& address) {
        m_connected = address.toString();
        emit connectedDeviceChanged();
        emit stateChanged();
    });
    connect(device, &QBluetoothLocalDevice::deviceDisconnected, this, [this](const QBluetoothAddress& address) {
        if (m_connected != address.toString())
            return;
        m_connected.clear();
        emit connectedDeviceChanged();
        emit stateChanged();
    });
    connect(device, &QBluetoothLocalDevice::error, this, [this](QBluetoothLocalDevice::Error e) {
        KLOG_WARN2(kClass, "error", QStringLiteral("Bluetooth adapter error %1").arg(int(e)));
        emit error(kAdapterFailed);
    });
    const QList<QBluetoothAddress> connected = device->connectedDevices();
    if (!connected.isEmpty())
        m_connected = connected.first().toString();
}

bool QtBluetoothBackend::isPowered() const
{
    return m_device && m_device->hostMode() != QBluetoothLocalDevice::HostPoweredOff;
}

void QtBluetoothBackend::setPowered(bool on)
{
    if (!m_device) {
        if (on)
            emit error(kNoAdapter);
        return;
    }
    if (on)
        m_device->powerOn();
    else
        m_device->setHostMode(QBluetoothLocalDevice::HostPoweredOff);
}
