#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QThread;

// Owns one named worker thread and the object that works on it. The worker is
// moved to the thread at construction; stop() ends the thread's event loop, the
// worker is then destroyed on its own thread (its timers end where they were
// started) and the thread is joined.
class ThreadGuard {
public:
    // worker may be null: the thread then only hosts objects moved to it later.
    // Takes ownership of worker (it must have no parent). dispose, when given, ends the
    // worker on its thread in place of deleting it (a singleton's own release).
    ThreadGuard(const QString& name, QObject* worker, std::function<void()> dispose = {});
    ~ThreadGuard();
    ThreadGuard(const ThreadGuard&) = delete;
    ThreadGuard& operator=(const ThreadGuard&) = delete;

    QThread* thread() const { return m_thread; }
    QString name() const;
    QObject* worker() const { return m_worker; }
    // An object living on the thread, for queued calls that need a context there.
    QObject* context() const { return m_context; }

    // Destroys the worker on its thread and joins the thread; false when the thread
    // did not end within timeoutMs (it is then left to the process exit).
    bool stop(int timeoutMs = 10000);
    bool isRunning() const;

private:
    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr;
    QObject* m_context = nullptr;
};
