#pragma once

#include <QString>

// Keeps a second program from driving the same HV unit: an exclusive flock on a file in
// the application-data folder. The kernel drops the lock with the process (a crash, a
// kill, a power cut), so the file being there never keeps a later start out.
class InstanceLock {
public:
    enum Outcome { Taken, HeldElsewhere, Failed };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Outcome take(const QString& path);
    // Why the last take did not succeed, for the log.
    QString why() const { return m_why; }

private:
    int m_fd = -1;
    QString m_why;
};
