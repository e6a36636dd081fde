#include "core/UsbStick.h"

#include "core/FileSystem.h"
#include "core/FsRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool UsbStick::isPresent(const QString& mountPoint) const
{
    if (mountPoint.isEmpty())
        return false;
    const QString cleaned = QDir::cleanPath(mountPoint);
    struct stat own {};
    if (::lstat(QFile::encodeName(cleaned).constData(), &own) != 0)
        return false;
    if (S_ISLNK(own.st_mode))
        return !FsRoot::isRealRoot() && QFileInfo(cleaned).isDir();
    struct stat parent {};
    const QString up = QFileInfo(cleaned).absolutePath();
    return S_ISDIR(own.st_mode) && ::stat(QFile::encodeName(up).constData(), &parent) == 0
        && parent.st_dev != own.st_dev;
}

bool UsbStick::makeFolder(const QString& path) { return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0; }

bool UsbStick::writeNewFile(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    qint64 written = 0;
    bool ok = true;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        written += ok ? n : 0;
    }
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

bool UsbStick::rename(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    FileSystem::syncPath(QFileInfo(to).absolutePath());
    return true;
}

bool UsbStick::remove(const QString& path) { return ::unlink(QFile::encodeName(path).constData()) == 0; }
