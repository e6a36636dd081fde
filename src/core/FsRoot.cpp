#include "core/FsRoot.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex g_mutex;
bool g_initialised = false;
QString g_root;

QString normalised(const QString& root)
{
    if (root.isEmpty() || root == QLatin1String("/"))
        return QString();
    QString r = QDir::cleanPath(QDir(root).absolutePath());
    return r == QLatin1String("/") ? QString() : r;
}

QString currentRoot()
{
    QMutexLocker lock(&g_mutex);
    if (!g_initialised) {
        g_root = normalised(qEnvironmentVariable("VLF_ROOT"));
        g_initialised = true;
    }
    return g_root;
}
} // namespace

QString FsRoot::path(const QString& absolutePath)
{
    const QString r = currentRoot();
    if (r.isEmpty())
        return absolutePath;
    if (absolutePath.startsWith(QLatin1Char('/')))
        return r + absolutePath;
    return r + QLatin1Char('/') + absolutePath;
}

QString FsRoot::root()
{
    const QString r = currentRoot();
    return r.isEmpty() ? QStringLiteral("/") : r;
}

void FsRoot::setRoot(const QString& root)
{
    QMutexLocker lock(&g_mutex);
    g_root = normalised(root);
    g_initialised = true;
}

bool FsRoot::isRealRoot() { return currentRoot().isEmpty(); }
