#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// File-system helpers.
class FileSystem {
public:
    // True when path is a directory afterwards; false when it exists as
    // something else or cannot be created.
    static bool mkpath(const QString& path);
    // Removes a directory tree ("rm -rf"). Refuses an empty path, "/" and
    // relative paths, which could wipe the wrong tree.
    static bool rmdir(const QString& path);
    // Runs program and waits for it: false when it does not start within 1000 ms,
    // otherwise polls (processing the caller's events) until it ends.
    // True only for a normal exit with code 0.
    static bool runExternalProcess(const QString& program, const QStringList& arguments);
    // Same, keeping what the program writes to its standard output in output.
    static bool runExternalProcess(const QString& program, const QStringList& arguments, QByteArray* output);
    // Flushes all file-system buffers to the media.
    static void sync();
    // Pushes one file's (or folder's) data to its medium.
    static bool syncPath(const QString& path);
    // Like mkpath; each folder it makes is synced into its parent, so its name lasts.
    static bool mkpathDurably(const QString& path);
    // For tests: called with every path syncPath has pushed; an empty function stops it.
    static void setSyncObserver(std::function<void(const QString&)> observer);
    // Copies from into the new file to and pushes it to the medium; false (and no file
    // left at to) when to exists already or the copy is incomplete.
    static bool copyDurably(const QString& from, const QString& to);
    // Moves from over to in one step (both on one file system); false leaves both as they were.
    static bool replaceFile(const QString& from, const QString& to);
};
