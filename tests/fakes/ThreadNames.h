#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QThread>

// The names of this process' threads, as the kernel lists them.
inline QStringList threadNames()
{
    QStringList names;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromLocal8Bit(comm.readAll()).trimmed();
    }
    return names;
}

// The threads that were not there before, pooled ones aside. A joined thread may still
// be listed for a moment after QThread::wait() returned (it has yet to leave its start
// routine), so this waits up to graceMs for the list to empty.
inline QStringList threadsLeftSince(const QStringList& before, int graceMs = 3000)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QStringList left = threadNames();
        for (const QString& name : before)
            left.removeOne(name);
        left.removeAll(QStringLiteral("Thread (pooled)"));
        if (left.isEmpty() || clock.elapsed() > graceMs)
            return left;
        QThread::msleep(20);
    }
}
