#include "hvunit/W1File.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

bool W1File::open(Mode mode)
{
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case ReadOnly:
        flags |= O_RDONLY;
        break;
    case WriteAttribute:
        flags |= O_WRONLY | O_TRUNC;
        break;
    case WriteInPlace:
        flags |= O_WRONLY;
        break;
    }
    m_fd = ::open(QFile::encodeName(m_path).constData(), flags);
    return m_fd >= 0;
}

bool W1File::seek(qint64 offset)
{
    if (m_fd < 0 || offset < 0)
        return false;
    return ::lseek(m_fd, off_t(offset), SEEK_SET) == off_t(offset);
}

qint64 W1File::read(QByteArray& out, qint64 size)
{
    if (m_fd < 0 || size < 0)
        return -1;
    const int start = out.size();
    out.resize(start + int(size));
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(m_fd, out.data() + start + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            out.resize(start + int(done));
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    out.resize(start + int(done));
    return done;
}

qint64 W1File::write(const QByteArray& data)
{
    if (m_fd < 0)
        return -1;
    ssize_t n;
    do {
        n = ::write(m_fd, data.constData(), size_t(data.size()));
    } while (n < 0 && errno == EINTR);
    return n;
}

void W1File::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
