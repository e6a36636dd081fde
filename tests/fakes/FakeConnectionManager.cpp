#include "fakes/FakeConnectionManager.h"

#include <QMutexLocker>

QMultiMap<QString, QString> FakeConnectionManager::getIpAddressList(bool withIpv6)
{
    QMutexLocker lock(&m_mutex);
    QMultiMap<QString, QString> list;
    if (!m_wiredName.isEmpty()) {
        list.insert(QStringLiteral("ETH:") + m_wiredName, m_wiredAddress);
        if (withIpv6)
            list.insert(QStringLiteral("ETH:") + m_wiredName, QStringLiteral("fe80::1"));
    }
    if (!m_wirelessName.isEmpty())
        list.insert(QStringLiteral("WIFI:") + m_wirelessName, m_wirelessAddress);
    return list;
}

bool FakeConnectionManager::isWiredConnection(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    return !m_wiredName.isEmpty() && name == m_wiredName;
}

bool FakeConnectionManager::setWiredIp(const QString& address)
{
    QMutexLocker lock(&m_mutex);
    m_set << address;
    if (m_result)
        m_wiredAddress = address;
    return m_result;
}

void FakeConnectionManager::setWired(const QString& name, const QString& address)
{
    QMutexLocker lock(&m_mutex);
    m_wiredName = name;
    m_wiredAddress = address;
}

void FakeConnectionManager::setWirelessAddress(const QString& name, const QString& address)
{
    QMutexLocker lock(&m_mutex);
    m_wirelessName = name;
    m_wirelessAddress = address;
}

void FakeConnectionManager::setResult(bool result)
{
    QMutexLocker lock(&m_mutex);
    m_result = result;
}

QStringList FakeConnectionManager::addressesSet() const
{
    QMutexLocker lock(&m_mutex);
    return m_set;
}
