// Benchmark, not a test: a system log report from 100,000 message-log and 100,000
// service-log rows, then a whole export with an archive of 20 rolled trace files.
// Prints the time to the finished files, the peak memory and the longest gap of a
// 50 ms timer on this (the GUI) thread.
// Run: build/tests/maintenance/bench_systemlog 2>/dev/null
#include "maintenance/LogfileManager.h"
#include "maintenance/SystemLog.h"

#include "core/GlobalFuncs.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "logging/MessageCategories.h"
#include "logging/TraceFileSink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {
constexpr int kRows = 100000;
constexpr int kTraceFiles = 20;

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs the event loop until signal fires; returns the milliseconds taken.
template <typename Sender, typename Signal>
qint64 waitFor(Sender* sender, Signal signal)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, &QEventLoop::quit);
    loop.exec();
    return clock.elapsed();
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PEVANTO"));
    DataModelFixture fixture;
    if (!fixture.isValid()) {
        std::printf("data model could not be set up\n");
        return 1;
    }
    const TempRoot& root = fixture.root();
    root.writeFile(QStringLiteral("/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml"),
                   "<configuration><key name=\"PEVANTO\"><value name=\"A\">1</value></key></configuration>");

    DB* db = DB::getInstance();
    QVector<LogRecordQueue::Row> rows;
    const qint64 t0 = QDateTime::currentMSecsSinceEpoch() - kRows * 1000LL;
    for (int i = 0; i < kRows; ++i)
        rows.append({t0 + i * 1000LL, CAT_ERR, QStringLiteral("Message %1: HV unit reported state 0x%2 während Test").arg(i).arg(i, 8, 16, QLatin1Char('0'))});
    db->messageQueue()->push(rows);
    for (LogRecordQueue::Row& r : rows)
        r.text = QStringLiteral("Service entry %1 by technician").arg(r.msecsSinceEpoch);
    db->serviceQueue()->push(rows);
    rows.clear();
    rows.squeeze();
    if (!db->flushLogQueues()) {
        std::printf("log rows could not be written\n");
        return 1;
    }
    const QString trace = GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Trace);
    QDir().mkpath(trace);
    const QByteArray traceLine(200, 't');
    for (int n = 0; n < kTraceFiles; ++n) {
        const QString name = n == 0 ? QStringLiteral("/PEVANTO.trc") : QStringLiteral("/PEVANTO_%1.trc").arg(n);
        QFile f(trace + name);
        if (!f.open(QIODevice::WriteOnly)) {
            std::printf("cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
        while (f.size() < TraceFileSink::RollSize - traceLine.size() - 1)
            f.write(traceLine + '\n');
    }
    const long baseKiB = peakKiB();

    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestGap = qMax(longestGap, sinceTick.restart());
    });
    heartbeat.start(50);

    SystemLog report(db->getStatistics());
    const QString folder = root.path(QStringLiteral("/export"));
    QDir().mkpath(folder);
    report.scheduleSysLogGeneration(QDir(folder));
    const qint64 reportMs = waitFor(&report, &SystemLog::SystemLogGenerated);
    const qint64 reportBytes = QFileInfo(folder + QLatin1Char('/') + report.getSystemLogFile()).size();
    const qint64 reportGap = longestGap;

    LogfileManager manager;
    longestGap = 0;
    sinceTick.restart();
    const QString exportFolder = root.path(QStringLiteral("/export2"));
    QElapsedTimer exportClock;
    exportClock.start();
    if (!manager.exportLogFiles(exportFolder, true)) {
        std::printf("export did not start\n");
        return 1;
    }
    const qint64 exportMs = exportClock.elapsed() + waitFor(&manager, &LogfileManager::SystemLogGenerated);
    heartbeat.stop();

    std::printf("report (%d message + %d service rows): %lld ms, %lld bytes, longest 50 ms-timer gap %lld ms\n", kRows,
                kRows, static_cast<long long>(reportMs), static_cast<long long>(reportBytes),
                static_cast<long long>(reportGap));
    std::printf("export with %d trace files: %lld ms to the outcome (wait message held 1500 ms when under 1000 ms), "
                "longest gap %lld ms\n",
                kTraceFiles, static_cast<long long>(exportMs), static_cast<long long>(longestGap));
    std::printf("peak memory: %ld KiB before the report, %ld KiB after\n", baseKiB, peakKiB());
    return 0;
}
