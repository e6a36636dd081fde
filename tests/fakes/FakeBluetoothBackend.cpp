#include "fakes/FakeBluetoothBackend.h"

#include <QMutexLocker>

void FakeBluetoothBackend::start()
{
    QMutexLocker lock(&m_mutex);
    ++m_starts;
}

bool FakeBluetoothBackend::hasAdapter() const
{
    QMutexLocker lock(&m_mutex);
    return m_adapter;
}

bool FakeBluetoothBackend::isPowered() const
{
    QMutexLocker lock(&m_mutex);
    return m_powered;
}

void FakeBluetoothBackend::setPowered(bool on)
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_adapter)
            m_powered = on;
    }
    if (!hasAdapter()) {
        if (on)
            emit error(QStringLiteral("NoBluetoothAdapter"));
        return;
    }
    emit stateChanged();
}

QString FakeBluetoothBackend::connectedDevice() const
{
    QMutexLocker lock(&m_mutex);
    return m_central;
}

void FakeBluetoothBackend::setCentral(const QString& name)
{
    {
        QMutexLocker lock(&m_mutex);
        m_central = name;
    }
    emit connectedDeviceChanged();
}

int FakeBluetoothBackend::starts() const
{
    QMutexLocker lock(&m_mutex);
    return m_starts;
}
