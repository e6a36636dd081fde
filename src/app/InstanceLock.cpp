#include "app/InstanceLock.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

InstanceLock::Outcome InstanceLock::take(const QString& path)
{
    if (m_fd >= 0)
        return Taken;
    const QByteArray name = QFile::encodeName(path);
    // Not inherited by the processes the program starts: one outliving it would hold the lock.
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_why = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return Failed;
    }
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            // The holder wrote its process id there.
            char holder[24] = {};
            const ssize_t n = ::pread(fd, holder, sizeof holder - 1, 0);
            const QString pid = n > 0 ? QString::fromLatin1(holder, int(n)).trimmed() : QStringLiteral("?");
            m_why = QStringLiteral("Another program (process %1) drives the HV unit: %2 is locked").arg(pid, path);
        } else {
            m_why = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
        }
        ::close(fd);
        return error == EWOULDBLOCK ? HeldElsewhere : Failed;
    }
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) != pid.size())
        m_why = QStringLiteral("%1: the process id could not be written").arg(path);
    m_fd = fd;
    return Taken;
}
