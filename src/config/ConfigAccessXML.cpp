#include "config/ConfigAccessXML.h"

#include "config/ConfigShape.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
const char* const kClass = "ConfigAccessXML";

QString resolveAppName(const QString& appName)
{
    return appName.isEmpty() ? QCoreApplication::applicationName().toUpper() : appName;
}

// Reads and checks one candidate file, its bytes kept; false with the reason when it cannot be used.
bool readCandidate(const QString& path, QDomDocument& doc, QString& why, QByteArray* kept = nullptr)
{
    QFile f(path);
    if (!f.exists()) {
        why = QStringLiteral("missing");
        return false;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        why = f.errorString();
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (kept)
        *kept = bytes;
    why = ConfigShape::check(bytes);
    if (!why.isEmpty())
        return false;
    QString error;
    int line = 0;
    int column = 0;
    if (!doc.setContent(bytes, &error, &line, &column)) {
        why = QStringLiteral("%1 (line %2, column %3)").arg(error).arg(line).arg(column);
        return false;
    }
    return ConfigTree::isValidDocument(doc, &why);
}

void syncDirectory(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

ConfigAccessXML::ConfigAccessXML(const QString& configDirectory, const QString& appName)
    : ConfigTree(resolveAppName(appName)), m_directory(configDirectory), m_appName(resolveAppName(appName))
{
}

ConfigAccessXML::~ConfigAccessXML() = default;

QString ConfigAccessXML::filePath() const
{
    return m_directory + QLatin1Char('/') + m_appName + QStringLiteral(".cfg.xml");
}

QString ConfigAccessXML::backupFilePath() const { return filePath() + QStringLiteral(".bak"); }

QString ConfigAccessXML::newFilePath() const { return filePath() + QStringLiteral(".new"); }

QString ConfigAccessXML::loadedFrom() const
{
    QMutexLocker lock(&m_fileMutex);
    return m_loadedFrom;
}

int ConfigAccessXML::initialize()
{
    QMutexLocker lock(&m_fileMutex);
    const QStringList candidates = {filePath(), backupFilePath(), newFilePath()};
    QStringList unusable;
    m_keptAside.clear();
    for (const QString& path : candidates) {
        QDomDocument doc;
        QString why;
        QByteArray bytes;
        if (!readCandidate(path, doc, why, &bytes)) {
            if (why != QLatin1String("missing")) {
                unusable << path;
                KLOG_ERROR2(kClass, "initialize", QStringLiteral("Unusable configuration file %1: %2").arg(path, why));
            }
            continue;
        }
        replaceDocument(doc);
        m_loadedFrom = path;
        m_fileKnownGood = path == filePath();
        if (!m_fileKnownGood) {
            KLOG_WARN2(kClass, "initialize", QStringLiteral("Configuration restored from %1").arg(path));
            // Read at every start, a broken file (megabytes of it, perhaps) goes at once.
            if (unusable.contains(filePath()) && writeNewFile(bytes) && replaceFile(newFilePath(), filePath())) {
                syncDirectory(m_directory);
                m_fileKnownGood = true;
            }
        }
        return 1;
    }
    m_loadedFrom.clear();
    m_fileKnownGood = false;
    if (unusable.isEmpty()) {
        KLOG_INFO2(kClass, "initialize", QStringLiteral("No configuration file in %1 yet").arg(m_directory));
        return 0;
    }
    // The defaults are used; the files are kept for the service staff, not overwritten.
    for (const QString& path : {filePath(), backupFilePath()}) {
        if (unusable.contains(path) && replaceFile(path, path + QStringLiteral(".refused")))
            m_keptAside << path + QStringLiteral(".refused");
    }
    syncDirectory(m_directory);
    KLOG_ERROR2(kClass, "initialize",
                QStringLiteral("No usable configuration file in %1; defaults are used, kept aside: %2")
                    .arg(m_directory, m_keptAside.join(QStringLiteral(", "))));
    return 0;
}

QStringList ConfigAccessXML::keptAside() const
{
    QMutexLocker lock(&m_fileMutex);
    return m_keptAside;
}

bool ConfigAccessXML::writeNewFile(const QByteArray& content)
{
    QFile f(newFilePath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        KLOG_ERROR2(kClass, "save", QStringLiteral("Cannot write %1: %2").arg(f.fileName(), f.errorString()));
        return false;
    }
    const bool written = f.write(content) == content.size() && f.flush() && ::fsync(f.handle()) == 0;
    if (!written)
        KLOG_ERROR2(kClass, "save", QStringLiteral("Writing %1 failed: %2").arg(f.fileName(), f.errorString()));
    f.close();
    if (!written || f.error() != QFileDevice::NoError) {
        QFile::remove(newFilePath());
        return false;
    }
    return true;
}

void ConfigAccessXML::refreshBackup()
{
    // Only a good file may replace the backup. A file this store has not read (no
    // initialize() yet) is checked first, so that it is kept rather than lost.
    if (!QFile::exists(filePath()))
        return;
    if (!m_fileKnownGood) {
        QDomDocument doc;
        QString why;
        if (!readCandidate(filePath(), doc, why))
            return;
    }
    const QByteArray from = QFile::encodeName(filePath());
    const QByteArray to = QFile::encodeName(backupFilePath());
    ::unlink(to.constData());
    if (::link(from.constData(), to.constData()) == 0)
        return;
    // File systems without hard links: a copy does as well.
    if (!QFile::copy(filePath(), backupFilePath()))
        KLOG_WARN2(kClass, "save", QStringLiteral("Cannot keep a backup in %1").arg(backupFilePath()));
}

int ConfigAccessXML::save()
{
    QMutexLocker lock(&m_fileMutex);
    if (!QDir().mkpath(m_directory)) {
        KLOG_ERROR2(kClass, "save", QStringLiteral("Cannot create %1").arg(m_directory));
        return CFG_IO_ERROR;
    }
    if (!writeNewFile(toXml()))
        return CFG_IO_ERROR;
    refreshBackup();
    if (!replaceFile(newFilePath(), filePath())) {
        KLOG_ERROR2(kClass, "save", QStringLiteral("Cannot replace %1").arg(filePath()));
        QFile::remove(newFilePath());
        return CFG_IO_ERROR;
    }
    syncDirectory(m_directory);
    m_fileKnownGood = true;
    return CFG_OK;
}

bool ConfigAccessXML::replaceFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}
