#pragma once

#include "core/IUsbStick.h"

// The instrument's stick: a file system mounted at the mount point (the mount point's
// device differs from its parent folder's). Below a development root only, a symbolic
// link at the mount point to an existing folder is a stick too, that folder holding its
// contents. A plain folder at the mount point is never a stick, whatever it holds.
class UsbStick : public IUsbStick {
public:
    bool isPresent(const QString& mountPoint) const override;
    bool makeFolder(const QString& path) override;
    bool writeNewFile(const QString& path, const QByteArray& bytes) override;
    bool rename(const QString& from, const QString& to) override;
    bool remove(const QString& path) override;
};
