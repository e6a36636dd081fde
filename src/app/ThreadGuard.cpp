#include "app/ThreadGuard.h"

#include "logging/LoggingCtrl.h"

#include <QThread>

ThreadGuard::ThreadGuard(const QString& name, QObject* worker, std::function<void()> dispose)
    : m_thread(new QThread), m_worker(worker), m_context(new QObject)
{
    m_thread->setObjectName(name);
    m_context->moveToThread(m_thread);
    if (m_worker)
        m_worker->moveToThread(m_thread);
    // The worker ends on its own thread once the event loop has returned, so none of its
    // operations can still be on the stack (a nested wait loop returns at the quit).
    QObject::connect(
        m_thread, &QThread::finished, m_context,
        [worker, dispose = std::move(dispose)]() {
            if (dispose)
                dispose();
            else
                delete worker;
        },
        Qt::DirectConnection);
    m_thread->start();
}

ThreadGuard::~ThreadGuard()
{
    // A thread that would not end is left to the process exit rather than torn down.
    if (stop())
        delete m_thread;
}

QString ThreadGuard::name() const { return m_thread->objectName(); }

bool ThreadGuard::isRunning() const { return m_thread->isRunning(); }

bool ThreadGuard::stop(int timeoutMs)
{
    if (!m_context)
        return true;
    m_worker = nullptr;
    m_thread->quit();
    if (!m_thread->wait(static_cast<unsigned long>(qMax(0, timeoutMs)))) {
        KLOG_ERROR2("ThreadGuard", "stop",
                    QStringLiteral("Thread %1 did not end within %2 ms").arg(name()).arg(timeoutMs));
        return false;
    }
    // No timers and no pending work left: safe to delete now that the thread is gone.
    delete m_context;
    m_context = nullptr;
    return true;
}
