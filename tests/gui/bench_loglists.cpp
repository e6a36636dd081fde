// Benchmark, not a test: the message-log and service-log lists of the log pages built
// from 100,000 rows each. The lists are built on the GUI thread, so the time of a read is
// the GUI thread's stall (the watchdog heartbeat allows 1000 ms).
// Run: build/tests/gui/bench_loglists 2>/dev/null
#include "core/GlobalFuncs.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "gui/GuiViewModel.h"
#include "logging/MessageCategories.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {
constexpr int kRows = 100000;

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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

    GuiViewModel vm;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer clock;
        clock.start();
        const int messages = vm.messageLogItems().size();
        const qint64 messageMs = clock.restart();
        const int service = vm.serviceLogItems().size();
        const qint64 serviceMs = clock.elapsed();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        std::printf("read %d: message log %d entries in %lld ms, service log %d entries in %lld ms, peak %ld KiB\n",
                    run + 1, messages, messageMs, service, serviceMs, peakKiB());
    }
    return 0;
}
