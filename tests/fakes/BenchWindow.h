#pragma once

#include "fakes/DataModelFixture.h"
#include "gui/ChartDecorator.h"
#include "gui/GuiViewModel.h"
#include "gui/QmlTypes.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

// The program's main window for hand-run benchmarks: the root view model and the chart
// decorator given to qrc:/Vlf/main.qml. Needs vlf_gui.
class BenchWindow {
public:
    // Before the application object: offscreen, the software renderer and the
    // instrument's on-screen keyboard.
    static void usePlatform()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_QUICK_BACKEND", "software");
        qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
    }

    // The operator's English texts, as on the instrument. Needs vlf_translations.
    static void installEnglish(QTranslator* english)
    {
        Q_INIT_RESOURCE(translations);
        if (english->load(QStringLiteral(":/languages/english.qm")))
            QCoreApplication::installTranslator(english);
    }

    // Runs the event loop until the window has drawn its next frame; false after the time-out.
    static bool waitForFrame(QQuickWindow* window, int timeoutMs = 10000)
    {
        QEventLoop loop;
        QObject::connect(window, &QQuickWindow::frameSwapped, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, [&loop]() { loop.exit(1); });
        window->update();
        return loop.exec() == 0;
    }

    // Loads the window over vm, which outlives this object, and waits for its first
    // frame; false when it did not load.
    bool load(GuiViewModel* vm)
    {
        engine.addImportPath(QStringLiteral(":/"));
        engine.rootContext()->setContextProperty(QStringLiteral("guiViewModel"), vm);
        engine.rootContext()->setContextProperty(QStringLiteral("chartDecorator"), &m_decorator);
        engine.load(QUrl(QStringLiteral("qrc:/Vlf/main.qml")));
        if (engine.rootObjects().isEmpty())
            return false;
        window = qobject_cast<QQuickWindow*>(engine.rootObjects().first());
        if (!window)
            return false;
        waitForFrame(window);
        return true;
    }

private:
    ChartDecorator m_decorator; // outlives the engine's bindings

public:
    QQmlApplicationEngine engine;
    QQuickWindow* window = nullptr;
};

// What a window benchmark's main starts with: the platform, the application, a data
// model, the QML types and the operator's English texts. Needs vlf_translations.
class BenchProgram {
public:
    BenchProgram(int& argc, char** argv) : app(platformFirst(argc), argv)
    {
        registerQmlTypes();
        BenchWindow::installEnglish(&english);
    }

private:
    static int& platformFirst(int& argc)
    {
        BenchWindow::usePlatform();
        return argc;
    }

public:
    QApplication app;
    DataModelFixture fixture;
    QTranslator english;
};
