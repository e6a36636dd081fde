#pragma once

#include "core/UsbStick.h"

#include <QMutex>

// The stick layer with the real rule of what a stick is (below a test root: a link at the
// mount point, see TempRoot::insertStick), whose stick can be full (a file write stops
// half-way), read-only (nothing can be created, renamed or removed) or pulled (the link
// removed) once a number of files have been written. Safe from the pool's threads.
class FakeUsbStick : public IUsbStick {
public:
    enum Medium { Writable, Full, ReadOnly };

    void setMedium(Medium medium);
    // -1: never pulled.
    void pullAfterFiles(int files);
    int filesWritten() const;

    bool isPresent(const QString& mountPoint) const override;
    bool makeFolder(const QString& path) override;
    bool writeNewFile(const QString& path, const QByteArray& bytes) override;
    bool rename(const QString& from, const QString& to) override;
    bool remove(const QString& path) override;

private:
    bool writable() const;

    mutable QMutex m_lock;
    UsbStick m_real;
    Medium m_medium = Writable;
    int m_pullAfter = -1;
    int m_files = 0;
};
