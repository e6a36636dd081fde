#include "fakes/QmlWarnings.h"

#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex g_mutex;
QStringList g_warnings;
QtMessageHandler g_previous = nullptr;

bool isQmlWarning(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtWarningMsg && type != QtCriticalMsg)
        return false;
    const QLatin1String category(context.category ? context.category : "");
    return category.startsWith(QLatin1String("qml")) || category.startsWith(QLatin1String("js"))
        || text.contains(QLatin1String(".qml:")) || text.contains(QLatin1String(".js:"));
}

void handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (isQmlWarning(type, context, text)) {
        QMutexLocker lock(&g_mutex);
        g_warnings << text;
    }
    if (g_previous)
        g_previous(type, context, text);
}
} // namespace

QmlWarnings* QmlWarnings::install()
{
    static QmlWarnings* const instance = new QmlWarnings();
    // Qt Test puts its own handler in place when it starts a test run; ours goes back in
    // front of it (and of any other), without chaining to itself.
    const QtMessageHandler current = qInstallMessageHandler(handler);
    if (current != handler)
        g_previous = current;
    return instance;
}

void QmlWarnings::record(const QString& text)
{
    QMutexLocker lock(&g_mutex);
    g_warnings << text;
}

QStringList QmlWarnings::take()
{
    QMutexLocker lock(&g_mutex);
    QStringList out;
    out.swap(g_warnings);
    return out;
}

int QmlWarnings::count() const
{
    QMutexLocker lock(&g_mutex);
    return g_warnings.size();
}
