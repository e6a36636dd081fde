#pragma once

#include "remote/IBluetoothBackend.h"

class QBluetoothLocalDevice;

// The adapter through Qt Bluetooth. The local device is only opened when the system
// lists an adapter, so a machine without one never starts the Bluetooth stack.
class QtBluetoothBackend : public IBluetoothBackend {
    Q_OBJECT
public:
    explicit QtBluetoothBackend(QObject* parent = nullptr);

    void start() override;
    bool hasAdapter() const override { return m_device != nullptr; }
    bool isPowered() const override;
    void setPowered(bool on) override;
    QString connectedDevice() const override { return m_connected; }

    // Whether the system lists an adapter ("hci…" below /sys/class/bluetooth).
    static bool adapterListed();

private:
    QBluetoothLocalDevice* m_device = nullptr;
    QString m_connected;
};
