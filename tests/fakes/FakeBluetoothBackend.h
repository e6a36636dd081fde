#pragma once

#include "remote/IBluetoothBackend.h"

#include <QMutex>

// A Bluetooth adapter played from a script: present or not, and a central that connects
// and leaves. Without an adapter, switching on reports "NoBluetoothAdapter".
class FakeBluetoothBackend : public IBluetoothBackend {
    Q_OBJECT
public:
    explicit FakeBluetoothBackend(bool adapter = true, QObject* parent = nullptr)
        : IBluetoothBackend(parent), m_adapter(adapter)
    {
    }

    void start() override;
    bool hasAdapter() const override;
    bool isPowered() const override;
    void setPowered(bool on) override;
    QString connectedDevice() const override;

    // A central connects (non-empty name) or leaves (empty).
    void setCentral(const QString& name);
    int starts() const;

private:
    mutable QMutex m_mutex;
    bool m_adapter;
    bool m_powered = false;
    QString m_central;
    int m_starts = 0;
};
