// Benchmark, not a test: the message-log and service-log lists of the log pages filled
// from 100,000 rows each. The rows are read on a pool thread and reach the list in pages;
// what counts for the operator is the GUI thread's longest stall (the watchdog heartbeat
// allows 1000 ms) and its own busy time, beside the time until the last row is listed.
// Run: build/tests/gui/bench_loglists 2>/dev/null
#include "core/GlobalFuncs.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "gui/GuiViewModel.h"
#include "logging/MessageCategories.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <cstdio>

namespace {
constexpr int kRows = 100000;

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

qint64 threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

struct Figures {
    int rows = 0;
    qint64 listedMs = 0;  // until the last row is listed
    qint64 stallMs = 0;   // longest time the GUI thread served no timer
    qint64 guiCpuMs = 0;  // GUI thread's own processor time meanwhile
};

Figures load(LogListModel* log)
{
    Figures f;
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&]() {
        f.stallMs = qMax(f.stallMs, clock.elapsed() - last);
        last = clock.elapsed();
    });
    QEventLoop loop;
    QObject::connect(log, &LogListModel::loadingChanged, &loop, [&]() {
        if (!log->isLoading())
            loop.quit();
    });
    ticker.start();
    const qint64 cpu = threadCpuMs();
    clock.start();
    log->reload();
    if (log->isLoading())
        loop.exec();
    f.listedMs = clock.elapsed();
    f.stallMs = qMax(f.stallMs, f.listedMs - last);
    f.guiCpuMs = threadCpuMs() - cpu;
    f.rows = log->rowCount();
    return f;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DataModelFixture fixture;
    if (!fixture.isValid()) {
        std::printf("data model could not be set up\n");
        return 1;
    }
    DB* db = GlobalFuncs::getDB();
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - qint64(kRows) * 1000;
    for (int i = 0; i < kRows; ++i) {
        const QString text = QStringLiteral("Test %1 finished: breakdown at %2 kV after %3 s").arg(i).arg(i % 80).arg(i % 3600);
        db->queueMessage({start + i * 1000, CAT_INF + i % 3, text});
        db->queueServiceMessage({start + i * 1000, CAT_INF, text});
        if (i % 10000 == 9999)
            db->flushLogQueues();
    }
    db->flushLogQueues();
    std::printf("logs written, peak %ld KiB\n", peakKiB());

    GuiViewModel vm;
    for (int run = 0; run < 3; ++run) {
        const Figures m = load(vm.messageLog());
        const Figures s = load(vm.serviceLog());
        std::printf("read %d: message log %d entries listed in %lld ms (GUI thread: longest stall %lld ms, busy %lld ms), "
                    "service log %d entries listed in %lld ms (GUI thread: longest stall %lld ms, busy %lld ms), "
                    "peak %ld KiB\n",
                    run + 1, m.rows, m.listedMs, m.stallMs, m.guiCpuMs, s.rows, s.listedMs, s.stallMs, s.guiCpuMs,
                    peakKiB());
    }
    return 0;
}
