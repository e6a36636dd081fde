#include "core/TimeoutCounter.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {
QList<uint> values(const QSignalSpy& spy)
{
    QList<uint> out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).toUInt();
    return out;
}
} // namespace

class TstTimeoutCounter : public QObject {
    Q_OBJECT
private slots:
    void countsDownInTicks()
    {
        TimeoutCounter counter(nullptr, 20);
        QSignalSpy updates(&counter, &TimeoutCounter::updateTimeoutTime);
        QSignalSpy timeouts(&counter, &TimeoutCounter::timeout);
        QElapsedTimer clock;
        clock.start();
        counter.start(100);
        // The first value comes at once.
        QCOMPARE(values(updates), QList<uint>{100});
        QVERIFY(counter.isRunning());
        QVERIFY(timeouts.wait(5000));
        QVERIFY(clock.elapsed() >= 95);
        QCOMPARE(values(updates), (QList<uint>{100, 80, 60, 40, 20, 0}));
        QCOMPARE(timeouts.count(), 1);
        QVERIFY(!counter.isRunning());
        // Stopped: nothing more comes.
        QTest::qWait(100);
        QCOMPARE(updates.count(), 6);
        QCOMPARE(timeouts.count(), 1);
    }

    void lastStepIsShortened()
    {
        TimeoutCounter counter(nullptr, 20);
        QSignalSpy updates(&counter, &TimeoutCounter::updateTimeoutTime);
        QSignalSpy timeouts(&counter, &TimeoutCounter::timeout);
        counter.start(50);
        QVERIFY(timeouts.wait(5000));
        QCOMPARE(values(updates), (QList<uint>{50, 30, 10, 0}));
    }

    void zeroExpiresAtOnce()
    {
        TimeoutCounter counter(nullptr, 20);
        QSignalSpy updates(&counter, &TimeoutCounter::updateTimeoutTime);
        QSignalSpy timeouts(&counter, &TimeoutCounter::timeout);
        counter.start(0);
        QCOMPARE(values(updates), QList<uint>{0});
        QCOMPARE(timeouts.count(), 1);
        QVERIFY(!counter.isRunning());
    }

    void stopAndRestart()
    {
        TimeoutCounter counter(nullptr, 20);
        QSignalSpy updates(&counter, &TimeoutCounter::updateTimeoutTime);
        QSignalSpy timeouts(&counter, &TimeoutCounter::timeout);
        counter.start(1000);
        QTest::qWait(50);
        counter.stop();
        QVERIFY(!counter.isRunning());
        const int seen = updates.count();
        QTest::qWait(100);
        QCOMPARE(updates.count(), seen);
        QCOMPARE(timeouts.count(), 0);

        updates.clear();
        counter.start(40);
        counter.start(60); // a restart begins afresh
        QVERIFY(timeouts.wait(5000));
        QCOMPARE(values(updates), (QList<uint>{40, 60, 40, 20, 0}));
        QCOMPARE(timeouts.count(), 1);
    }

    void receiverMayRestartFromTheLastUpdate()
    {
        TimeoutCounter counter(nullptr, 20);
        QSignalSpy timeouts(&counter, &TimeoutCounter::timeout);
        bool restarted = false;
        connect(&counter, &TimeoutCounter::updateTimeoutTime, &counter, [&](uint ms) {
            if (ms == 0 && !restarted) {
                restarted = true;
                counter.start(40);
            }
        });
        counter.start(20);
        QVERIFY(timeouts.wait(5000));
        // Only the restarted countdown timed out, once.
        QVERIFY(restarted);
        QTest::qWait(60);
        QCOMPARE(timeouts.count(), 1);
    }

    void secondTicks()
    {
        TimeoutCounter counter;
        QCOMPARE(counter.tickMs(), 1000);
        QSignalSpy updates(&counter, &TimeoutCounter::updateTimeoutTime);
        QSignalSpy timeouts(&counter, &TimeoutCounter::timeout);
        QElapsedTimer clock;
        clock.start();
        counter.start(2000);
        QVERIFY(updates.wait(3000));
        const qint64 first = clock.elapsed();
        QVERIFY2(first >= 950 && first < 2000, qPrintable(QString::number(first)));
        QCOMPARE(counter.remaining(), 1000u);
        QVERIFY(timeouts.wait(3000));
        const qint64 done = clock.elapsed();
        QVERIFY2(done >= 1950 && done < 3500, qPrintable(QString::number(done)));
        QCOMPARE(values(updates), (QList<uint>{2000, 1000, 0}));
    }
};

QTEST_GUILESS_MAIN(TstTimeoutCounter)
#include "tst_timeoutcounter.moc"
