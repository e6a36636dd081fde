#pragma once

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QString>

// The record files of the history that could not be read, each with the size and time of
// change it had then: an unchanged one is not read again at the next listing, and its
// fault is told once. Safe to use from any thread.
class UnreadableRecords {
public:
    // True while the file is known as unreadable and has not changed since.
    bool contains(const QFileInfo& file) const;
    // Notes the file as unreadable; true the first time for this version of it.
    bool add(const QFileInfo& file);

private:
    struct Version {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Version& other) const { return size == other.size && modified == other.modified; }
    };
    static Version versionOf(const QFileInfo& file);

    mutable QMutex m_lock;
    QHash<QString, Version> m_files;
};
