#include "fakes/FakeNetworkBackend.h"

#include <QMutexLocker>
#include <QTimer>

void FakeNetworkBackend::scan()
{
    {
        QMutexLocker lock(&m_mutex);
        ++m_scans;
    }
    QTimer::singleShot(0, this, &INetworkBackend::scanFinished);
}

QList<WlanNetwork> FakeNetworkBackend::networks() const
{
    QMutexLocker lock(&m_mutex);
    return m_networks;
}

bool FakeNetworkBackend::connectTo(const QString& name, const QString& password)
{
    Qt::CheckState outcome = Qt::Unchecked;
    {
        QMutexLocker lock(&m_mutex);
        m_connects << name + QLatin1Char('/') + password;
        outcome = m_outcomes.value(name, Qt::Unchecked);
    }
    QTimer::singleShot(0, this, [this, name, outcome]() { emit connectionStateChanged(name, outcome); });
    return true;
}

bool FakeNetworkBackend::setAdHoc(bool on, const QString& ssid)
{
    QMutexLocker lock(&m_mutex);
    m_adHoc << (on ? QStringLiteral("on:") : QStringLiteral("off:")) + ssid;
    return m_acceptsAdHoc;
}

bool FakeNetworkBackend::setWiredIpv4(const QString& address)
{
    QMutexLocker lock(&m_mutex);
    m_wired << address;
    return m_wiredResult;
}

void FakeNetworkBackend::setNetworks(const QList<WlanNetwork>& networks)
{
    QMutexLocker lock(&m_mutex);
    m_networks = networks;
}

void FakeNetworkBackend::setConnectOutcome(const QString& name, Qt::CheckState outcome)
{
    QMutexLocker lock(&m_mutex);
    m_outcomes.insert(name, outcome);
}

void FakeNetworkBackend::setAcceptsAdHoc(bool accepts)
{
    QMutexLocker lock(&m_mutex);
    m_acceptsAdHoc = accepts;
}

void FakeNetworkBackend::setWiredResult(bool result)
{
    QMutexLocker lock(&m_mutex);
    m_wiredResult = result;
}

void FakeNetworkBackend::loseConnection(const QString& name) { emit connectionStateChanged(name, Qt::Unchecked); }

int FakeNetworkBackend::scans() const
{
    QMutexLocker lock(&m_mutex);
    return m_scans;
}

QStringList FakeNetworkBackend::connects() const
{
    QMutexLocker lock(&m_mutex);
    return m_connects;
}

QStringList FakeNetworkBackend::adHocCalls() const
{
    QMutexLocker lock(&m_mutex);
    return m_adHoc;
}

QStringList FakeNetworkBackend::wiredAddresses() const
{
    QMutexLocker lock(&m_mutex);
    return m_wired;
}
