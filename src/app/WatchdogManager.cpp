#include "app/WatchdogManager.h"

#include "core/Platform.h"
#include "app/TWatchdog.h"
#include "app/ThreadGuard.h"

#include <QThread>

WatchdogManager::WatchdogManager() = default;

WatchdogManager::~WatchdogManager() { stop(); }

bool WatchdogManager::start(IWatchdogDevice* device, int periodMs)
{
    if (m_guard)
        return true;
    m_dog = new TWatchdog(device ? device : Platform::watchdog(), periodMs);
    connect(m_dog, &TWatchdog::kicked, this, &WatchdogManager::kicked);
    connect(m_dog, &TWatchdog::heartbeatMissed, this, &WatchdogManager::heartbeatMissed);
    m_guard = std::make_unique<ThreadGuard>(QStringLiteral("WatchdogThread"), m_dog);
    return QMetaObject::invokeMethod(m_dog, &TWatchdog::begin, Qt::BlockingQueuedConnection);
}

void WatchdogManager::stop()
{
    if (!m_guard)
        return;
    QMetaObject::invokeMethod(m_dog, &TWatchdog::finish, Qt::BlockingQueuedConnection);
    m_guard->stop();
    m_guard.reset();
    m_dog = nullptr;
}

bool WatchdogManager::isRunning() const { return m_guard && m_guard->isRunning(); }

void WatchdogManager::attachThread(QObject* context, const QString& name)
{
    if (!m_dog || !context)
        return;
    m_dog->attach(context, name.isEmpty() ? context->thread()->objectName() : name);
}

void WatchdogManager::detachThread(QObject* context)
{
    if (m_dog)
        m_dog->detach(context);
}

QStringList WatchdogManager::guardedThreads() const { return m_dog ? m_dog->guardedThreads() : QStringList(); }

quint64 WatchdogManager::kicks() const { return m_dog ? m_dog->kicks() : 0; }
