#include "core/StickWriter.h"

#include "core/GlobalFuncs.h"
#include "core/IUsbStick.h"
#include "core/Platform.h"
#include "logging/LoggingCtrl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const char* const kClass = "StickWriter";
constexpr int kMaxNumber = 999;

// An entry is there when it exists or is a link, even one that leads nowhere.
bool taken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString mountPoint() { return GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint); }

bool refuse(const char* function, const QString& what, const QString& path)
{
    KLOG_WARN2(kClass, function, what.arg(path));
    return false;
}

// A new file on the stick, whole or not at all.
bool writeWhole(const QString& target, const QByteArray& bytes)
{
    IUsbStick* stick = Platform::usbStick();
    const QString part = target + QStringLiteral(".part");
    if (taken(part) && !stick->remove(part))
        return refuse("writeFile", QStringLiteral("Cannot clear %1"), part);
    if (stick->writeNewFile(part, bytes) && StickWriter::present() && stick->rename(part, target))
        return true;
    if (taken(part))
        stick->remove(part);
    return refuse("writeFile", QStringLiteral("Cannot write %1"), target);
}
} // namespace

bool StickWriter::present() { return GlobalFuncs::isUsbStickPresent(); }

QString StickWriter::root() { return present() ? QFileInfo(mountPoint()).canonicalFilePath() : QString(); }

bool StickWriter::isBelowMountPoint(const QString& path)
{
    const QString mount = QDir::cleanPath(mountPoint());
    const QString cleaned = QDir::cleanPath(QDir(path).absolutePath());
    return cleaned == mount || cleaned.startsWith(mount + QLatin1Char('/'));
}

bool StickWriter::isOnStick(const QString& path)
{
    const QString top = root();
    // ".." would be undone on the text here but taken through a link by the system.
    if (top.isEmpty() || path.isEmpty() || QDir::fromNativeSeparators(path).split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return false;
    QString probe = QDir(path).absolutePath();
    while (!taken(probe)) {
        const QString up = QFileInfo(probe).absolutePath();
        if (up == probe)
            return false;
        probe = up;
    }
    const QString canonical = QFileInfo(probe).canonicalFilePath();
    return !canonical.isEmpty() && (canonical == top || canonical.startsWith(top + QLatin1Char('/')));
}

bool StickWriter::makeFolder(const QString& folder)
{
    if (!present())
        return refuse("makeFolder", QStringLiteral("No USB stick for %1"), folder);
    if (!isOnStick(folder))
        return refuse("makeFolder", QStringLiteral("Refused %1: it leads off the stick"), folder);
    QStringList missing;
    for (QString probe = QDir::cleanPath(QDir(folder).absolutePath()); !taken(probe);
         probe = QFileInfo(probe).absolutePath())
        missing.prepend(probe);
    for (const QString& level : qAsConst(missing)) {
        // Each level again: the stick may have gone meanwhile.
        if (!isOnStick(level) || !Platform::usbStick()->makeFolder(level))
            return refuse("makeFolder", QStringLiteral("Cannot create %1"), level);
    }
    return QFileInfo(folder).isDir();
}

bool StickWriter::writeFile(const QString& target, const QByteArray& bytes)
{
    if (!present())
        return refuse("writeFile", QStringLiteral("No USB stick for %1"), target);
    if (!isOnStick(target) || QFileInfo(target).isDir())
        return refuse("writeFile", QStringLiteral("Refused %1: it leads off the stick or is a folder"), target);
    return writeWhole(target, bytes);
}

bool StickWriter::copyFile(const QString& source, const QString& target)
{
    const QString from = QFileInfo(source).canonicalFilePath();
    if (!from.isEmpty() && QFileInfo(target).canonicalFilePath() == from)
        return refuse("copyFile", QStringLiteral("Refused to copy onto its own source: %1"), target);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return refuse("copyFile", QStringLiteral("Cannot read %1"), source);
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return refuse("copyFile", QStringLiteral("Cannot read %1"), source);
    return writeFile(target, bytes);
}

QString StickWriter::freeName(const QString& target, const std::function<bool(const QString&)>& holdsSame)
{
    const QFileInfo info(target);
    const QString name = info.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 0; n <= kMaxNumber; ++n) {
        const QString candidate =
            n == 0 ? target : info.path() + QLatin1Char('/') + stem + QLatin1Char('-') + QString::number(n) + extension;
        if (!taken(candidate))
            return candidate;
        if (holdsSame && isOnStick(candidate) && holdsSame(candidate))
            return candidate;
    }
    return QString();
}
