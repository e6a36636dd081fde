#pragma once

#include "core/IConnectionManager.h"
#include "remote/NetworkAddresses.h"
#include "remote/UsbBrowser.h"
#include "remote/UsbEntry.h"
#include "remote/WlanNetwork.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class IBluetoothBackend;
class INetworkBackend;

// The instrument's connections: Bluetooth power and central, the WLAN list and
// connection, the ad-hoc network, the wired address and the USB stick browser.
// Runs on its own thread. The getters read a snapshot under a lock and may be called
// from any thread; the slots act and run on the manager's thread, so callers elsewhere
// invoke them queued (or blocking queued for a result). Nothing here waits for the GUI
// thread, and a WLAN connection is made asynchronously.
class ConnectionManager : public QObject, public IConnectionManager {
    Q_OBJECT
public:
    using AddressSource = std::function<QList<ConnectionAddress>()>;

    static constexpr int WlanRefreshMs = 3000;

    ConnectionManager(std::unique_ptr<INetworkBackend> network, std::unique_ptr<IBluetoothBackend> bluetooth,
                      const QString& usbMountPoint, AddressSource addresses = systemConnectionAddresses,
                      QObject* parent = nullptr);
    ~ConnectionManager() override;

    QString deviceName() const;
    QString adHocSsid() const;
    bool isAdHocNetwork() const;
    QString connectedBluetoothDeviceName() const;
    // The network being connected or connected; empty when none.
    WlanNetwork connectedWlanNetwork() const;
    UsbEntry currentUsbPath() const;
    bool isRefreshingUsbPathList() const;
    bool isRefreshingWlanList() const;
    Qt::CheckState bluetoothState() const;
    Qt::CheckState wlanState() const;
    QList<WlanNetwork> wlanList() const;
    QList<UsbEntry> usbPathList() const;

    QMultiMap<QString, QString> getIpAddressList(bool withIpv6) override;
    bool isWiredConnection(const QString& name) override;
    // Called from another thread, it waits for the manager's thread to do it.
    bool setWiredIp(const QString& address) override;

public slots:
    // Reads the stored names and opens the Bluetooth adapter.
    void start();
    void doEnableBluetooth(bool enabled);
    // Empties the list and scans; the list is then read again every WlanRefreshMs.
    // Nothing in ad-hoc mode.
    void doRefreshWlanList();
    void doRefreshUsbPathList(const QString& path);
    // Starts connecting to the listed network called name; wlanState follows the
    // attempt. False when no such network is listed or the attempt cannot begin.
    bool connectWlanNetwork(const QString& name, const QString& password);
    void setDeviceName(const QString& name);
    void setAdHocSsid(const QString& ssid);
    void setAdHocNetwork(bool on);

signals:
    void deviceNameChanged(QString name);
    void connectedBluetoothDeviceChanged();
    void connectedWlanNetworkChanged();
    void currentUsbPathChanged();
    void adHocNetworkChanged();
    void adHocSsidChanged(QString ssid);
    void wlanListChanged();
    void usbPathListChanged();
    void bluetoothDeviceStateChanged();
    void wlanStateChanged();
    void usbStateChanged();
    void bluetoothError(QString text);

private:
    void onScanFinished();
    void readWlanList(bool always);
    void onConnectionStateChanged(const QString& name, Qt::CheckState state);
    void onBluetoothStateChanged();
    void onBluetoothDeviceChanged();
    QString storedText(const char* key) const;
    bool storeText(const char* key, const QString& value);

    // Children, so that they move to the manager's thread with it.
    INetworkBackend* m_network;
    IBluetoothBackend* m_bluetooth;
    AddressSource m_addresses;
    UsbBrowser m_usb;
    QTimer m_wlanTimer;

    mutable QMutex m_mutex; // guards the snapshot below
    QString m_deviceName;
    QString m_adHocSsid;
    bool m_adHoc = false;
    QString m_bluetoothDevice;
    Qt::CheckState m_bluetoothState = Qt::Unchecked;
    WlanNetwork m_connecting;
    Qt::CheckState m_wlanState = Qt::Unchecked;
    QList<WlanNetwork> m_wlanList;
    bool m_refreshingWlan = false;
    UsbEntry m_currentUsb;
    QList<UsbEntry> m_usbList;
    bool m_refreshingUsb = false;
    bool m_usbPresent = false;
};
