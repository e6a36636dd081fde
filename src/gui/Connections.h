#pragma once

#include "gui/IconListViewItem.h"
#include "uiapi/OwnedItemList.h"
#include "remote/UsbEntry.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQmlListProperty>
#include <QStringList>
#include <QVariant>

#include <functional>

class ConnectionManager;

// The connection pages: Bluetooth, WLAN and the USB stick browser. The work is done by
// the connection manager on its own thread: this forwards the operator's requests to it
// queued (blocking queued where a result is needed), reads its snapshot, and turns its
// lists into items for QML when it announces them.
class Connections : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString deviceName READ deviceName WRITE setDeviceName NOTIFY deviceNameChanged)
    Q_PROPERTY(QString adHocSsid READ adHocSsid WRITE setAdHocSsid NOTIFY adHocSsidChanged)
    Q_PROPERTY(QString connectedBluetoothDevice READ connectedBluetoothDevice NOTIFY connectedBluetoothDeviceChanged)
    Q_PROPERTY(QString connectedWlanNetwork READ connectedWlanNetwork NOTIFY connectedWlanNetworkChanged)
    Q_PROPERTY(QString currentUsbPath READ currentUsbPath NOTIFY currentUsbPathChanged)
    // Follow the lists: a scan or a folder read begins and ends with a new list.
    Q_PROPERTY(bool scanningWlanNetworks READ scanningWlanNetworks NOTIFY wlanListChanged)
    // From the page's request until the folder's list has come: no folder is empty meanwhile.
    Q_PROPERTY(bool scanningUsbPath READ scanningUsbPath NOTIFY scanningUsbPathChanged)
    Q_PROPERTY(bool adhocNetwork READ adhocNetwork WRITE setAdhocNetwork NOTIFY adhocNetworkChanged)
    Q_PROPERTY(Qt::CheckState wlanState READ wlanState NOTIFY wlanStateChanged)
    Q_PROPERTY(Qt::CheckState bluetoothState READ bluetoothState NOTIFY bluetoothStateChanged)
    Q_PROPERTY(Qt::CheckState usbState READ usbState NOTIFY usbStateChanged)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> wlanList READ wlanList NOTIFY wlanListChanged)
    // The entries of the folder shown that the USB page lists: every folder, and only the
    // files whose names end in one of usbExtensions (e.g. ".tds"; empty: every file).
    Q_PROPERTY(QQmlListProperty<IconListViewItem> usbPathList READ usbPathList NOTIFY usbPathListChanged)
    Q_PROPERTY(QStringList usbExtensions READ usbExtensions WRITE setUsbExtensions NOTIFY usbPathListChanged)
    // A configuration file is listed below the stick's top, where it cannot be imported.
    Q_PROPERTY(bool usbConfigBelowTop READ usbConfigBelowTop NOTIFY usbPathListChanged)
public:
    // The manager registered with GlobalFuncs, when there is one.
    static ConnectionManager* registeredManager();

    explicit Connections(ConnectionManager* manager = registeredManager(), QObject* parent = nullptr);

    QString deviceName() const;
    void setDeviceName(const QString& name);
    QString adHocSsid() const;
    void setAdHocSsid(const QString& ssid);
    QString connectedBluetoothDevice() const;
    QString connectedWlanNetwork() const;
    QString currentUsbPath() const;
    bool scanningWlanNetworks() const;
    bool scanningUsbPath() const;
    bool adhocNetwork() const;
    void setAdhocNetwork(bool on);
    Qt::CheckState wlanState() const;
    Qt::CheckState bluetoothState() const;
    Qt::CheckState usbState() const;
    QQmlListProperty<IconListViewItem> wlanList();
    QQmlListProperty<IconListViewItem> usbPathList();
    QStringList usbExtensions() const { return m_usbExtensions; }
    void setUsbExtensions(const QStringList& extensions);
    bool usbConfigBelowTop() const { return m_usbConfigBelowTop; }
    const QList<IconListViewItem*>& wlanItems() const { return m_wlanItems.items(); }
    const QList<IconListViewItem*>& usbItems() const { return m_usbItems.items(); }

    Q_INVOKABLE void enableBluetooth(bool enabled);
    Q_INVOKABLE void scanWlan();
    Q_INVOKABLE bool connectWlan(const QVariant& value, const QString& password);
    Q_INVOKABLE void resetUsbPath();
    // Browsing is free; an update, configuration or criteria file opens only while its
    // menu lock is open, else passwordRequired asks for that lock and false is returned.
    Q_INVOKABLE bool activateUsbEntity(const QString& path);
    Q_INVOKABLE bool activateUsbEntity() { return activateUsbEntity(QString()); }

    static QString strengthIcon(int strength);
    static QString usbIcon(UsbEntry::Type type);

public slots:
    void onWlanListChanged();
    void onUsbPathListChanged();
    void onBluetoothError(const QString& text);
    // No source announces these yet.
    void onWlanError(const QString& text);
    void onUsbError(const QString& text);

signals:
    void deviceNameChanged(QString name);
    void adHocSsidChanged(QString ssid);
    void connectedBluetoothDeviceChanged();
    void connectedWlanNetworkChanged();
    void currentUsbPathChanged();
    void adhocNetworkChanged();
    void wlanStateChanged();
    void bluetoothStateChanged();
    void usbStateChanged();
    void wlanListChanged();
    void usbPathListChanged();
    void scanningUsbPathChanged();
    void performUpdate(QString configFile);
    void importConfig(QString configFile, bool removeAtfterUpdate);
    void importTanDeltaStandard(QString importFile);
    // lock: Settings::kAdminLock or kServiceLock; path: the entry that waits for it.
    void passwordRequired(QString lock, QString path);

private:
    // Runs a manager slot on the manager's thread: queued from elsewhere, directly on it.
    void post(std::function<void(ConnectionManager*)> call);
    void showError(const QString& text);
    void setWlanState(Qt::CheckState state);
    // The menu lock an entry of this type opens behind; empty for none.
    static QString lockOf(UsbEntry::Type type);
    bool listed(const UsbEntry& entry) const;
    void listUsbEntries();
    void readUsbFolder(const QString& path);

    QPointer<ConnectionManager> m_manager;
    OwnedItemList<IconListViewItem> m_wlanItems;
    OwnedItemList<IconListViewItem> m_usbItems;
    QList<UsbEntry> m_usbEntries;
    QStringList m_usbExtensions;
    bool m_usbConfigBelowTop = false;
    int m_usbReads = 0; // requested, not answered yet
    // The state as the pages last saw it: a quick attempt may already be over when its
    // first signal arrives, and the page must still see it begin and end.
    Qt::CheckState m_wlanState = Qt::Unchecked;
};
