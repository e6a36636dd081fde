#include "testrun/TanDeltaPhaseData.h"

#include <QtTest>

#include <limits>

using namespace TestChart;
using VLF::TestData;

namespace {

void addRun(TestData& data, qint32 run, int count, qint32 tanDelta, qint32 voltage)
{
    for (int i = 0; i < count; ++i)
        VLF::insert(data, run, i * 100, voltage, 7, tanDelta);
}

// A step over the given entries, as sortTanD would make it.
TanDeltaPhaseData::Step stepOver(const PeriodicEntries& entries)
{
    TanDeltaPhaseData::Step step;
    step.first = entries.cbegin();
    step.last = entries.cend();
    return step;
}

PeriodicEntries entries(const QVector<qint32>& tanDeltas, const QVector<qint32>& voltages = {})
{
    PeriodicEntries out;
    for (int i = 0; i < tanDeltas.size(); ++i) {
        VLF::TestData::Periodic p;
        p.run = 1;
        p.tanDelta = tanDeltas.at(i);
        p.voltage = voltages.value(i, 0);
        out << p;
    }
    return out;
}

QVector<int> counts(const TanDeltaPhaseData& phase)
{
    QVector<int> out;
    for (const auto& s : phase.steps)
        out << s.count();
    return out;
}

} // namespace

class TstTanDeltaPhaseData : public QObject {
    Q_OBJECT

private slots:
    void phaseListFollowsTheSelectedBits_data()
    {
        QTest::addColumn<QString>("bits");
        QTest::addColumn<QVector<int>>("phases");
        QTest::newRow("L1 and L3") << QStringLiteral("5") << QVector<int>{0, 2};
        QTest::newRow("all") << QStringLiteral("7") << QVector<int>{0, 1, 2};
        QTest::newRow("L2") << QStringLiteral("2") << QVector<int>{1};
        QTest::newRow("none") << QStringLiteral("0") << QVector<int>{};
        QTest::newRow("missing") << QString() << QVector<int>{};
    }
    void phaseListFollowsTheSelectedBits()
    {
        QFETCH(QString, bits);
        QFETCH(QVector<int>, phases);
        TestData data;
        if (!bits.isNull())
            VLF::insert(data, 0, 17, bits);
        QCOMPARE(getPhaseList(data), phases);
    }

    void factorsSkipEmptyEntriesAndStopAtTheStepCount()
    {
        TestData data;
        VLF::insert(data, 0, 23, qint64(3));
        VLF::insert(data, 1000, 0, qint64(50));
        VLF::insert(data, 1000, 1, QString());
        VLF::insert(data, 1000, 2, qint64(65536 + 150)); // cut to 16 bits
        VLF::insert(data, 1000, 3, qint64(200));         // beyond the step count
        const auto result = getStepsAndVoltageFactorList(data);
        QCOMPARE(result.first, 3);
        QCOMPARE(result.second, (QVector<quint16>{50, 150}));

        TestData none;
        QCOMPARE(getStepsAndVoltageFactorList(none).first, 0);
        QVERIFY(getStepsAndVoltageFactorList(none).second.isEmpty());
    }

    void oneRunIsCutIntoStepsOfTheValueCount()
    {
        TestData data;
        addRun(data, 1, 25, 100, 1000);
        const auto phases = sortTanD(data.periodic, 10, {50, 100, 150}, {TanDeltaRun{1, 0}});
        QCOMPARE(phases.size(), 1);
        QCOMPARE(phases.at(0).phase, 0);
        QCOMPARE(counts(phases.at(0)), (QVector<int>{10, 10, 5}));
        QCOMPARE(phases.at(0).steps.at(0).voltageFactor, quint16(50));
        QCOMPARE(phases.at(0).steps.at(2).voltageFactor, quint16(150));
        // The steps follow each other without gap or overlap.
        QVERIFY(phases.at(0).steps.at(0).first == data.periodic.cbegin());
        QVERIFY(phases.at(0).steps.at(1).first == phases.at(0).steps.at(0).last);
        QVERIFY(phases.at(0).steps.at(2).last == data.periodic.cend());
    }

    void aShortRunDoesNotShiftTheNextPhase()
    {
        // Phase L1 was cut short after 15 samples; L3 then measured its two full steps.
        TestData data;
        VLF::insert(data, 0, 17, qint64(5));
        VLF::insert(data, 0, 23, qint64(2));
        VLF::insert(data, 0, 24, qint64(10));
        VLF::insert(data, 1000, 0, qint64(50));
        VLF::insert(data, 1000, 1, qint64(100));
        VLF::insert(data, 1, 17, qint64(0));
        VLF::insert(data, 2, 17, qint64(2));
        addRun(data, 1, 15, 100, 1000);
        for (int i = 0; i < 20; ++i)
            VLF::insert(data, 2, i, i < 10 ? 3000 : 6000, 7, i < 10 ? 300 : 600);

        const QVector<TanDeltaRun> runs = getRunList(data);
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs.at(1).run, 2);
        QCOMPARE(runs.at(1).phase, 2);

        const auto phases = sortTanD(data.periodic, 10, {50, 100}, runs);
        QCOMPARE(phases.size(), 2);
        QCOMPARE(counts(phases.at(0)), (QVector<int>{10, 5}));
        QCOMPARE(phases.at(1).phase, 2);
        QCOMPARE(counts(phases.at(1)), (QVector<int>{10, 10}));

        const auto summary = tanDeltaSummary(data);
        QCOMPARE(summary.size(), 2);
        QCOMPARE(summary.at(1).first, 2);
        QCOMPARE(summary.at(1).second.size(), 2);
        QCOMPARE(summary.at(1).second.at(0).avgTanDelta, 300u);
        QCOMPARE(summary.at(1).second.at(0).voltage, qint64(3000));
        QCOMPARE(summary.at(1).second.at(0).stdDevTanDelta, qint64(0));
        QCOMPARE(summary.at(1).second.at(1).avgTanDelta, 600u);
        QCOMPARE(summary.at(1).second.at(1).voltage, qint64(6000));
    }

    void runsWithoutTheirOwnPhaseTakeThePhaseListInOrder()
    {
        TestData data;
        VLF::insert(data, 0, 17, qint64(6)); // L2 and L3
        VLF::insert(data, 1, 17, qint64(-1));
        addRun(data, 1, 3, 100, 1);
        addRun(data, 2, 3, 100, 1);
        addRun(data, 3, 3, 100, 1); // no phase left for it
        const QVector<TanDeltaRun> runs = getRunList(data);
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs.at(0).phase, 1);
        QCOMPARE(runs.at(1).phase, 2);
    }

    void nothingToCutGivesNothing()
    {
        TestData data;
        addRun(data, 1, 5, 100, 1);
        QVERIFY(sortTanD(data.periodic, 10, {50}, {}).isEmpty());
        QVERIFY(sortTanD(PeriodicEntries(), 10, {50}, {TanDeltaRun{1, 0}}).isEmpty());
    }

    void emptyStepsAreSkipped()
    {
        TestData data;
        VLF::insert(data, 0, 17, qint64(1));
        VLF::insert(data, 0, 23, qint64(2));
        VLF::insert(data, 1000, 0, qint64(50));
        VLF::insert(data, 1000, 1, qint64(100));
        addRun(data, 1, 5, 100, 1);
        // No value count stored: no step has entries.
        const auto summary = tanDeltaSummary(data);
        QCOMPARE(summary.size(), 1);
        QVERIFY(summary.at(0).second.isEmpty());
        // Neither does a step past the run's end.
        const auto phases = sortTanD(data.periodic, 5, {50, 100}, {TanDeltaRun{1, 0}});
        QCOMPARE(counts(phases.at(0)), (QVector<int>{5}));
    }

    void meanAndDeviationOfAStep()
    {
        const PeriodicEntries e = entries({100, 200, 300}, {1000, 2000, 3003});
        const TanDeltaMeasurementValues v = calcTanDelta(stepOver(e));
        QCOMPARE(v.avgTanDelta, 200u);
        QCOMPARE(v.stdDevTanDelta, qint64(81)); // sqrt(20000 / 3) = 81.6
        QCOMPARE(v.voltage, qint64(2001));
    }

    void aSingleEntryIsItsOwnMean()
    {
        const PeriodicEntries e = entries({4321}, {-17000});
        const TanDeltaMeasurementValues v = calcTanDelta(stepOver(e));
        QCOMPARE(v.avgTanDelta, 4321u);
        QCOMPARE(v.stdDevTanDelta, qint64(0));
        QCOMPARE(v.voltage, qint64(-17000));
    }

    void meansAreTruncatedTowardZero()
    {
        const PeriodicEntries e = entries({1, 2}, {-1, -2});
        const TanDeltaMeasurementValues v = calcTanDelta(stepOver(e));
        QCOMPARE(v.avgTanDelta, 1u);
        QCOMPARE(v.voltage, qint64(-1));
        QCOMPARE(v.stdDevTanDelta, qint64(0)); // 0.5
    }

    void meansOverManyEntriesWithARemainder_data()
    {
        QTest::addColumn<int>("count");
        for (int n : {4, 5, 7, 9, 10})
            QTest::newRow(qPrintable(QString::number(n))) << n;
    }
    void meansOverManyEntriesWithARemainder()
    {
        QFETCH(int, count);
        QVector<qint32> tanDeltas, voltages;
        for (int i = 1; i <= count; ++i) {
            tanDeltas << i * 100;
            voltages << i * 1000;
        }
        const PeriodicEntries e = entries(tanDeltas, voltages);
        const TanDeltaMeasurementValues v = calcTanDelta(stepOver(e));
        QCOMPARE(v.avgTanDelta, quint32((count + 1) * 50));
        QCOMPARE(v.voltage, qint64((count + 1) * 500));
        // Population deviation of 1..n times 100: sqrt((n^2 - 1) / 12) * 100.
        const double expected = std::sqrt((count * count - 1) / 12.0) * 100;
        QVERIFY2(qAbs(double(v.stdDevTanDelta) - expected) <= 1.0, qPrintable(QString::number(v.stdDevTanDelta)));
    }

    void largeValuesDoNotOverflow()
    {
        const qint32 big = std::numeric_limits<qint32>::max();
        const PeriodicEntries e = entries(QVector<qint32>(9, big), QVector<qint32>(9, big));
        const TanDeltaMeasurementValues v = calcTanDelta(stepOver(e));
        QCOMPARE(v.avgTanDelta, quint32(big));
        QCOMPARE(v.voltage, qint64(big));
        QCOMPARE(v.stdDevTanDelta, qint64(0));
    }

    void anEmptyStepHasNoValue()
    {
        const PeriodicEntries e;
        const TanDeltaMeasurementValues v = calcTanDelta(stepOver(e));
        QCOMPARE(v.avgTanDelta, TanDeltaNone);
        QCOMPARE(v.stdDevTanDelta, qint64(0));
        QCOMPARE(v.voltage, qint64(0));
    }
};

QTEST_GUILESS_MAIN(TstTanDeltaPhaseData)
#include "tst_tandeltaphasedata.moc"
