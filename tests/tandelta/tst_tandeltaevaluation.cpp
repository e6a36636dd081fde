#include "tandelta/TanDeltaStandard.h"
#include "tandelta/TanDeltaStandardIEEE2001.h"
#include "tandelta/TanDeltaStandardIEEE2013.h"
#include "tandelta/TanDeltaStandardNone.h"
#include "fakes/TempRoot.h"

#include <QtTest>

#include <cmath>

using namespace TanDelta::evaluation;
using Levels = QVector<unsigned short>;
using Values = QVector<TanDeltaMeasurementValues>;
using Tags = QVector<Standard::LevelsFactorTag>;

Q_DECLARE_METATYPE(Levels)

namespace {

TanDeltaMeasurementValues step(quint32 mean, qint64 stdDev = 0)
{
    TanDeltaMeasurementValues v;
    v.avgTanDelta = mean;
    v.stdDevTanDelta = stdDev;
    return v;
}

Tags tagsOf(std::initializer_list<int> factors)
{
    Tags tags;
    for (int f : factors)
        tags.append({f, -1});
    return tags;
}

QVector<int> indexesOf(const Tags& tags)
{
    QVector<int> out;
    for (const auto& t : tags)
        out << t.index;
    return out;
}

// The tables as published, typed again here so that a slip in the code shows.
struct Row {
    QVector<eInsulationType> insulations;
    QVector<double> stdDev;
    QVector<double> delta;
    QVector<double> mean;
};

const QVector<Row> kTable2001{
    {{PE_XLPE, PE, XLPE}, {0.0001, 0.0005}, {0.0006, 0.001}, {0.0012, 0.002}},
    {{TRXLPE}, {0.0005, 0.001}, {0.0015, 0.003}, {0.008, 0.01}},
    {{PILC}, {0.0005, 0.001}, {-0.05, -0.02, 0.02, 0.05}, {0.05, 0.1}},
    {{EPR}, {0.0005, 0.001}, {0.004, 0.01}, {0.01, 0.08}},
};

const QVector<Row> kTable2013{
    {{PE_XLPE, TRXLPE, PE, XLPE}, {0.0001, 0.0005}, {0.005, 0.08}, {0.004, 0.05}},
    {{PILC}, {0.0001, 0.0004}, {-0.05, -0.035, 0.01, 0.1}, {0.085, 0.2}},
    {{EPR}, {0.0001, 0.0013}, {0.005, 0.1}, {0.035, 0.12}},
};

// Verdict of one value against its edges, as the published bands read.
int bandVerdict(double v, const QVector<double>& e)
{
    if (e.size() == 4) {
        if (v < e[0] || v > e[3])
            return ActionRequired;
        if (e[1] <= v && v <= e[2])
            return NoActionRequired;
        return FurtherStudyAdvised;
    }
    if (v < e[0])
        return NoActionRequired;
    if (v > e[1])
        return ActionRequired;
    return FurtherStudyAdvised;
}

double product(qint64 raw) { return static_cast<double>(raw) * 1e-6; }

// Values for one phase from raw s, d and m; the 2001 delta shares its upper step with the mean.
struct Phase {
    Levels levels;
    Values values;
    qint64 s = 0, d = 0, m = 0; // what the standard will see
};

Phase phase2013(qint64 s, qint64 d, qint64 m)
{
    const qint64 low = d < 0 ? -d : 0;
    Phase p;
    p.levels = {50, 100, 150};
    p.values = {step(quint32(low)), step(quint32(m), s), step(quint32(low + d))};
    p.s = s;
    p.d = d;
    p.m = m;
    return p;
}

Phase phase2001(qint64 s, qint64 d, qint64 m)
{
    if (m - d < 0)
        m = d; // a mean cannot be negative: the lower step starts at 0
    Phase p;
    p.levels = {100, 200};
    p.values = {step(quint32(m - d)), step(quint32(m), s)};
    p.s = s;
    p.d = d;
    p.m = m;
    return p;
}

qint64 raw(double edge) { return std::llround(edge * 1e6); }

} // namespace

class TstTanDeltaEvaluation : public QObject {
    Q_OBJECT
private slots:
    void factoryGivesStandardOrNone()
    {
        TempRoot root;
        QVERIFY(root.writeFile(QStringLiteral("/home/root/mappedPaths/appdata/tanDelta/a.tds"), "{}"));
        QVERIFY(root.writeFile(QStringLiteral("/home/root/mappedPaths/appdata/tanDelta/b.tds"), "{}"));

        QCOMPARE(Standard::makeShared(IEEE2001)->id(), IEEE2001);
        QCOMPARE(Standard::makeShared(IEEE2013)->id(), IEEE2013);
        const Levels levels{50, 100, 150};
        const Values values{step(1000), step(2000, 50), step(3000)};
        for (int id : {0, 3, 999, -1, 1002, 5000}) {
            const QSharedPointer<Standard> s = Standard::makeShared(static_cast<eEvaluationStandard>(id));
            QVERIFY2(s, qPrintable(QString::number(id)));
            QCOMPARE(s->id(), None);
            QCOMPARE(s->classify(PE, levels, values), NoEvaluation);
            QVERIFY(s.dynamicCast<StandardNone>());
        }
    }

    void frequencies()
    {
        for (int id : {0, 1, 2}) {
            const auto s = Standard::makeShared(static_cast<eEvaluationStandard>(id));
            QVERIFY(s->frequencySupported(0));
            QVERIFY(s->frequencySupported(100));
            QVERIFY(!s->frequencySupported(200));
            QVERIFY(!s->frequencySupported(99));
            QCOMPARE(s->autoFrequency(), 100u);
        }
    }

    void standardNone()
    {
        StandardNone none;
        for (int t = 0; t < 8; ++t)
            QVERIFY(none.insulationSupported(static_cast<eInsulationType>(t)));
        QCOMPARE(none.deltaTanDeltaFactors(), qMakePair(-1, -1));
        QCOMPARE(none.deltaTanDeltaFactorsIndex({100, 200}), qMakePair(-1, -1));
        QVERIFY(none.getCriterions().isEmpty());
        QVERIFY(none.getTicksForCriterion(AvgTanDelta, PE).isEmpty());
        QVERIFY(none.requiredFactors(Standard::AllFactors).isEmpty());
        QVERIFY(none.voltageFactorsSupported({}, Standard::AllFactors));
        QVERIFY(none.voltageFactorsSupported({70, 30}, Standard::AllFactors));
        QVERIFY(!none.deltaTanDelta({50, 100, 150}, {step(1000), step(2000), step(3000)}).has_value());
        QCOMPARE(none.indexU0({200, 100}), 1);
        QCOMPARE(none.indexU0({200, 150}), -1);
    }

    void levelMatcher_data()
    {
        QTest::addColumn<Levels>("levels");
        QTest::addColumn<QVector<int>>("factors");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QVector<int>>("indexes");

        QTest::newRow("up and down") << Levels{50, 100, 150, 100, 50} << QVector<int>{50, 100, 150} << true
                                     << QVector<int>{0, 1, 2};
        QTest::newRow("fall restarts") << Levels{50, 100, 40, 50, 100, 150} << QVector<int>{50, 100, 150} << true
                                       << QVector<int>{3, 4, 5};
        QTest::newRow("missing middle") << Levels{50, 150} << QVector<int>{50, 100, 150} << false << QVector<int>();
        QTest::newRow("outer pair") << Levels{50, 150} << QVector<int>{50, 150} << true << QVector<int>{0, 1};
        QTest::newRow("overshoot") << Levels{50, 120, 100, 150} << QVector<int>{50, 100, 150} << false
                                   << QVector<int>();
        QTest::newRow("intermediate step") << Levels{100, 150, 200} << QVector<int>{100, 200} << true
                                           << QVector<int>{0, 2};
        QTest::newRow("wrong order") << Levels{200, 100} << QVector<int>{100, 200} << false << QVector<int>();
        QTest::newRow("repeat restarts") << Levels{50, 50, 100, 150} << QVector<int>{50, 100, 150} << true
                                         << QVector<int>{1, 2, 3};
        QTest::newRow("first level absent") << Levels{100, 150} << QVector<int>{50, 150} << false << QVector<int>();
        QTest::newRow("no tags") << Levels{} << QVector<int>{} << true << QVector<int>{};
        QTest::newRow("first stretch wins") << Levels{50, 150, 50, 150} << QVector<int>{50, 150} << true
                                            << QVector<int>{0, 1};
    }

    void levelMatcher()
    {
        QFETCH(Levels, levels);
        QFETCH(QVector<int>, factors);
        QFETCH(bool, found);
        QFETCH(QVector<int>, indexes);
        Tags tags;
        for (int f : factors)
            tags.append({f, -1});
        QCOMPARE(testSupportedFactors(levels.cbegin(), levels.cend(), tags.begin(), tags.end()), found);
        if (found)
            QCOMPARE(indexesOf(tags), indexes);
    }

    void voltageLevelsAgainstValues()
    {
        Tags tags = tagsOf({50, 100, 150});
        // Only the first min(levels, values) steps count.
        QVERIFY(!testVoltageLevels({50, 100, 150}, {step(1), step(2)}, tags));
        tags = tagsOf({50, 100, 150});
        QVERIFY(testVoltageLevels({50, 100, 150, 200}, {step(1), step(2), step(3)}, tags));
        QCOMPARE(indexesOf(tags), (QVector<int>{0, 1, 2}));
        tags = tagsOf({50, 100, 150});
        QVERIFY(!testVoltageLevels({50, 100, 40, 50, 100, 150}, Values(5), tags));

        StandardIEEE2001 s2001;
        QVERIFY(s2001.voltageFactorsSupported({100, 150, 200}, Standard::AllFactors));
        QVERIFY(!s2001.voltageFactorsSupported({200, 100}, Standard::AllFactors));
        QVERIFY(!s2001.voltageFactorsSupported({100}, Standard::AllFactors));
        StandardIEEE2013 s2013;
        QVERIFY(!s2013.voltageFactorsSupported({50, 150}, Standard::AllFactors));
        QVERIFY(s2013.voltageFactorsSupported({50, 150}, Standard::DeltaTanDeltaFactors));
        QVERIFY(!s2013.voltageFactorsSupported({50, 120, 100, 150}, Standard::AllFactors));
    }

    void indexOfU0()
    {
        StandardIEEE2013 s2013;
        QCOMPARE(s2013.indexU0({50, 100, 150}), 1);
        // The 100 of the matched stretch, not the first one.
        QCOMPARE(s2013.indexU0({100, 50, 100, 150}), 2);
        // Without a full stretch: the first 100.
        QCOMPARE(s2013.indexU0({150, 100, 50}), 1);
        QCOMPARE(s2013.indexU0({50, 150}), -1);
        StandardIEEE2001 s2001;
        QCOMPARE(s2001.indexU0({100, 200}), 0);
        QCOMPARE(s2001.indexU0({200, 100, 150, 200}), 1);
        QCOMPARE(s2001.indexU0({}), -1);
    }

    void deltaTanDelta()
    {
        StandardIEEE2013 s2013;
        const Levels levels{50, 100, 150};
        QCOMPARE(s2013.deltaTanDelta(levels, {step(1000), step(9), step(3000)}).value_or(-1), qint64(2000));
        QCOMPARE(s2013.deltaTanDelta(levels, {step(3000), step(9), step(1000)}).value_or(-1), qint64(-2000));
        QVERIFY(!s2013.deltaTanDelta(levels, {step(TanDeltaNone), step(9), step(1000)}).has_value());
        QVERIFY(!s2013.deltaTanDelta(levels, {step(1000), step(9), step(TanDeltaNone)}).has_value());
        // The higher step has no value entry.
        QVERIFY(!s2013.deltaTanDelta(levels, {step(1000), step(9)}).has_value());
        // The outer levels alone still give a delta.
        QCOMPARE(s2013.deltaTanDeltaFactorsIndex({50, 150}), qMakePair(0, 1));
        QCOMPARE(s2013.deltaTanDelta({50, 150}, {step(500), step(4500)}).value_or(-1), qint64(4000));
        QCOMPARE(s2013.deltaTanDeltaFactorsIndex({50, 100, 40, 50, 100, 150}), qMakePair(3, 5));
        QCOMPARE(s2013.deltaTanDeltaFactorsIndex({150, 50}), qMakePair(-1, -1));
        // Full range of the unsigned means.
        QCOMPARE(s2013.deltaTanDelta(levels, {step(999999999), step(0), step(0)}).value_or(0), qint64(-999999999));

        StandardIEEE2001 s2001;
        QCOMPARE(s2001.deltaTanDeltaFactorsIndex({100, 150, 200}), qMakePair(0, 2));
        QCOMPARE(s2001.deltaTanDelta({100, 150, 200}, {step(2000), step(1), step(1500)}).value_or(0), qint64(-500));
        QCOMPARE(s2001.deltaTanDeltaFactorsIndex({200, 100}), qMakePair(-1, -1));
    }

    void shapeOfBothStandards()
    {
        StandardIEEE2001 s2001;
        StandardIEEE2013 s2013;
        const QList<eCriterion> criteria{AvgTanDelta, StdDevTanDelta, DeltaTanDelta};
        QCOMPARE(s2001.getCriterions(), criteria);
        QCOMPARE(s2013.getCriterions(), criteria);
        QCOMPARE(s2001.deltaTanDeltaFactors(), qMakePair(100, 200));
        QCOMPARE(s2013.deltaTanDeltaFactors(), qMakePair(50, 150));
        QCOMPARE(indexesOf(s2013.requiredFactors(Standard::AllFactors)), (QVector<int>{-1, -1, -1}));
        auto factors = [](const Tags& tags) {
            QVector<int> f;
            for (const auto& t : tags)
                f << t.factor;
            return f;
        };
        QCOMPARE(factors(s2001.requiredFactors(Standard::AllFactors)), (QVector<int>{100, 200}));
        QCOMPARE(factors(s2001.requiredFactors(Standard::DeltaTanDeltaFactors)), (QVector<int>{100, 200}));
        QCOMPARE(factors(s2013.requiredFactors(Standard::AllFactors)), (QVector<int>{50, 100, 150}));
        QCOMPARE(factors(s2013.requiredFactors(static_cast<Standard::eRequiredFactors>(7))),
                 (QVector<int>{50, 100, 150}));
        QCOMPARE(factors(s2013.requiredFactors(Standard::DeltaTanDeltaFactors)), (QVector<int>{50, 150}));
    }

    void unsupportedInsulations()
    {
        const Levels levels{50, 100, 150, 200};
        const Values values{step(100), step(100), step(100), step(100)};
        const StandardIEEE2001 s2001;
        const StandardIEEE2013 s2013;
        for (const Standard* s : std::initializer_list<const Standard*>{&s2001, &s2013}) {
            for (int t : {int(Mixed), int(PVC), 8, -1}) {
                const auto type = static_cast<eInsulationType>(t);
                QVERIFY(!s->insulationSupported(type));
                QCOMPARE(s->classify(type, levels, values), EvaluationNotPossible);
                for (int c = 0; c < 3; ++c)
                    QVERIFY(s->getTicksForCriterion(static_cast<eCriterion>(c), type).isEmpty());
            }
            for (eInsulationType type : {PE_XLPE, PILC, EPR, TRXLPE, PE, XLPE})
                QVERIFY(s->insulationSupported(type));
        }
    }

    void ticksAreTheTables()
    {
        StandardIEEE2001 s2001;
        StandardIEEE2013 s2013;
        const QVector<QPair<const Standard*, QVector<Row>>> all{{&s2001, kTable2001}, {&s2013, kTable2013}};
        for (const auto& entry : all) {
            for (const Row& row : entry.second) {
                for (eInsulationType t : row.insulations) {
                    QCOMPARE(entry.first->getTicksForCriterion(StdDevTanDelta, t), row.stdDev);
                    QCOMPARE(entry.first->getTicksForCriterion(DeltaTanDelta, t), row.delta);
                    QCOMPARE(entry.first->getTicksForCriterion(AvgTanDelta, t), row.mean);
                    // Any other criterion value gives the mean pair.
                    QCOMPARE(entry.first->getTicksForCriterion(static_cast<eCriterion>(9), t), row.mean);
                }
            }
        }
        QCOMPARE(s2013.getTicksForCriterion(DeltaTanDelta, PILC), (QVector<double>{-0.05, -0.035, 0.01, 0.1}));
        QCOMPARE(s2001.getTicksForCriterion(AvgTanDelta, EPR), (QVector<double>{0.01, 0.08}));
    }

    // Each edge of each row, one millionth below, at and above, through the floating
    // product the standard forms; the other criteria sit in their good band.
    void verdictsAroundEveryEdge()
    {
        StandardIEEE2001 s2001;
        StandardIEEE2013 s2013;
        struct Case {
            const Standard* standard;
            const QVector<Row>* table;
            Phase (*make)(qint64, qint64, qint64);
        };
        const Case cases[] = {{&s2001, &kTable2001, &phase2001}, {&s2013, &kTable2013, &phase2013}};
        int checked = 0;
        for (const Case& c : cases) {
            for (const Row& row : *c.table) {
                for (int criterion = 0; criterion < 3; ++criterion) {
                    const QVector<double>& edges =
                        criterion == 0 ? row.stdDev : (criterion == 1 ? row.delta : row.mean);
                    for (double edge : edges) {
                        for (qint64 offset : {-1, 0, 1}) {
                            const qint64 v = raw(edge) + offset;
                            const Phase p = c.make(criterion == 0 ? v : 0, criterion == 1 ? v : 0,
                                                   criterion == 2 ? v : 0);
                            const int expected =
                                qMin(qMin(bandVerdict(product(p.s), row.stdDev), bandVerdict(product(p.d), row.delta)),
                                     bandVerdict(product(p.m), row.mean));
                            for (eInsulationType t : row.insulations) {
                                const eEvaluationResult got = c.standard->classify(t, p.levels, p.values);
                                QVERIFY2(got == expected,
                                         qPrintable(QStringLiteral("standard %1 insulation %2 criterion %3 raw %4: %5 != %6")
                                                        .arg(c.standard->id())
                                                        .arg(t)
                                                        .arg(criterion)
                                                        .arg(v)
                                                        .arg(got)
                                                        .arg(expected)));
                                ++checked;
                            }
                        }
                    }
                }
            }
        }
        QVERIFY(checked > 200);
    }

    void verdicts2013PE()
    {
        StandardIEEE2013 s;
        const Levels levels{50, 100, 150};
        QCOMPARE(s.classify(PE, levels, {step(1000), step(3000, 50), step(4000)}), NoActionRequired);
        // The mean at 1.0 U0 on its lower edge.
        QCOMPARE(s.classify(PE, levels, {step(1000), step(4000, 50), step(4000)}), FurtherStudyAdvised);
        // 50000 x 1e-6 lies just below 0.05: still further study; 50001 is beyond.
        QCOMPARE(s.classify(PE, levels, {step(1000), step(50000, 50), step(4000)}), FurtherStudyAdvised);
        QCOMPARE(s.classify(PE, levels, {step(1000), step(50001, 50), step(4000)}), ActionRequired);
        // A deviation of 100 gives 0.0000999..., below the edge 0.0001.
        QCOMPARE(s.classify(PE, levels, {step(1000), step(3000, 100), step(4000)}), NoActionRequired);
        QCOMPARE(s.classify(PE, levels, {step(1000), step(3000, 101), step(4000)}), FurtherStudyAdvised);
        QCOMPARE(s.classify(PE, levels, {step(1000), step(3000, 501), step(4000)}), ActionRequired);
        // A falling tan delta is good for PE.
        QCOMPARE(s.classify(XLPE, levels, {step(9000), step(3000, 50), step(1000)}), NoActionRequired);
        // The same rules for TR-XLPE in this edition.
        QCOMPARE(s.classify(TRXLPE, levels, {step(1000), step(50001, 50), step(4000)}), ActionRequired);
        // Extra steps around the wanted ones.
        QCOMPARE(s.classify(PE, {30, 50, 100, 120, 150, 100}, {step(1), step(1000), step(3000, 50), step(3500),
                                                             step(4000), step(99999)}),
                 NoActionRequired);
    }

    void verdictsPILC()
    {
        StandardIEEE2013 s2013;
        // Delta: -40000, -35000, -60000 with deviation and mean good.
        QCOMPARE(s2013.classify(PILC, {50, 100, 150}, {step(60000), step(10000, 50), step(20000)}),
                 FurtherStudyAdvised);
        QCOMPARE(s2013.classify(PILC, {50, 100, 150}, {step(60000), step(10000, 50), step(25000)}), NoActionRequired);
        QCOMPARE(s2013.classify(PILC, {50, 100, 150}, {step(60000), step(10000, 50), step(0)}), ActionRequired);
        QCOMPARE(s2013.classify(PILC, {50, 100, 150}, {step(0), step(10000, 50), step(10000)}), NoActionRequired);
        QCOMPARE(s2013.classify(PILC, {50, 100, 150}, {step(0), step(10000, 50), step(10001)}), FurtherStudyAdvised);

        StandardIEEE2001 s2001;
        // d = 0.02 exactly: inside the good band; -0.03: further study.
        QCOMPARE(s2001.classify(PILC, {100, 200}, {step(10000), step(30000, 100)}), NoActionRequired);
        QCOMPARE(s2001.classify(PILC, {100, 200}, {step(40000), step(10000, 100)}), FurtherStudyAdvised);
        QCOMPARE(s2001.classify(PILC, {100, 200}, {step(70000), step(10000, 100)}), ActionRequired);
    }

    void verdicts2001Levels()
    {
        StandardIEEE2001 s;
        // The intermediate step is accepted; the 200 step is the reference.
        QCOMPARE(s.classify(PE, {100, 150, 200}, {step(500), step(99999, 9999), step(800, 50)}), NoActionRequired);
        QCOMPARE(s.classify(PE, {100, 150, 200}, {step(500), step(800, 50), step(2001, 50)}), ActionRequired);
        QCOMPARE(s.classify(PE, {200, 100}, {step(500), step(800, 50)}), EvaluationNotPossible);
        // Levels present but not enough values for them.
        QCOMPARE(s.classify(PE, {100, 200}, {step(500)}), EvaluationNotPossible);
        QCOMPARE(s.classify(EPR, {100, 200}, {step(5000), step(8000, 400)}), NoActionRequired);
        QCOMPARE(s.classify(EPR, {100, 200}, {step(5000), step(9000, 400)}), FurtherStudyAdvised);
        QCOMPARE(s.classify(TRXLPE, {100, 200}, {step(6000), step(7000, 400)}), NoActionRequired);
        QCOMPARE(s.classify(TRXLPE, {100, 200}, {step(6000), step(8000, 400)}), FurtherStudyAdvised);
        StandardIEEE2013 s2013;
        QCOMPARE(s2013.classify(PE, {50, 150}, {step(1000), step(1000)}), EvaluationNotPossible);
    }

    // A step without a valid value must not condemn a cable.
    void invalidMarkIsNoEvaluation()
    {
        StandardIEEE2013 s2013;
        const Levels levels{50, 100, 150};
        QCOMPARE(s2013.classify(PE, levels, {step(1000), step(TanDeltaNone, 50), step(4000)}), EvaluationNotPossible);
        QCOMPARE(s2013.classify(PE, levels, {step(TanDeltaNone), step(3000, 50), step(4000)}), EvaluationNotPossible);
        QCOMPARE(s2013.classify(PILC, levels, {step(1000), step(3000, 50), step(TanDeltaNone)}),
                 EvaluationNotPossible);
        // A step outside the evaluated ones may lack a value.
        QCOMPARE(s2013.classify(PE, {50, 100, 120, 150}, {step(1000), step(3000, 50), step(TanDeltaNone), step(4000)}),
                 NoActionRequired);
        StandardIEEE2001 s2001;
        QCOMPARE(s2001.classify(PE, {100, 200}, {step(TanDeltaNone), step(800, 50)}), EvaluationNotPossible);
        QCOMPARE(s2001.classify(PE, {100, 200}, {step(500), step(TanDeltaNone, 50)}), EvaluationNotPossible);
    }
};

QTEST_GUILESS_MAIN(TstTanDeltaEvaluation)
#include "tst_tandeltaevaluation.moc"
