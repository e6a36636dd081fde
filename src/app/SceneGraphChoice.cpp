#include "app/SceneGraphChoice.h"

#include "logging/LoggingCtrl.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// OpenGL implementations that draw with the processor.
const char* const kSoftwareRenderers[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader"};

// Longer than a driver takes to load on the board; a child that hangs means software.
constexpr int kProbeTimeoutMs = 5000;

// What the child process found; set by probe() before any thread runs, read by apply().
struct Probed {
    bool done = false;
    bool haveContext = false;
    QString renderer;
};
Probed g_probed;

QString openGLRenderer(bool* haveContext)
{
    QOpenGLContext context;
    *haveContext = context.create();
    if (!*haveContext)
        return QString();
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) {
        *haveContext = false;
        return QString();
    }
    const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    const QString renderer = QString::fromLatin1(name ? name : "");
    context.doneCurrent();
    return renderer;
}
} // namespace

bool SceneGraphChoice::isSoftwareRasterizer(const QString& renderer)
{
    for (const char* name : kSoftwareRenderers)
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    return false;
}

SceneGraphChoice::Choice SceneGraphChoice::decide(const QByteArray& namedBackend, bool haveContext,
                                                  const QString& renderer)
{
    if (!namedBackend.isEmpty())
        return {namedBackend == "software",
                QStringLiteral("Scene graph: %1, as QT_QUICK_BACKEND names it").arg(QString::fromLatin1(namedBackend))};
    if (!haveContext)
        return {true, QStringLiteral("Scene graph: software, no OpenGL context can be made")};
    if (isSoftwareRasterizer(renderer))
        return {true, QStringLiteral("Scene graph: software, OpenGL would be drawn by the software rasterizer %1")
                          .arg(renderer)};
    return {false, QStringLiteral("Scene graph: OpenGL on %1").arg(renderer)};
}

void SceneGraphChoice::probe(int argc, char** argv)
{
    if (!qgetenv("QT_QUICK_BACKEND").isEmpty())
        return;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        // The child only makes the context: no input method, no atexit work of the parent.
        qunsetenv("QT_IM_MODULE");
        QGuiApplication app(argc, argv);
        bool haveContext = false;
        const QString renderer = openGLRenderer(&haveContext);
        const QByteArray sent = QByteArray(1, haveContext ? '1' : '0') + renderer.toUtf8();
        const ssize_t written = ::write(pipeFds[1], sent.constData(), size_t(sent.size()));
        ::_exit(written == sent.size() ? 0 : 1);
    }
    ::close(pipeFds[1]);
    if (child < 0) {
        ::close(pipeFds[0]);
        return;
    }
    // No answer in time, or a child that died in the driver: no usable context.
    QByteArray answer;
    pollfd in{pipeFds[0], POLLIN, 0};
    char buffer[512];
    while (::poll(&in, 1, kProbeTimeoutMs) > 0) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        answer.append(buffer, int(n));
    }
    ::close(pipeFds[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    g_probed.done = true;
    g_probed.haveContext = answer.startsWith('1');
    g_probed.renderer = QString::fromUtf8(answer.mid(1));
}

SceneGraphChoice::Choice SceneGraphChoice::apply()
{
    const QByteArray named = qgetenv("QT_QUICK_BACKEND");
    bool haveContext = g_probed.haveContext;
    QString renderer = g_probed.renderer;
    // Without an earlier probe (the program built inside a test) the context is made here.
    if (named.isEmpty() && !g_probed.done)
        renderer = openGLRenderer(&haveContext);
    const Choice choice = decide(named, haveContext, renderer);
    if (named.isEmpty() && choice.software)
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    KLOG_INFO2("SceneGraphChoice", "apply", choice.text);
    return choice;
}
