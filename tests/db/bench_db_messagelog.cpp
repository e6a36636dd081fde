// Benchmark, not a test: logs 100,000 message-log records through LoggingCtrl from a
// worker thread, waits until the database holds them and reads them back with getMessages.
// Run: build/tests/db/bench_db_messagelog 2>/dev/null
#include "db/DB.h"
#include "db/DbLogSink.h"
#include "logging/LoggingCtrl.h"
#include "fakes/TempRoot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>
#include <memory>

namespace {
constexpr int kRecords = 100000;

int rowsInFile(const QString& path)
{
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-count"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT count(*) FROM messagelog")) && q.next())
                n = q.value(0).toInt();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-count"));
    return n;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench"));
    TempRoot root;
    DB* db = DB::getInstance();
    if (!db->initialize()) {
        std::printf("database could not be opened\n");
        return 1;
    }
    LoggingCtrl logger;
    DbLogSink::attach(logger, *db);
    logger.initialize();

    // The caller's cost alone: the text is built before the clock starts.
    std::vector<qint64> callNs(kRecords);
    QElapsedTimer sinceStart;
    std::unique_ptr<QThread> producer(QThread::create([&]() {
        QElapsedTimer one;
        for (int i = 0; i < kRecords; ++i) {
            const QString text = QStringLiteral("benchmark record %1 with some text of a usual length").arg(i);
            one.start();
            KLOG_INFO2("Bench", "run", text);
            callNs[i] = one.nsecsElapsed();
        }
    }));
    sinceStart.start();
    producer->start();

    qint64 storedMs = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        if (!producer->isFinished())
            return;
        if (rowsInFile(db->filePath()) >= kRecords) {
            storedMs = sinceStart.elapsed();
            app.quit();
        } else if (sinceStart.elapsed() > 300000) {
            app.quit();
        }
    });
    poll.start(20);
    app.exec();
    producer->wait();

    QElapsedTimer readTimer;
    readTimer.start();
    QByteArray out;
    const bool readOk = db->getMessages(out);
    const qint64 readMs = readTimer.elapsed();
    const int lines = out.count('\n');

    std::printf("records logged:            %d\n", kRecords);
    const double meanUs = std::accumulate(callNs.begin(), callNs.end(), 0.0) / kRecords / 1000.0;
    std::sort(callNs.begin(), callNs.end());
    std::printf("log() per call:            %.2f us mean, %.2f us 99th percentile, %.1f us slowest\n", meanUs,
                callNs[kRecords * 99 / 100] / 1000.0, callNs.back() / 1000.0);
    if (storedMs > 0)
        std::printf("stored in the database:    %lld ms after the first call (%.0f records/s)\n",
                    static_cast<long long>(storedMs), kRecords * 1000.0 / storedMs);
    else
        std::printf("stored in the database:    NOT ALL within 300 s\n");
    std::printf("getMessages:               %s, %d lines, %lld ms, %d bytes\n", readOk ? "ok" : "FAILED", lines,
                static_cast<long long>(readMs), out.size());
    logger.release();
    DB::destroyInstance();
    return storedMs > 0 && readOk && lines >= kRecords ? 0 : 1;
}
