#include "core/FileSystem.h"

#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
QMutex g_observerMutex;
std::function<void(const QString&)> g_syncObserver;
} // namespace

bool FileSystem::mkpath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.exists())
        return info.isDir();
    // Callers log a failure in their own words.
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

bool FileSystem::rmdir(const QString& path)
{
    const QString cleaned = QDir::cleanPath(path);
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || cleaned == QLatin1String("/")) {
        KLOG_ERROR2("FileSystem", "rmdir", QStringLiteral("Refusing to remove \"%1\"").arg(path));
        return false;
    }
    return runExternalProcess(QStringLiteral("rm"), {QStringLiteral("-rf"), cleaned});
}

bool FileSystem::runExternalProcess(const QString& program, const QStringList& arguments)
{
    return runExternalProcess(program, arguments, nullptr);
}

bool FileSystem::runExternalProcess(const QString& program, const QStringList& arguments, QByteArray* output)
{
    QProcess process;
    if (!output)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(1000)) {
        KLOG_ERROR2("FileSystem", "runExternalProcess",
                    QStringLiteral("%1 did not start: %2").arg(program, process.errorString()));
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(1000);
        }
        return false;
    }
    while (process.state() != QProcess::NotRunning) {
        process.waitForFinished(50);
        if (output)
            output->append(process.readAllStandardOutput());
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    }
    if (output)
        output->append(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        KLOG_ERROR2("FileSystem", "runExternalProcess",
                    QStringLiteral("%1 %2 failed (status %3, code %4): %5")
                        .arg(program, arguments.join(QLatin1Char(' ')))
                        .arg(process.exitStatus())
                        .arg(process.exitCode())
                        .arg(QString::fromLocal8Bit(process.readAllStandardError().left(512)).trimmed()));
        return false;
    }
    return true;
}

void FileSystem::sync() { ::sync(); }

bool FileSystem::syncPath(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    QMutexLocker lock(&g_observerMutex);
    if (ok && g_syncObserver)
        g_syncObserver(path);
    return ok;
}

void FileSystem::setSyncObserver(std::function<void(const QString&)> observer)
{
    QMutexLocker lock(&g_observerMutex);
    g_syncObserver = std::move(observer);
}

bool FileSystem::mkpathDurably(const QString& path)
{
    QStringList made;
    for (QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath()); !QFileInfo::exists(folder);
         folder = QFileInfo(folder).absolutePath())
        made.prepend(folder);
    if (!mkpath(path))
        return false;
    bool ok = true;
    for (const QString& folder : qAsConst(made))
        ok = syncPath(QFileInfo(folder).absolutePath()) && ok;
    return ok;
}

bool FileSystem::copyDurably(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to))
        return false;
    if (QFile::copy(from, to) && syncPath(to))
        return true;
    QFile::remove(to);
    return false;
}

bool FileSystem::replaceFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}
