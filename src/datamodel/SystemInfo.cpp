#include "datamodel/SystemInfo.h"

#include "datamodel/HVUnitModel.h"
#include "core/FsRoot.h"
#include "core/InvalidVersion.h"

#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QStringList>

namespace {
const char* const kAppVersion = "4.2.0";
}

SystemInfo::SystemInfo(const HVUnitModel* hv) : m_hv(hv) {}

QString SystemInfo::firstLineOf(const QString& systemPath)
{
    QFile f(FsRoot::path(systemPath));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readLine(256)).trimmed();
}

QString SystemInfo::bootEnv(const QString& variable)
{
    // Values of the boot loader's environment; the tool is missing off the target.
    QProcess p;
    p.start(QStringLiteral("fw_printenv"), {QStringLiteral("-n"), variable});
    if (!p.waitForStarted(1000) || !p.waitForFinished(2000)) {
        p.kill();
        p.waitForFinished(500);
        return QString();
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

static QString orInvalid(const QString& v)
{
    return v.isEmpty() ? QString::fromLatin1(INVALID_VERSION) : v;
}

QString SystemInfo::getBootloaderVersion() const
{
    return orInvalid(bootEnv(QStringLiteral("bootloader")));
}

QString SystemInfo::getKernelVersion() const
{
    // "Linux version 5.10.72 (...)": the third word.
    const QStringList words = firstLineOf(QStringLiteral("/proc/version")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return orInvalid(words.size() >= 3 ? words.at(2) : QString());
}

QString SystemInfo::getFilesystemVersion() const
{
    return orInvalid(firstLineOf(QStringLiteral("/etc/version")));
}

QString SystemInfo::getApplicationVersion(bool verbose) const
{
    const QString v = QString::fromLatin1(kAppVersion);
    if (!verbose)
        return v;
    return QStringLiteral("%1 (%2 %3)").arg(v, QStringLiteral(__DATE__), QStringLiteral(__TIME__));
}

QString SystemInfo::getAppdataVersion() const
{
    return orInvalid(firstLineOf(QStringLiteral("/home/root/mappedPaths/appdata/version")));
}

QString SystemInfo::getFontsVersion() const
{
    return orInvalid(firstLineOf(QStringLiteral("/usr/share/fonts/ttf/version")));
}

QString SystemInfo::getHVCVersion() const
{
    if (!m_hv)
        return QString::fromLatin1(INVALID_VERSION);
    const stIdentification id = m_hv->identification();
    if (!id.valid)
        return QString::fromLatin1(INVALID_VERSION);
    return QStringLiteral("%1.%2").arg(id.firmwareMajor).arg(id.firmwareMinor);
}

QString SystemInfo::getHwVersion() const
{
    return orInvalid(firstLineOf(QStringLiteral("/etc/hwrevision")));
}

QString SystemInfo::getHvSourceVersion() const
{
    const quint64 v = m_hv ? m_hv->param(eHVUnitParamType_HvSourceVersion) : HVUnitParamUnknown;
    if (v == HVUnitParamUnknown)
        return QString::fromLatin1(INVALID_VERSION);
    return QStringLiteral("%1.%2").arg((v >> 16) & 0xFFFF).arg(v & 0xFFFF);
}

quint8 SystemInfo::getPevantoType() const
{
    if (!m_hv)
        return 0;
    return static_cast<quint8>(m_hv->identification().maxVoltageRMS / 1000000);
}

QString SystemInfo::getVersion(int index, bool verbose) const
{
    switch (index) {
    case Bootloader:
        return getBootloaderVersion();
    case Kernel:
        return getKernelVersion();
    case Rootfs:
        return getFilesystemVersion();
    case Application:
        return getApplicationVersion(verbose);
    case Appdata:
        return getAppdataVersion();
    case Fonts:
        return getFontsVersion();
    case HVController:
        return getHVCVersion();
    default:
        return QString::fromLatin1(INVALID_VERSION);
    }
}

int SystemInfo::getDiskUsage(const QString& path)
{
    const QStorageInfo info(path);
    if (path.isEmpty() || !info.isValid() || !info.isReady() || info.isReadOnly() || info.bytesTotal() <= 0)
        return 100;
    return int(100 - (info.bytesFree() * 100) / info.bytesTotal());
}

qint64 SystemInfo::freeMeasurements(qint64 availableBytes, unsigned long long recordSize)
{
    if (availableBytes <= 0 || recordSize == 0)
        return 10;
    const qint64 records = qint64(quint64(availableBytes) / recordSize) - 20;
    const qint64 rounded = records > 0 ? (records / 100) * 100 : 0;
    return qMax<qint64>(rounded, 10);
}

qint64 SystemInfo::getFreeMeasurements(const QString& path, unsigned long long recordSize)
{
    const QStorageInfo info(path);
    if (path.isEmpty() || !info.isValid() || !info.isReady() || info.isReadOnly())
        return 0;
    return freeMeasurements(info.bytesAvailable(), recordSize);
}
