#include "fakes/TempRoot.h"

#include "core/FsRoot.h"
#include "core/GlobalFuncs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempRoot::TempRoot() { FsRoot::setRoot(m_dir.path()); }

TempRoot::~TempRoot() { FsRoot::setRoot(QString()); }

QString TempRoot::path(const QString& absolutePath) const { return FsRoot::path(absolutePath); }

bool TempRoot::mkdir(const QString& absolutePath) const { return QDir().mkpath(path(absolutePath)); }

bool TempRoot::writeFile(const QString& absolutePath, const QByteArray& content) const
{
    const QString p = path(absolutePath);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

QByteArray TempRoot::readFile(const QString& absolutePath) const
{
    QFile f(path(absolutePath));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QString TempRoot::insertStick() const
{
    const QString contents = path(QStringLiteral("/stick"));
    const QString mountPoint = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
    if (!QDir().mkpath(contents) || !QDir().mkpath(QFileInfo(mountPoint).absolutePath())
        || !QFile::link(contents, mountPoint))
        return QString();
    return contents;
}

bool TempRoot::pullStick() const
{
    const QString mountPoint = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
    return QFileInfo(mountPoint).isSymLink() && QFile::remove(mountPoint);
}
