#include "fakes/FakeUsbStick.h"

#include "core/GlobalFuncs.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

void FakeUsbStick::setMedium(Medium medium)
{
    QMutexLocker lock(&m_lock);
    m_medium = medium;
}

void FakeUsbStick::pullAfterFiles(int files)
{
    QMutexLocker lock(&m_lock);
    m_pullAfter = files;
}

int FakeUsbStick::filesWritten() const
{
    QMutexLocker lock(&m_lock);
    return m_files;
}

bool FakeUsbStick::writable() const
{
    QMutexLocker lock(&m_lock);
    return m_medium != ReadOnly;
}

bool FakeUsbStick::isPresent(const QString& mountPoint) const { return m_real.isPresent(mountPoint); }

bool FakeUsbStick::makeFolder(const QString& path) { return writable() && m_real.makeFolder(path); }

bool FakeUsbStick::writeNewFile(const QString& path, const QByteArray& bytes)
{
    if (!writable())
        return false;
    bool full = false;
    {
        QMutexLocker lock(&m_lock);
        full = m_medium == Full;
    }
    if (full) {
        m_real.writeNewFile(path, bytes.left(bytes.size() / 2));
        return false;
    }
    return m_real.writeNewFile(path, bytes);
}

bool FakeUsbStick::rename(const QString& from, const QString& to)
{
    if (!writable() || !m_real.rename(from, to))
        return false;
    QMutexLocker lock(&m_lock);
    if (++m_files == m_pullAfter) {
        const QString mountPoint = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
        if (QFileInfo(mountPoint).isSymLink())
            QFile::remove(mountPoint);
    }
    return true;
}

bool FakeUsbStick::remove(const QString& path) { return writable() && m_real.remove(path); }
