// Hand-run: the whole program with its window (software renderer, offscreen) against the
// simulated unit, on a disk whose every sync takes 40 ms longer (the shim vlf_slowsync,
// preloaded: the bench starts itself again with it; "--as-is" runs it without). The program
// starts twice on one root: first on the fresh root (in a child process), then with the
// configuration and the database that start left. Prints for both the time from the start
// of the program to its window's first frame, and for the second the longest stall of the
// GUI thread over 10 s of the idle program: without records of its own, with a record
// logged every 50 ms from a worker thread, and after a burst of 5,000 records (a test's log
// at its end). Goal: first frame within 2 s, no stall over 50 ms from logging. Between the
// two, a start on that root with every sync 100 ms slower is stopped with SIGTERM 0.4 s after
// a burst of 5,000 records; the last start counts those rows and the trace's lines saying how
// many were not stored (goal: exit 0 and all rows, or the line with the count), and, like the
// stop, no GUI stall over 50 ms from its first frame to Idle.
#include "app/Application.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/SimulatedSurroundings.h"
#include "fakes/StallMeter.h"
#include "gui/Gui.h"
#include "logging/LoggingCtrl.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr int kStopBurst = 5000;

double monotonicMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The stopped start's rows in the message log and the trace's lines on rows not stored.
void reportStop()
{
    QByteArray log;
    GlobalFuncs::getDB()->getMessages(log);
    std::printf("%-44s %d of %d rows stored\n", "the stopped start's burst:", int(log.count("\tstop record ")),
                kStopBurst);
    const QDir traces(GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Trace));
    for (const QFileInfo& file : traces.entryInfoList({QStringLiteral("*.trc")})) {
        QFile trace(file.filePath());
        for (const QByteArray& line : trace.open(QIODevice::ReadOnly) ? trace.readAll().split('\n') : QList<QByteArray>())
            if (line.contains("log records were not stored"))
                std::printf("  %s\n", line.constData());
    }
    std::fflush(stdout);
}
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


// One start of the program: its first frame and Idle with the GUI's stalls between, then,
// when asked, the stalls of logging.
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
    StallMeter meter;
    meter.start();
    if (!waitFor([&app] { return app.dataModel()->getAppState() == States::Idle; }, 30000))
        return 4;
    const double stall = meter.stop();
    std::printf("%-44s constructor %5.0f ms, first frame %5.0f ms, Idle %5.0f ms\n", what, constructed, frame,
                sinceStart.nsecsElapsed() / 1e6);
    std::printf("%-44s longest GUI stall %6.1f ms, %d over 50 ms\n", "  first frame to Idle:", stall, meter.over50());
    std::fflush(stdout);
    if (!measureStalls)
        return 0;
    reportStop();
    waitFor([] { return false; }, 2000);
    measure("idle, no records of the bench:", 0, 0, 10);
    measure("a record every 50 ms (200 records):", 200, 50, 10);
    measure("a burst of 5,000 records:", 5000, 0, 10);
    return 0;
}

// A start stopped with SIGTERM 0.4 s after a burst of records; the signal's moment goes to
// the pipe. Ends with 0 after an orderly stop, with 128 + 15 when the deadline cut it.
int runStop(SimulatedSurroundings& around, char** argv, int signalledPipe)
{
    if (!around.start(true))
        return 1;
    int appArgc = 1;
    Application app(appArgc, argv);
    if (!waitFor([&app] { return app.dataModel()->getAppState() == States::Idle; }, 30000))
        return 4;
    for (int i = 0; i < kStopBurst; ++i)
        KLOG_INFO2("Bench", "runStop", QStringLiteral("stop record %1").arg(i));
    QTimer::singleShot(400, [signalledPipe] {
        const double at = monotonicMs();
        ssize_t written = ::write(signalledPipe, &at, sizeof at);
        (void)written;
        ::kill(::getpid(), SIGTERM);
    });
    app.exec();
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
    int signalled[2];
    if (::pipe(signalled) != 0)
        return 6;
    const pid_t stopped = ::fork();
    if (stopped == 0) {
        if (!asIs)
            ::setenv("VLF_SYNC_DELAY_MS", "100", 1);
        ::_exit(runStop(around, argv, signalled[1]));
    }
    double signalAt = 0;
    if (stopped < 0 || ::waitpid(stopped, &status, 0) != stopped || !WIFEXITED(status)
        || ::read(signalled[0], &signalAt, sizeof signalAt) != ssize_t(sizeof signalAt))
        return 7;
    std::printf("%-44s exit %d, %.0f ms after SIGTERM (every sync %s)\n", "stop 0.4 s after 5,000 records:",
                WEXITSTATUS(status), monotonicMs() - signalAt, asIs ? "as the disk does it" : "100 ms slower");
    std::fflush(stdout);
    return runStart(around, argv, "third start, configuration and database kept:", true);
}
