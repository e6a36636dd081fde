#include "gui/Connections.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "gui/Settings.h"
#include "uiapi/IGUI.h"
#include "remote/ConnectionManager.h"

#include <QThread>

#include <algorithm>
#include <cmath>

ConnectionManager* Connections::registeredManager()
{
    return dynamic_cast<ConnectionManager*>(GlobalFuncs::getConnectionManager());
}

Connections::Connections(ConnectionManager* manager, QObject* parent) : QObject(parent), m_manager(manager)
{
    if (!manager)
        return;
    // The manager lives on its own thread: these arrive queued.
    connect(manager, &ConnectionManager::deviceNameChanged, this, &Connections::deviceNameChanged);
    connect(manager, &ConnectionManager::connectedBluetoothDeviceChanged, this,
            &Connections::connectedBluetoothDeviceChanged);
    connect(manager, &ConnectionManager::connectedWlanNetworkChanged, this, &Connections::connectedWlanNetworkChanged);
    connect(manager, &ConnectionManager::currentUsbPathChanged, this, &Connections::currentUsbPathChanged);
    connect(manager, &ConnectionManager::adHocNetworkChanged, this, &Connections::adhocNetworkChanged);
    connect(manager, &ConnectionManager::adHocSsidChanged, this, &Connections::adHocSsidChanged);
    connect(manager, &ConnectionManager::wlanListChanged, this, &Connections::onWlanListChanged);
    connect(manager, &ConnectionManager::usbPathListChanged, this, &Connections::onUsbPathListChanged);
    connect(manager, &ConnectionManager::bluetoothDeviceStateChanged, this, &Connections::bluetoothStateChanged);
    connect(manager, &ConnectionManager::wlanStateChanged, this, [this]() {
        if (m_manager)
            setWlanState(m_manager->wlanState());
    });
    connect(manager, &ConnectionManager::usbStateChanged, this, &Connections::usbStateChanged);
    connect(manager, &ConnectionManager::bluetoothError, this, &Connections::onBluetoothError);
    m_wlanState = manager->wlanState();
    onWlanListChanged();
    onUsbPathListChanged();
}

void Connections::post(std::function<void(ConnectionManager*)> call)
{
    ConnectionManager* manager = m_manager.data();
    if (!manager)
        return;
    // Queued when the manager is on another thread.
    QMetaObject::invokeMethod(manager, [manager, call]() { call(manager); }, Qt::AutoConnection);
}

// --- properties ----------------------------------------------------------------------------

QString Connections::deviceName() const { return m_manager ? m_manager->deviceName() : QString(); }

void Connections::setDeviceName(const QString& name)
{
    post([name](ConnectionManager* m) { m->setDeviceName(name); });
}

QString Connections::adHocSsid() const { return m_manager ? m_manager->adHocSsid() : QString(); }

void Connections::setAdHocSsid(const QString& ssid)
{
    post([ssid](ConnectionManager* m) { m->setAdHocSsid(ssid); });
}

QString Connections::connectedBluetoothDevice() const
{
    return m_manager ? m_manager->connectedBluetoothDeviceName() : QString();
}

QString Connections::connectedWlanNetwork() const { return m_manager ? m_manager->connectedWlanNetwork().ssid : QString(); }

QString Connections::currentUsbPath() const
{
    return m_manager ? m_manager->currentUsbPath().name : QStringLiteral("USB");
}

bool Connections::scanningWlanNetworks() const { return m_manager && m_manager->isRefreshingWlanList(); }

bool Connections::scanningUsbPath() const { return m_usbReads > 0; }

bool Connections::adhocNetwork() const { return m_manager && m_manager->isAdHocNetwork(); }

void Connections::setAdhocNetwork(bool on)
{
    post([on](ConnectionManager* m) { m->setAdHocNetwork(on); });
}

Qt::CheckState Connections::wlanState() const { return m_wlanState; }

void Connections::setWlanState(Qt::CheckState state)
{
    if (state == m_wlanState)
        return;
    m_wlanState = state;
    emit wlanStateChanged();
}

Qt::CheckState Connections::bluetoothState() const
{
    return m_manager ? m_manager->bluetoothState() : Qt::Unchecked;
}

Qt::CheckState Connections::usbState() const
{
    DataModell* dm = GlobalFuncs::getDM();
    switch (dm ? dm->getUSBState() : USBState_NoStick) {
    case USBState_Ready:
        return Qt::Checked;
    case USBState_Checking:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

QQmlListProperty<IconListViewItem> Connections::wlanList() { return m_wlanItems.property(this); }

QQmlListProperty<IconListViewItem> Connections::usbPathList() { return m_usbItems.property(this); }

// --- operations ----------------------------------------------------------------------------

void Connections::enableBluetooth(bool enabled)
{
    post([enabled](ConnectionManager* m) { m->doEnableBluetooth(enabled); });
}

void Connections::scanWlan()
{
    post([](ConnectionManager* m) { m->doRefreshWlanList(); });
}

bool Connections::connectWlan(const QVariant& value, const QString& password)
{
    ConnectionManager* manager = m_manager.data();
    if (!manager)
        return false;
    const QString name = value.toString();
    bool ok = false;
    if (manager->thread() == QThread::currentThread()) {
        ok = manager->connectWlanNetwork(name, password);
    } else if (manager->thread()->isRunning()) {
        // The manager only starts the attempt, so this waits for no network.
        QMetaObject::invokeMethod(
            manager, [manager, &ok, name, password]() { ok = manager->connectWlanNetwork(name, password); },
            Qt::BlockingQueuedConnection);
    }
    if (ok)
        setWlanState(Qt::PartiallyChecked);
    return ok;
}

void Connections::resetUsbPath() { readUsbFolder(QString()); }

void Connections::readUsbFolder(const QString& path)
{
    if (!m_manager)
        return;
    if (m_usbReads++ == 0)
        emit scanningUsbPathChanged();
    post([path](ConnectionManager* m) { m->doRefreshUsbPathList(path); });
}

QString Connections::lockOf(UsbEntry::Type type)
{
    // Updates and criteria files are the administrator's, as in the menus; a configuration
    // is the service level's.
    switch (type) {
    case UsbEntry::UpdatePackage:
    case UsbEntry::TanDeltaStandard: return Settings::kAdminLock;
    case UsbEntry::ConfigFile: return Settings::kServiceLock;
    default: return QString();
    }
}

bool Connections::activateUsbEntity(const QString& path)
{
    for (const UsbEntry& entry : qAsConst(m_usbEntries)) {
        if (entry.path != path)
            continue;
        const QString lock = lockOf(entry.type);
        if (Settings::isLocked(lock)) {
            emit passwordRequired(lock, entry.path);
            return false;
        }
        switch (entry.type) {
        case UsbEntry::Folder:
        case UsbEntry::ParentFolder: {
            readUsbFolder(entry.path);
            break;
        }
        case UsbEntry::UpdatePackage:
            emit performUpdate(entry.path);
            break;
        case UsbEntry::ConfigFile:
            emit importConfig(entry.path, false);
            break;
        case UsbEntry::TanDeltaStandard:
            emit importTanDeltaStandard(entry.path);
            break;
        default:
            return false;
        }
    }
    return true;
}

// --- lists ---------------------------------------------------------------------------------

QString Connections::strengthIcon(int strength)
{
    static const char* const icons[] = {"qrc:/icons/strength0.svg", "qrc:/icons/strength1.svg",
                                        "qrc:/icons/strength2.svg", "qrc:/icons/strength3.svg",
                                        "qrc:/icons/strength4.svg", "qrc:/icons/strength5.svg"};
    return QString::fromLatin1(icons[std::clamp(int(std::floor(strength * 0.06)), 0, 5)]);
}

QString Connections::usbIcon(UsbEntry::Type type)
{
    switch (type) {
    case UsbEntry::CurrentFolder: return QStringLiteral("qrc:/icons/usb_stick.svg");
    case UsbEntry::Folder: return QStringLiteral("qrc:/icons/folder.svg");
    case UsbEntry::File: return QStringLiteral("qrc:/icons/file.svg");
    case UsbEntry::UpdatePackage: return QStringLiteral("qrc:/icons/update.svg");
    case UsbEntry::ConfigFile: return QStringLiteral("qrc:/icons/wrench.svg");
    case UsbEntry::TanDeltaStandard: return QStringLiteral("qrc:/icons/TangentsDelta.svg");
    case UsbEntry::LogFile: return QStringLiteral("qrc:/icons/list_bulleted.svg");
    case UsbEntry::Document: return QStringLiteral("qrc:/icons/message.svg");
    case UsbEntry::ParentFolder: return QStringLiteral("qrc:/icons/return.svg");
    default: return QStringLiteral("qrc:/icons/cancel.svg");
    }
}

void Connections::onWlanListChanged()
{
    QList<WlanNetwork> networks = m_manager ? m_manager->wlanList() : QList<WlanNetwork>();
    std::sort(networks.begin(), networks.end(),
              [](const WlanNetwork& a, const WlanNetwork& b) { return a.strength < b.strength; });
    QList<IconListViewItem*> items;
    for (const WlanNetwork& n : qAsConst(networks))
        items.append(new IconListViewItem(n.ssid, strengthIcon(n.strength), n.name));
    m_wlanItems.replace(items, [this]() { emit wlanListChanged(); });
}

void Connections::setUsbExtensions(const QStringList& extensions)
{
    if (extensions == m_usbExtensions)
        return;
    m_usbExtensions = extensions;
    listUsbEntries();
}

bool Connections::listed(const UsbEntry& entry) const
{
    // Typed once by the browser: folders may have dots in their names ("fw_4.2").
    if (m_usbExtensions.isEmpty() || entry.type == UsbEntry::Folder || entry.type == UsbEntry::ParentFolder)
        return true;
    return std::any_of(m_usbExtensions.cbegin(), m_usbExtensions.cend(),
                       [&entry](const QString& end) { return entry.name.endsWith(end, Qt::CaseInsensitive); });
}

void Connections::listUsbEntries()
{
    // A stick may hold tens of thousands of files: one pass, on the list as it arrives.
    QList<IconListViewItem*> items;
    bool configBelowTop = false;
    // Below the top the parent comes first.
    const bool belowTop = !m_usbEntries.isEmpty() && m_usbEntries.first().type == UsbEntry::ParentFolder;
    for (const UsbEntry& entry : qAsConst(m_usbEntries)) {
        if (!listed(entry))
            continue;
        items.append(new IconListViewItem(entry.name, usbIcon(entry.type), entry.path));
        configBelowTop =
            configBelowTop || (belowTop && entry.name.endsWith(QLatin1String(".cfg.xml"), Qt::CaseInsensitive));
    }
    m_usbConfigBelowTop = configBelowTop;
    m_usbItems.replace(items, [this]() { emit usbPathListChanged(); });
}

void Connections::onUsbPathListChanged()
{
    m_usbEntries = m_manager ? m_manager->usbPathList() : QList<UsbEntry>();
    listUsbEntries();
    // Each read answers once; the manager also lists on its own (a stick put in).
    if (m_usbReads > 0 && --m_usbReads == 0)
        emit scanningUsbPathChanged();
}

// --- errors --------------------------------------------------------------------------------

void Connections::showError(const QString& text)
{
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(CAT_ERR, QStringLiteral("ErrorMessages"), text, false, false);
}

void Connections::onBluetoothError(const QString& text) { showError(text); }

void Connections::onWlanError(const QString& text) { showError(text); }

void Connections::onUsbError(const QString&) {}
