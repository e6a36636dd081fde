// Hand-run: the whole program against the simulated unit opens the USB browser on a stick
// holding 30,000 files at its top, as the tan delta import, the update and the
// configuration update do (each with its filter) and as the connection page does (no
// filter): the time from the push to the drawn list, the longest stall of the GUI thread,
// the most GUI-thread work in one turn (min / median / max) and the watchdog's missed
// heartbeats. The list counts as drawn once the folder read after the push is shown.
#include "core/GlobalFuncs.h"
#include "fakes/BenchWindow.h"
#include "fakes/ProgramBench.h"
#include "fakes/StallMeter.h"
#include "gui/Connections.h"
#include "remote/ConnectionManager.h"

#include <QElapsedTimer>
#include <QFile>
#include <QQmlContext>
#include <QQmlExpression>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kRounds = 5;
constexpr int kFiles = 30000;

bool fillStick(const QString& stick)
{
    // Photos, a few criteria files, updates and configurations, and some folders.
    for (int n = 0; n < kFiles; ++n) {
        const QString name = n < 10    ? QStringLiteral("criteria%1.tds").arg(n)
                             : n < 20  ? QStringLiteral("kernel-1.%1.ldr").arg(n)
                             : n < 25  ? QStringLiteral("site%1.cfg.xml").arg(n)
                                       : QStringLiteral("IMG_%1.JPG").arg(n, 5, 10, QLatin1Char('0'));
        QFile f(stick + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    for (const char* folder : {"DCIM", "fw_4.2", "updates"})
        if (!QDir().mkpath(stick + QLatin1Char('/') + QLatin1String(folder)))
            return false;
    return true;
}

QString summary(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return QStringLiteral("%1 / %2 / %3")
        .arg(v.first(), 7, 'f', 1)
        .arg(v.at(v.size() / 2), 7, 'f', 1)
        .arg(v.last(), 7, 'f', 1);
}
} // namespace

int main(int argc, char** argv)
{
    BenchWindow::usePlatform();
    qunsetenv("CONSOLE_LOGGING");
    SimulatedSurroundings around;
    if (!around.start(true))
        return 1;
    const QString stick = around.root.insertStick();
    if (stick.isEmpty() || !fillStick(stick))
        return 1;
    ProgramBench program("bench_usbbrowser", around, argc, argv);
    if (!program.attach())
        return 2;
    ProgramWindow& ui = program.ui;
    const int& missed = program.missed;
    QQuickWindow* window = ui.window();
    QQmlExpression count(qmlContext(window), window, QStringLiteral("pageStack.currentItem.list.count"));
    // The folder as read after the push, not the list the view model still held.
    auto* manager = dynamic_cast<ConnectionManager*>(GlobalFuncs::getConnectionManager());
    if (!manager)
        return 2;
    int reads = 0;
    QObject::connect(manager, &ConnectionManager::usbPathListChanged, ui.vm()->connections(), [&reads] { ++reads; });
    QQmlExpression pop(qmlContext(window), window, QStringLiteral("pageStack.pop(null)"));
    // The stick's first check after the start is not part of the figures.
    waitFor([] { return false; }, 3000);

    struct Case {
        const char* what;
        const char* extensions;
        int listed; // the three folders and the files shown
    };
    StallMeter meter;
    std::printf("%d files at the top of the stick; min / median / max over %d opens:\n", kFiles, kRounds);
    for (const Case& c : {Case{"tan delta import (.tds)", "guiViewModel.fileExtensionTanDeltaStd", 3 + 10},
                          Case{"update (tar, ldr, img)", "guiViewModel.fileExtensionUpdate", 3 + 10},
                          Case{"configuration update (.cfg.xml)", "guiViewModel.fileExtensionConfig", 3 + 5},
                          Case{"connections, no filter", "[]", 3 + kFiles}}) {
        QQmlExpression push(qmlContext(window), window,
                            QStringLiteral("pageStack.push(\"qrc:/Vlf/Pages/Items/UsbBrowserPage.qml\", "
                                           "{ \"extensions\": %1 })").arg(QLatin1String(c.extensions)));
        QVector<double> drawn, stalls, works;
        const int missedBefore = missed;
        for (int round = 0; round < kRounds; ++round) {
            QElapsedTimer clock;
            const int readsBefore = reads;
            meter.start();
            clock.start();
            push.evaluate();
            if (!waitFor([&] { return reads > readsBefore && count.evaluate().toInt() == c.listed; }, 60000)) {
                std::fprintf(stderr, "%s: %d entries listed, not %d\n", c.what, count.evaluate().toInt(), c.listed);
                return 3;
            }
            BenchWindow::waitForFrame(window);
            drawn << clock.nsecsElapsed() / 1e6;
            // Whatever the page still does after its first frame counts too.
            waitFor([] { return false; }, 500);
            stalls << meter.stop();
            works << meter.longestWorkMs();
            pop.evaluate();
            BenchWindow::waitForFrame(window);
            waitFor([] { return false; }, 300);
        }
        std::printf("%s:\n  push to the drawn list %s ms\n  longest GUI stall %s ms, most GUI-thread work in one "
                    "turn %s ms\n  missed heartbeats %d\n",
                    c.what, qPrintable(summary(drawn)), qPrintable(summary(stalls)), qPrintable(summary(works)),
                    missed - missedBefore);
    }
    around.sim.stop();
    return 0;
}
