#include "fakes/FakeWatchdogDevice.h"

bool FakeWatchdogDevice::open()
{
    QMutexLocker lock(&m_mutex);
    m_calls << QStringLiteral("open");
    m_open = m_openResult;
    return m_open;
}

bool FakeWatchdogDevice::isOpen() const
{
    QMutexLocker lock(&m_mutex);
    return m_open;
}

bool FakeWatchdogDevice::kick()
{
    QMutexLocker lock(&m_mutex);
    m_calls << QStringLiteral("kick");
    return m_open;
}

void FakeWatchdogDevice::close()
{
    QMutexLocker lock(&m_mutex);
    m_calls << QStringLiteral("close");
    m_open = false;
}

QStringList FakeWatchdogDevice::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

int FakeWatchdogDevice::kicks() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls.count(QStringLiteral("kick"));
}

void FakeWatchdogDevice::setOpenResult(bool ok)
{
    QMutexLocker lock(&m_mutex);
    m_openResult = ok;
}
