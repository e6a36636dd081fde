#include "maintenance/TarArchive.h"

#include "core/FileSystem.h"
#include "logging/LoggingCtrl.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {
const char* const kClass = "TarArchive";

// One member per line: the escaped style turns a line break inside a name into "\n".
bool listMembers(const QString& archive, bool verbose, QList<QByteArray>* lines)
{
    QByteArray out;
    const QStringList args{QStringLiteral("--quoting-style=escape"), QString::fromLatin1(verbose ? "-tvf" : "-tf"), archive};
    if (!FileSystem::runExternalProcess(QStringLiteral("tar"), args, &out))
        return false;
    *lines = out.split('\n');
    if (!lines->isEmpty() && lines->last().isEmpty())
        lines->removeLast();
    return true;
}

bool holdsOnlyFilesAndFolders(const QString& folder)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() || (!info.isFile() && !info.isDir()))
            return false;
    }
    return true;
}

void emptyFolder(const QString& folder)
{
    QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& e : entries)
        FileSystem::rmdir(e.absoluteFilePath());
}
} // namespace

bool TarArchive::isSafe(const QString& archive, QString* why)
{
    auto refuse = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!QDir::isAbsolutePath(archive))
        return refuse(QStringLiteral("not an absolute path"));
    QList<QByteArray> names;
    QList<QByteArray> verbose;
    if (!listMembers(archive, false, &names) || !listMembers(archive, true, &verbose))
        return refuse(QStringLiteral("cannot be listed"));
    if (names.size() != verbose.size())
        return refuse(QStringLiteral("listing is ambiguous"));
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray& name = names[i];
        if (name.startsWith('/'))
            return refuse(QStringLiteral("absolute member %1").arg(QString::fromLocal8Bit(name)));
        if (name.split('/').contains(".."))
            return refuse(QStringLiteral("member %1 leaves the folder").arg(QString::fromLocal8Bit(name)));
        // The mode column: regular files and folders only.
        const char kind = verbose[i].isEmpty() ? '?' : verbose[i].at(0);
        if (kind != '-' && kind != 'd')
            return refuse(QStringLiteral("member %1 is not a plain file or folder").arg(QString::fromLocal8Bit(name)));
    }
    return true;
}

bool TarArchive::extract(const QString& archive, const QString& folder)
{
    QString why;
    if (!isSafe(archive, &why)) {
        KLOG_ERROR2(kClass, "extract", QStringLiteral("Refusing %1: %2").arg(archive, why));
        return false;
    }
    const QDir dir(folder);
    if (!dir.exists() || !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        KLOG_ERROR2(kClass, "extract", QStringLiteral("%1 is not an empty folder").arg(folder));
        return false;
    }
    const bool ok = FileSystem::runExternalProcess(
        QStringLiteral("tar"), {QStringLiteral("--no-same-owner"), QStringLiteral("--no-same-permissions"),
                                QStringLiteral("-xf"), archive, QStringLiteral("-C"), dir.absolutePath()});
    // The archive may have changed on the stick since it was listed.
    if (ok && holdsOnlyFilesAndFolders(folder))
        return true;
    KLOG_ERROR2(kClass, "extract", QStringLiteral("Cannot extract %1").arg(archive));
    emptyFolder(folder);
    return false;
}
