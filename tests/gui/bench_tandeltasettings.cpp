// Hand-run: opening the tan delta settings page with 50 imported standards (and then with
// a 30 MB file among them) in the window (software renderer, offscreen): the time from
// the push to the drawn page and the longest time the GUI thread handled no event.
#include "core/GlobalFuncs.h"
#include "fakes/BenchWindow.h"
#include "gui/GuiViewModel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickWindow>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kRounds = 10;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void report(const char* what, QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s min %8.1f  median %8.1f  max %8.1f ms\n", what, ms.first(), ms.at(ms.size() / 2), ms.last());
}

// Pushes the page kRounds times; each push to its drawn frame, and the longest pause
// between two ticks of a 1 ms timer from the push until 100 ms after that frame.
bool measure(const char* what, QQuickWindow* window)
{
    QQmlExpression push(qmlContext(window), window,
                        QStringLiteral("pageStack.push(\"qrc:/Vlf/Pages/Items/TanDeltaSettingsPage.qml\")"));
    QQmlExpression pop(qmlContext(window), window, QStringLiteral("pageStack.pop()"));
    QVector<double> shown;
    QVector<double> gaps;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&]() {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        tick.start();
        clock.start();
        push.evaluate();
        if (!BenchWindow::waitForFrame(window, 60000))
            return false;
        shown << clock.nsecsElapsed() / 1e6;
        QEventLoop settle;
        QTimer::singleShot(100, &settle, &QEventLoop::quit);
        settle.exec();
        tick.stop();
        gaps << longest / 1e6;
        pop.evaluate();
        BenchWindow::waitForFrame(window);
    }
    std::printf("%s\n", what);
    report("  push to drawn page", shown);
    report("  longest GUI-thread gap", gaps);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    BenchProgram program(argc, argv);

    // 50 standards made from the built-in 2013 table (8.7 kB each), as imported.
    Q_INIT_RESOURCE(tanDeltaStandards);
    QFile builtIn(QStringLiteral(":/tanDeltaStandards/1_5Uo.tds"));
    if (!builtIn.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray table = builtIn.readAll();
    const QString folder = GlobalFuncs::getAppDataPath() + QStringLiteral("/tanDelta");
    QDir().mkpath(folder);
    for (int n = 0; n < 50; ++n) {
        const QByteArray name = "Standard " + QByteArray::number(n);
        QByteArray content = table;
        content.replace("\"IEEE 400.2 (1.5 U\xe2\x82\x80)\"", "\"" + name + "\"");
        if (!writeFile(folder + QStringLiteral("/%1.tds").arg(QString::fromLatin1(name)), content))
            return 1;
    }

    GuiViewModel vm; // outlives the engine and its bindings
    BenchWindow bench;
    if (!bench.load(&vm))
        return 1;
    if (!measure("50 standards", bench.window))
        return 1;

    // A 30 MB file among them, as a stick may bring.
    const QByteArray big = "{\"name\": \"Big\", \"comment\": \"" + QByteArray(30 * 1024 * 1024, 'x') + "\", \"items\": []}";
    if (!writeFile(folder + QStringLiteral("/Big.tds"), big))
        return 1;
    if (!measure("50 standards and a 30 MB file", bench.window))
        return 1;
    return 0;
}
