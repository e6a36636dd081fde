#include "remote/ConnectionManager.h"

#include "config/ConfigKeys.h"
#include "core/GlobalFuncs.h"
#include "core/Locked.h"
#include "logging/LoggingCtrl.h"
#include "remote/IBluetoothBackend.h"
#include "remote/INetworkBackend.h"

#include <QMutexLocker>
#include <QThread>

#include <algorithm>

namespace {
const char* const kClass = "ConnectionManager";
} // namespace

ConnectionManager::ConnectionManager(std::unique_ptr<INetworkBackend> network,
                                     std::unique_ptr<IBluetoothBackend> bluetooth, const QString& usbMountPoint,
                                     AddressSource addresses, QObject* parent)
    : QObject(parent),
      m_network(network.release()),
      m_bluetooth(bluetooth.release()),
      m_addresses(std::move(addresses)),
      m_usb(usbMountPoint),
      m_wlanTimer(this)
{
    // Backends may report from threads of their own.
    qRegisterMetaType<Qt::CheckState>("Qt::CheckState");
    m_network->setParent(this);
    m_bluetooth->setParent(this);
    m_currentUsb = m_usb.current();
    m_wlanTimer.setInterval(WlanRefreshMs);
    connect(&m_wlanTimer, &QTimer::timeout, this, [this]() { readWlanList(false); });
    connect(m_network, &INetworkBackend::scanFinished, this, &ConnectionManager::onScanFinished);
    connect(m_network, &INetworkBackend::networksChanged, this, [this]() { readWlanList(false); });
    connect(m_network, &INetworkBackend::connectionStateChanged, this, &ConnectionManager::onConnectionStateChanged);
    connect(m_bluetooth, &IBluetoothBackend::stateChanged, this, &ConnectionManager::onBluetoothStateChanged);
    connect(m_bluetooth, &IBluetoothBackend::connectedDeviceChanged, this,
            &ConnectionManager::onBluetoothDeviceChanged);
    connect(m_bluetooth, &IBluetoothBackend::error, this, &ConnectionManager::bluetoothError);
}

ConnectionManager::~ConnectionManager() = default;

// --- snapshot ------------------------------------------------------------------------------

QString ConnectionManager::deviceName() const { return Locked::read(m_mutex, m_deviceName); }
QString ConnectionManager::adHocSsid() const { return Locked::read(m_mutex, m_adHocSsid); }
bool ConnectionManager::isAdHocNetwork() const { return Locked::read(m_mutex, m_adHoc); }
QString ConnectionManager::connectedBluetoothDeviceName() const { return Locked::read(m_mutex, m_bluetoothDevice); }
WlanNetwork ConnectionManager::connectedWlanNetwork() const { return Locked::read(m_mutex, m_connecting); }
UsbEntry ConnectionManager::currentUsbPath() const { return Locked::read(m_mutex, m_currentUsb); }
bool ConnectionManager::isRefreshingUsbPathList() const { return Locked::read(m_mutex, m_refreshingUsb); }
bool ConnectionManager::isRefreshingWlanList() const { return Locked::read(m_mutex, m_refreshingWlan); }
Qt::CheckState ConnectionManager::bluetoothState() const { return Locked::read(m_mutex, m_bluetoothState); }
Qt::CheckState ConnectionManager::wlanState() const { return Locked::read(m_mutex, m_wlanState); }
QList<WlanNetwork> ConnectionManager::wlanList() const { return Locked::read(m_mutex, m_wlanList); }
QList<UsbEntry> ConnectionManager::usbPathList() const { return Locked::read(m_mutex, m_usbList); }

// --- wired ---------------------------------------------------------------------------------

QMultiMap<QString, QString> ConnectionManager::getIpAddressList(bool withIpv6)
{
    QMultiMap<QString, QString> map;
    const QList<ConnectionAddress> addresses = m_addresses ? m_addresses() : QList<ConnectionAddress>();
    for (const ConnectionAddress& a : addresses) {
        const bool v4 = a.address.protocol() == QAbstractSocket::IPv4Protocol;
        const bool v6 = a.address.protocol() == QAbstractSocket::IPv6Protocol;
        if (v4 || (v6 && withIpv6))
            map.insert(QStringLiteral("%1:%2").arg(a.type, a.name), a.address.toString());
    }
    return map;
}

bool ConnectionManager::isWiredConnection(const QString& name)
{
    if (name.isEmpty() || !m_addresses)
        return false;
    const QList<ConnectionAddress> addresses = m_addresses();
    return std::any_of(addresses.begin(), addresses.end(), [&name](const ConnectionAddress& a) {
        return a.type == QLatin1String("ETH") && a.name == name;
    });
}

bool ConnectionManager::setWiredIp(const QString& address)
{
    if (QThread::currentThread() != thread()) {
        // A stopped thread would never answer.
        if (!thread() || !thread()->isRunning())
            return false;
        bool ok = false;
        QMetaObject::invokeMethod(this, [this, &ok, address]() { ok = setWiredIp(address); },
                                  Qt::BlockingQueuedConnection);
        return ok;
    }
    const bool ok = m_network->setWiredIpv4(address);
    if (ok)
        KLOG_INFO2(kClass, "setWiredIp", QStringLiteral("Wired address set to %1").arg(address));
    return ok;
}

// --- start, names --------------------------------------------------------------------------

QString ConnectionManager::storedText(const char* key) const
{
    QString value;
    const QString fallback = GlobalFuncs::getProjectAbbreviation().toUpper();
    if (IConfigBase* cfg = GlobalFuncs::getConfig())
        cfg->queryString(QLatin1String(key), value, fallback);
    return value.isEmpty() ? fallback : value;
}

bool ConnectionManager::storeText(const char* key, const QString& value)
{
    IConfigBase* cfg = GlobalFuncs::getConfig();
    if (!cfg || cfg->setString(QLatin1String(key), value) != IConfigBase::CFG_OK
        || cfg->save() != IConfigBase::CFG_OK) {
        KLOG_WARN2(kClass, "storeText", QStringLiteral("Cannot store %1").arg(QLatin1String(key)));
        return false;
    }
    return true;
}

void ConnectionManager::start()
{
    const QString name = storedText(ConfigKeys::DeviceName);
    const QString ssid = storedText(ConfigKeys::AdHocSsid);
    {
        QMutexLocker lock(&m_mutex);
        m_deviceName = name;
        m_adHocSsid = ssid;
    }
    emit deviceNameChanged(name);
    emit adHocSsidChanged(ssid);
    m_network->start();
    m_bluetooth->start();
    onBluetoothDeviceChanged();
}

void ConnectionManager::setDeviceName(const QString& name)
{
    const QString trimmed = name.trimmed();
    // An empty name or one that cannot be stored leaves the old one; the signal lets the
    // field show it again.
    if (trimmed != deviceName() && !trimmed.isEmpty() && storeText(ConfigKeys::DeviceName, trimmed))
        Locked::write(m_mutex, m_deviceName, trimmed);
    emit deviceNameChanged(deviceName());
}

void ConnectionManager::setAdHocSsid(const QString& ssid)
{
    const QString trimmed = ssid.trimmed();
    if (trimmed != adHocSsid() && !trimmed.isEmpty() && storeText(ConfigKeys::AdHocSsid, trimmed)) {
        Locked::write(m_mutex, m_adHocSsid, trimmed);
        if (isAdHocNetwork() && !m_network->setAdHoc(true, trimmed))
            KLOG_WARN2(kClass, "setAdHocSsid", "The ad-hoc network keeps its old name");
    }
    emit adHocSsidChanged(adHocSsid());
}

void ConnectionManager::setAdHocNetwork(bool on)
{
    if (on != isAdHocNetwork() && m_network->setAdHoc(on, adHocSsid())) {
        {
            QMutexLocker lock(&m_mutex);
            m_adHoc = on;
            if (on) {
                m_wlanList.clear();
                m_refreshingWlan = false;
            }
        }
        if (on) {
            m_wlanTimer.stop();
            emit wlanListChanged();
        }
    }
    // Also after a refusal: the switch shows the mode again.
    emit adHocNetworkChanged();
}

// --- WLAN ----------------------------------------------------------------------------------

void ConnectionManager::doRefreshWlanList()
{
    if (isAdHocNetwork())
        return;
    {
        QMutexLocker lock(&m_mutex);
        m_wlanList.clear();
        m_refreshingWlan = true;
    }
    emit wlanListChanged();
    m_wlanTimer.start();
    m_network->scan();
}

void ConnectionManager::onScanFinished()
{
    Locked::write(m_mutex, m_refreshingWlan, false);
    readWlanList(true);
}

void ConnectionManager::readWlanList(bool always)
{
    if (isAdHocNetwork())
        return;
    const QList<WlanNetwork> list = m_network->networks();
    {
        QMutexLocker lock(&m_mutex);
        // Rebuilding an unchanged list would move the operator's place in it.
        if (!always && list == m_wlanList)
            return;
        m_wlanList = list;
    }
    emit wlanListChanged();
}

bool ConnectionManager::connectWlanNetwork(const QString& name, const QString& password)
{
    WlanNetwork network;
    {
        QMutexLocker lock(&m_mutex);
        const auto it = std::find_if(m_wlanList.cbegin(), m_wlanList.cend(),
                                     [&name](const WlanNetwork& n) { return n.name == name; });
        if (name.isEmpty() || it == m_wlanList.cend())
            return false;
        network = *it;
    }
    if (!m_network->connectTo(name, password)) {
        KLOG_WARN2(kClass, "connectWlanNetwork", QStringLiteral("Cannot connect to \"%1\"").arg(network.ssid));
        return false;
    }
    {
        QMutexLocker lock(&m_mutex);
        m_connecting = network;
        m_wlanState = Qt::PartiallyChecked;
    }
    emit connectedWlanNetworkChanged();
    emit wlanStateChanged();
    return true;
}

void ConnectionManager::onConnectionStateChanged(const QString& name, Qt::CheckState state)
{
    bool networkChanged = false;
    bool stateChanged = false;
    {
        QMutexLocker lock(&m_mutex);
        if (state == Qt::Unchecked) {
            // An old attempt ending late says nothing about the one under way.
            if (!m_connecting.isEmpty() && m_connecting.name != name)
                return;
            networkChanged = !m_connecting.isEmpty();
            m_connecting = WlanNetwork();
        } else if (m_connecting.name != name) {
            const auto it = std::find_if(m_wlanList.cbegin(), m_wlanList.cend(),
                                         [&name](const WlanNetwork& n) { return n.name == name; });
            m_connecting = it != m_wlanList.cend() ? *it : WlanNetwork{name, name};
            networkChanged = true;
        }
        stateChanged = m_wlanState != state;
        m_wlanState = state;
    }
    if (networkChanged)
        emit connectedWlanNetworkChanged();
    if (stateChanged)
        emit wlanStateChanged();
}

// --- Bluetooth -----------------------------------------------------------------------------

void ConnectionManager::doEnableBluetooth(bool enabled)
{
    KLOG_INFO2(kClass, "doEnableBluetooth", enabled ? "Bluetooth on" : "Bluetooth off");
    m_bluetooth->setPowered(enabled);
}

void ConnectionManager::onBluetoothStateChanged()
{
    Qt::CheckState state = Qt::Unchecked;
    if (m_bluetooth->hasAdapter() && m_bluetooth->isPowered())
        state = m_bluetooth->connectedDevice().isEmpty() ? Qt::PartiallyChecked : Qt::Checked;
    if (Locked::exchange(m_mutex, m_bluetoothState, state) != state)
        emit bluetoothDeviceStateChanged();
}

void ConnectionManager::onBluetoothDeviceChanged()
{
    const QString device = m_bluetooth->connectedDevice();
    if (Locked::exchange(m_mutex, m_bluetoothDevice, device) != device)
        emit connectedBluetoothDeviceChanged();
    onBluetoothStateChanged();
}

// --- USB -----------------------------------------------------------------------------------

void ConnectionManager::doRefreshUsbPathList(const QString& path)
{
    Locked::write(m_mutex, m_refreshingUsb, true);
    m_usb.open(path);
    const UsbEntry current = m_usb.current();
    const QList<UsbEntry> entries = m_usb.entries();
    bool folderChanged = false;
    bool presenceChanged = false;
    {
        QMutexLocker lock(&m_mutex);
        folderChanged = current != m_currentUsb;
        presenceChanged = m_usbPresent != m_usb.stickPresent();
        m_currentUsb = current;
        m_usbList = entries;
        m_usbPresent = m_usb.stickPresent();
        m_refreshingUsb = false;
    }
    if (folderChanged)
        emit currentUsbPathChanged();
    emit usbPathListChanged();
    if (presenceChanged)
        emit usbStateChanged();
}
