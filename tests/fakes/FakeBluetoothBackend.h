#pragma once

#include "remote/IBluetoothBackend.h"

#include <QMutex>
#include <QMutexLocker>

// A Bluetooth adapter played from a script: present or not, and a central that connects
// and leaves. Without an adapter, switching on reports "NoBluetoothAdapter".
class FakeBluetoothBackend : public IBluetoothBackend {
    Q_OBJECT
public:
    explicit FakeBluetoothBackend(bool adapter = true, QObject* parent = nullptr)
        : IBluetoothBackend(parent), m_adapter(adapter)
    {
    }

    void start() override {}
    bool hasAdapter() const override { return m_adapter; }
    bool isPowered() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_powered;
    }
    void setPowered(bool on) override
    {
        if (!m_adapter) {
            if (on)
                emit error(QStringLiteral("NoBluetoothAdapter"));
            return;
        }
        m_mutex.lock();
        m_powered = on;
        m_mutex.unlock();
        emit stateChanged();
    }
    QString connectedDevice() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_central;
    }

    // A central connects (non-empty name) or leaves (empty).
    void setCentral(const QString& name)
    {
        m_mutex.lock();
        m_central = name;
        m_mutex.unlock();
        emit connectedDeviceChanged();
    }

private:
    mutable QMutex m_mutex;
    const bool m_adapter; // fixed at construction: read without the lock
    bool m_powered = false;
    QString m_central;
};
