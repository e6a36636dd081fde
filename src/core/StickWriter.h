#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The one way onto the USB stick for every writer (record export, the record copy at the
// end of a test, standards export, screenshots, log and configuration export). It writes
// only while a stick is in and looks again before each file; it never creates the mount
// point; it writes only to targets whose canonical path lies on the stick's canonical
// mount point (for a target that does not exist yet, that of its deepest existing
// folder), so no link on a stick leads a write into the instrument. A file appears
// under its name only once it is whole; an older file of that name stays until then.
class StickWriter {
public:
    static bool present();
    // The canonical mount point while a stick is in, else an empty text.
    static QString root();
    // True when path leads onto the stick (see above).
    static bool isOnStick(const QString& path);
    // True when path names a place below the mount point, whatever is there.
    static bool isBelowMountPoint(const QString& path);

    // Creates folder and its missing parents on the stick.
    static bool makeFolder(const QString& folder);
    static bool writeFile(const QString& target, const QByteArray& bytes);
    // Refused when target is source itself.
    static bool copyFile(const QString& source, const QString& target);

    // target while it is free, else the first free of "name-1.ext", "name-2.ext", ...
    // A taken name on the stick for which holdsSame is true is returned as it is (that
    // version is there already). Empty when none of the first 999 is free.
    static QString freeName(const QString& target, const std::function<bool(const QString&)>& holdsSame = {});
};
