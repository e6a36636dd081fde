#include "db/DbNameFollower.h"

#include "core/FileSystem.h"
#include "logging/LoggingCtrl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kClass = "DB";
// What SQLite keeps beside a database while a transaction is open.
const char* const kSideSuffixes[] = {"-journal", "-wal", "-shm"};

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

bool entryExists(const QString& path)
{
    struct stat st {};
    return ::lstat(encoded(path).constData(), &st) == 0;
}

bool isPlainFile(const QString& path)
{
    struct stat st {};
    return ::lstat(encoded(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString sideFileOf(const QString& path)
{
    for (const char* suffix : kSideSuffixes) {
        if (entryExists(path + QLatin1String(suffix)))
            return path + QLatin1String(suffix);
    }
    return QString();
}

QString notePath(const QString& folder) { return QDir(folder).absoluteFilePath(QLatin1String(DbNameFollower::kNoteFile)); }

// The noted name, exactly as written, when it names a database file in the folder itself:
// a name once taken with blanks or dots around it still finds its file.
QString notedName(const QString& folder)
{
    QFile note(notePath(folder));
    if (!note.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = note.read(NAME_MAX + 2);
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    const QString name = QString::fromUtf8(bytes);
    if (bytes.size() > NAME_MAX || name.contains(QLatin1Char('/')) || !name.endsWith(QLatin1String(".sqlite3")))
        return QString();
    return name;
}
} // namespace

QString DbNameFollower::settle(const QString& folder, const QString& wantedName)
{
    const QDir dir(folder);
    const QString wanted = dir.absoluteFilePath(wantedName);
    const QString lastName = notedName(folder);
    if (lastName.isEmpty() || lastName == wantedName)
        return wanted;
    const QString last = dir.absoluteFilePath(lastName);
    if (!isPlainFile(last))
        return wanted;
    if (entryExists(wanted)) {
        KLOG_WARN2(kClass, "initialize",
                   QStringLiteral("%1 exists already: the database stays %2").arg(wantedName, lastName));
        return last;
    }
    // A journal belongs to its file's name: the file is opened where it is (which rolls an
    // unfinished transaction back) and moves at a later start.
    QString side = sideFileOf(last);
    if (side.isEmpty())
        side = sideFileOf(wanted);
    if (!side.isEmpty()) {
        KLOG_WARN2(kClass, "initialize",
                   QStringLiteral("%1 is there: the database stays %2 for now").arg(side, lastName));
        return last;
    }
    if (::renameat2(AT_FDCWD, encoded(last).constData(), AT_FDCWD, encoded(wanted).constData(), RENAME_NOREPLACE) != 0) {
        KLOG_ERROR2(kClass, "initialize",
                    QStringLiteral("Cannot rename the database %1 to %2: %3")
                        .arg(lastName, wantedName, QString::fromLocal8Bit(std::strerror(errno))));
        return last;
    }
    FileSystem::syncPath(dir.absolutePath());
    KLOG_INFO2(kClass, "initialize",
               QStringLiteral("The system name changed: database %1 renamed to %2").arg(lastName, wantedName));
    return wanted;
}

bool DbNameFollower::remember(const QString& path)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (notedName(folder) == info.fileName())
        return true;
    // Written beside the note and moved over it: a cut leaves the old note or the new one.
    const QString note = notePath(folder);
    const QString incoming = note + QStringLiteral(".new");
    const QByteArray bytes = info.fileName().toUtf8() + '\n';
    QFile file(incoming);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
              file.flush() && ::fsync(file.handle()) == 0;
    file.close();
    ok = ok && file.error() == QFileDevice::NoError && FileSystem::replaceFile(incoming, note) &&
         FileSystem::syncPath(folder);
    if (!ok) {
        QFile::remove(incoming);
        KLOG_ERROR2(kClass, "initialize", QStringLiteral("Cannot note %1 in %2").arg(info.fileName(), note));
    }
    return ok;
}
