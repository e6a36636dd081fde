#pragma once

#include <QObject>
#include <QString>

// The Bluetooth adapter: power and the connected central. Lives on the connection
// manager's thread; start() runs there.
class IBluetoothBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~IBluetoothBackend() override = default;

    virtual void start() = 0;
    virtual bool hasAdapter() const = 0;
    virtual bool isPowered() const = 0;
    // stateChanged() follows, or error() when the adapter cannot do it.
    virtual void setPowered(bool on) = 0;
    // Empty while no central is connected.
    virtual QString connectedDevice() const = 0;

signals:
    void stateChanged();
    void connectedDeviceChanged();
    // key: a text of the context "ErrorMessages".
    void error(QString key);
};
