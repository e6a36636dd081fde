#include "datamodel/RunningTestData.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

// The sample buffers are filled by the test worker while the views and the record
// store walk them. Plain std threads, so that a ThreadSanitizer build sees every lock.
class TstRunningTestData : public QObject {
    Q_OBJECT
private slots:
    void appendWhileIterating()
    {
        RunningTestData data;
        constexpr int kSamples = 20000;
        std::atomic<bool> done{false};
        std::thread writer([&] {
            for (int i = 1; i <= kSamples; ++i) {
                stMeasurementValues v;
                v.timeStamp = quint32(i);
                v.voltage = i;
                data.appendMeasurement(v);
                stPeriodicMeasurementValues p;
                p.timeStamp = quint32(i);
                p.tanDelta = quint32(1000 + i % 7);
                data.appendPeriodic(p);
                if (i % 1000 == 0)
                    data.voltageStepUp(i);
            }
            done = true;
        });
        int walks = 0;
        bool ordered = true;
        while (!done || walks < 3) {
            quint32 last = 0;
            size_t n = 0;
            for (auto it = data.beginMeasurementValues(); it != data.endMeasurementValues(); ++it) {
                ordered = ordered && it->timeStamp == last + 1;
                last = it->timeStamp;
                ++n;
            }
            quint32 lastPeriodic = 0;
            for (auto it = data.beginPeriodicMeasurementValues(); it != data.endPeriodicMeasurementValues(); ++it) {
                ordered = ordered && it->timeStamp > lastPeriodic;
                lastPeriodic = it->timeStamp;
            }
            data.tanDeltaSummary();
            data.lastMeasurement();
            ++walks;
            // Readers go first on this lock: the writer gets in between the walks.
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        writer.join();
        QVERIFY(ordered);
        QCOMPARE(data.lastMeasurement().timeStamp, quint32(kSamples));
        QCOMPARE(data.periodicCount(), kSamples);
        QCOMPARE(data.tanDeltaSummary().size(), kSamples / 1000 + 1);
    }

    void ringBufferKeepsTheNewest()
    {
        RunningTestData data;
        const size_t n = RunningTestData::PeriodicCapacity + 5;
        for (size_t i = 0; i < n; ++i) {
            stPeriodicMeasurementValues p;
            p.timeStamp = quint32(i);
            data.appendPeriodic(p);
        }
        QCOMPARE(size_t(data.periodicCount()), RunningTestData::PeriodicCapacity);
        QCOMPARE(data.beginPeriodicMeasurementValues()->timeStamp, 5u);
    }

    void firstResultIsTheCause()
    {
        RunningTestData data;
        QCOMPARE(data.getTestResult(), eTestResult_Unknown);
        SafetyCircuitBits s;
        s.set(3);
        data.setTestResult(eTestResult_BreakdownDetected, s, 0x100);
        SafetyCircuitBits other;
        data.setTestResult(eTestResult_CancelledByOp, other, 0);
        QCOMPARE(data.getTestResult(), eTestResult_BreakdownDetected);
        QCOMPARE(data.resultHistory().size(), 2);
        QCOMPARE(data.safetyCircuitStateOfTestResult(), s);
        QCOMPARE(data.hvUnitStateOfTestResult(), quint64(0x100));
        data.reset();
        QCOMPARE(data.getTestResult(), eTestResult_Unknown);
    }
};

QTEST_GUILESS_MAIN(TstRunningTestData)
#include "tst_runningtestdata.moc"
