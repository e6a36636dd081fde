#pragma once

#include "remote/UsbEntry.h"

#include <QFileInfo>
#include <QList>
#include <QString>

// Walks the folders of the USB stick and types their entries. It never leaves the
// stick: a path that leads outside it, also through "..", an absolute path or a link,
// opens the stick's root instead.
class UsbBrowser {
public:
    explicit UsbBrowser(const QString& mountPoint);

    // ".." the parent, "." the folder again, empty the root; a relative path is taken
    // from the folder shown.
    void open(const QString& path);

    QString folder() const { return m_folder; }
    // The folder as shown: "USB" followed by its path below the mount point.
    UsbEntry current() const;
    // The parent first (below the root), then folders, then files, by name. Below the
    // root a configuration file is an ordinary file: it can be imported only from the top.
    QList<UsbEntry> entries() const { return m_entries; }
    // Whether the stick's root was there when last opened.
    bool stickPresent() const { return m_present; }

    static UsbEntry::Type typeOf(const QFileInfo& info);

private:
    bool isOnStick(const QString& canonicalPath) const;

    QString m_mountPoint;
    QString m_root; // canonical mount point, empty while it does not exist
    QString m_folder;
    QList<UsbEntry> m_entries;
    bool m_present = false;
};
