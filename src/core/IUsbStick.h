#pragma once

#include <QByteArray>
#include <QString>

// The USB stick as the program reaches it: whether one is in at the mount point, and the
// few file operations that write to it. Writers never call these directly: every write
// goes through StickWriter, which checks the stick and the target first.
class IUsbStick {
public:
    virtual ~IUsbStick() = default;
    // True when a stick is in at mountPoint.
    virtual bool isPresent(const QString& mountPoint) const = 0;
    // Creates the one folder path; its parent exists.
    virtual bool makeFolder(const QString& path) = 0;
    // Creates the new file path (an existing entry or link there is refused), writes bytes
    // into it and pushes them to the medium. A failure may leave part of the file.
    virtual bool writeNewFile(const QString& path, const QByteArray& bytes) = 0;
    // Renames from to to in one step, replacing to, and pushes the folder to the medium.
    virtual bool rename(const QString& from, const QString& to) = 0;
    // Removes the entry path (a link itself, never what it points to).
    virtual bool remove(const QString& path) = 0;
};
