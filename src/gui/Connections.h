#pragma once

#include <QObject>

// The connection states the header shows. Bluetooth and WLAN stay off until the
// connection manager exists; the USB state comes from the data model.
class Connections : public QObject {
    Q_OBJECT
    Q_PROPERTY(Qt::CheckState bluetoothState READ bluetoothState NOTIFY bluetoothStateChanged)
    Q_PROPERTY(Qt::CheckState wlanState READ wlanState NOTIFY wlanStateChanged)
    Q_PROPERTY(Qt::CheckState usbState READ usbState NOTIFY usbStateChanged)
public:
    explicit Connections(QObject* parent = nullptr);

    Qt::CheckState bluetoothState() const { return Qt::Unchecked; }
    Qt::CheckState wlanState() const { return Qt::Unchecked; }
    Qt::CheckState usbState() const;

signals:
    void bluetoothStateChanged();
    void wlanStateChanged();
    void usbStateChanged();
};
