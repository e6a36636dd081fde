#include "app/SceneGraphChoice.h"

#include "logging/LoggingCtrl.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace {
// OpenGL implementations that draw with the processor.
const char* const kSoftwareRenderers[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader"};

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

SceneGraphChoice::Choice SceneGraphChoice::apply()
{
    const QByteArray named = qgetenv("QT_QUICK_BACKEND");
    bool haveContext = false;
    const QString renderer = named.isEmpty() ? openGLRenderer(&haveContext) : QString();
    const Choice choice = decide(named, haveContext, renderer);
    if (named.isEmpty() && choice.software)
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    KLOG_INFO2("SceneGraphChoice", "apply", choice.text);
    return choice;
}
