#include "ThreadGuard.h"

#include "LoggingCtrl.h"

#include <QThread>

ThreadGuard::ThreadGuard(const QString& name, QObject* worker, std::function<void()> dispose)
    : m_thread(new QThread), m_worker(worker), m_context(new QObject), m_dispose(std::move(dispose))
{
    m_thread->setObjectName(name);
    m_context->moveToThread(m_thread);
    if (m_worker)
        m_worker->moveToThread(m_thread);
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
    if (m_thread->isRunning()) {
        if (!m_quitPosted) {
            // The worker goes first, on its own thread; the thread ends right after.
            QObject* worker = m_worker;
            QThread* thread = m_thread;
            std::function<void()> dispose = std::move(m_dispose);
            m_worker = nullptr;
            m_dispose = nullptr;
            m_quitPosted = true;
            QMetaObject::invokeMethod(
                m_context,
                [worker, thread, dispose]() {
                    if (dispose)
                        dispose();
                    else
                        delete worker;
                    thread->quit();
                },
                Qt::QueuedConnection);
        }
        if (!m_thread->wait(static_cast<unsigned long>(qMax(0, timeoutMs)))) {
            KLOG_ERROR2("ThreadGuard", "stop",
                        QStringLiteral("Thread %1 did not end within %2 ms").arg(name()).arg(timeoutMs));
            return false;
        }
    } else {
        if (m_dispose)
            m_dispose();
        else
            delete m_worker;
        m_worker = nullptr;
        m_dispose = nullptr;
    }
    // No timers and no pending work left: safe to delete now that the thread is gone.
    delete m_context;
    m_context = nullptr;
    return true;
}
