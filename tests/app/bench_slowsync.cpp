// Hand-run: the whole program with its window (software renderer, offscreen) against the
// simulated unit, on a disk whose every sync takes 40 ms longer (the shim vlf_slowsync,
// preloaded: the bench starts itself again with it; "--as-is" runs it without). The program
// starts twice on one root: first on the fresh root (in a child process), then with the
// configuration and the database that start left. Prints for both the time from the start
// of the program to its window's first frame, and for the second the longest stall of the
// GUI thread over 10 s of the idle program: without records of its own, with a record
// logged every 50 ms from a worker thread, and after a burst of 5,000 records (a test's log
// at its end). Goal: first frame within 2 s, no stall over 50 ms from logging.
#include "app/Application.h"
#include "datamodel/DataModell.h"
#include "fakes/SimulatedSurroundings.h"
#include "fakes/StallMeter.h"
#include "gui/Gui.h"
#include "logging/LoggingCtrl.h"

#include <QElapsedTimer>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// Logs records from a worker thread while the GUI thread's stalls are measured.
void measure(const char* what, int records, int spacingMs, int seconds)
{
    StallMeter meter;
    meter.start();
    std::unique_ptr<QThread> logger(QThread::create([records, spacingMs] {
        for (int i = 0; i < records; ++i) {
            KLOG_INFO2("Bench", "measure", QStringLiteral("bench record %1").arg(i));
            if (spacingMs > 0)
                QThread::msleep(static_cast<unsigned long>(spacingMs));
        }
    }));
    logger->start();
    waitFor([] { return false; }, seconds * 1000);
    logger->wait();
    const double longest = meter.stop();
    std::printf("%-44s longest GUI stall %6.1f ms, %d over 50 ms\n", what, longest, meter.over50());
}


// One start of the program: its first frame and Idle, then, when asked, the stalls.
int runStart(SimulatedSurroundings& around, char** argv, const char* what, bool measureStalls)
{
    if (!around.start(true))
        return 1;
    int appArgc = 1;
    QElapsedTimer sinceStart;
    sinceStart.start();
    Application app(appArgc, argv);
    const double constructed = sinceStart.nsecsElapsed() / 1e6;
    auto* gui = qobject_cast<Gui*>(app.gui());
    QQuickWindow* window = gui && !gui->engine()->rootObjects().isEmpty()
        ? qobject_cast<QQuickWindow*>(gui->engine()->rootObjects().first())
        : nullptr;
    if (!window)
        return 2;
    bool drawn = false;
    QObject::connect(window, &QQuickWindow::frameSwapped, [&drawn] { drawn = true; });
    if (!waitFor([&drawn] { return drawn; }, 30000))
        return 3;
    const double frame = sinceStart.nsecsElapsed() / 1e6;
    if (!waitFor([&app] { return app.dataModel()->getAppState() == States::Idle; }, 30000))
        return 4;
    std::printf("%-44s constructor %5.0f ms, first frame %5.0f ms, Idle %5.0f ms\n", what, constructed, frame,
                sinceStart.nsecsElapsed() / 1e6);
    std::fflush(stdout);
    if (!measureStalls)
        return 0;
    waitFor([] { return false; }, 2000);
    measure("idle, no records of the bench:", 0, 0, 10);
    measure("a record every 50 ms (200 records):", 200, 50, 10);
    measure("a burst of 5,000 records:", 5000, 0, 10);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    const bool asIs = argc > 1 && std::strcmp(argv[1], "--as-is") == 0;
    if (!asIs && !qEnvironmentVariableIsSet("VLF_BENCH_SLOWSYNC")) {
        ::setenv("VLF_BENCH_SLOWSYNC", "1", 1);
        ::setenv("LD_PRELOAD", SLOWSYNC_LIBRARY, 1);
        ::execv("/proc/self/exe", argv);
        std::perror("execv");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
    qunsetenv("CONSOLE_LOGGING");
    std::printf("every sync %s\n", asIs ? "as the disk does it" : "40 ms slower");
    std::fflush(stdout);
    SimulatedSurroundings around;
    // Before any thread of this process: the first start runs in a child of its own.
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(runStart(around, argv, "first start, fresh root:", false));
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 5;
    return runStart(around, argv, "second start, configuration and database kept:", true);
}
