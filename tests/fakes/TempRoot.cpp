#include "fakes/TempRoot.h"

#include "core/FsRoot.h"

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
