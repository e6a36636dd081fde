#pragma once

#include "core/GlobalFuncs.h"
#include "core/UsbStick.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>

// The stick layer with the real rule of what a stick is (below a test root: a link at the
// mount point, see TempRoot::insertStick), whose stick can be full (a file write stops
// half-way), read-only (nothing is created, renamed or removed) or pulled (the link
// removed) once some files have been written. Safe from the pool's threads.
class FakeUsbStick : public IUsbStick {
public:
    enum Medium { Writable, Full, ReadOnly };
    std::atomic<int> medium{Writable};
    std::atomic<int> pullAfterFiles{-1}; // -1: never pulled
    std::atomic<int> filesWritten{0};

    bool isPresent(const QString& mountPoint) const override { return m_real.isPresent(mountPoint); }
    bool makeFolder(const QString& path) override { return medium != ReadOnly && m_real.makeFolder(path); }
    bool writeNewFile(const QString& path, const QByteArray& bytes) override
    {
        if (medium == Full)
            m_real.writeNewFile(path, bytes.left(bytes.size() / 2));
        return medium == Writable && m_real.writeNewFile(path, bytes);
    }
    bool rename(const QString& from, const QString& to) override
    {
        if (medium == ReadOnly || !m_real.rename(from, to))
            return false;
        const QString mountPoint = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
        if (++filesWritten == pullAfterFiles && QFileInfo(mountPoint).isSymLink())
            QFile::remove(mountPoint);
        return true;
    }
    bool remove(const QString& path) override { return medium != ReadOnly && m_real.remove(path); }

private:
    UsbStick m_real;
};
