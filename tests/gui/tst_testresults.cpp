#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/DataModelCase.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordBuilder.h"
#include "gui/GuiViewModel.h"
#include "uiapi/Measurement.h"
#include "gui/TestResults.h"
#include "gui/TestResultsTanDelta.h"
#include "testrun/TanDeltaPhaseData.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using M = OperatingModes;
using S = States::AppState;
namespace TD = TanDelta::evaluation;
using Values = QVector<TanDeltaMeasurementValues>;

namespace {
constexpr quint32 kClosed = 0x3FF;
constexpr quint32 kBoosterOpen = kClosed & ~(1u << 5);

stTBState booster(int power, int word)
{
    stTBState s;
    s.powerState = power;
    s.stateWord = word;
    return s;
}

Values steps(std::initializer_list<quint32> means, qint64 deviation = 0)
{
    Values out;
    for (quint32 mean : means) {
        TanDeltaMeasurementValues v;
        v.avgTanDelta = mean;
        v.stdDevTanDelta = deviation;
        out << v;
    }
    return out;
}

// "name|subname|ticks|value" per item; "-" for no value.
QStringList bars(const QList<TanDeltaCriterionItemViewModel*>& items)
{
    QStringList out;
    for (const TanDeltaCriterionItemViewModel* item : items) {
        QStringList ticks;
        for (qreal t : item->ticks())
            ticks << QString::number(t);
        out << QStringLiteral("%1|%2|%3|%4").arg(item->name(), item->subname(), ticks.join(QLatin1Char(' ')),
                                                 item->hasValue() ? QString::number(item->value()) : "-");
    }
    return out;
}

// The verdict index of each phase L1..L3 and of an index out of range.
QList<int> verdicts(const TestResultsTanDelta& td)
{
    return {td.getResultIndexForPhase(0), td.getResultIndexForPhase(1), td.getResultIndexForPhase(2),
            td.getResultIndexForPhase(5)};
}

// Tested phases, factors, insulation and standard of a step test at 0.5, 1.0, 1.5 U0.
void fill(TestResultsTanDelta& td)
{
    td.setTestedPhases(IPhaseSelect::Phases(7));
    td.setFactors({50, 100, 150}, 3);
    td.setInsulationType(TD::PE_XLPE);
    td.setStandard(TD::IEEE2013);
}
} // namespace

// The results view models over a real data model, with the English catalogue.
class TstTestResults : public QObject, public DataModelCase {
    Q_OBJECT
public:
    TstTestResults() : DataModelCase(QStringLiteral(ENGLISH_QM)) {}

private slots:
    void init() { start(); }
    void cleanup() { end(); }
    void verdictAtTheEndOfATest_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("cause");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("detail");
        QTest::addColumn<QString>("text");
        const int sine = M::VLFSin;
        QTest::newRow("passed") << sine << 1 << int(Measurement::Passed) << 1 << "Test passed";
        QTest::newRow("cancelled") << sine << 2 << int(Measurement::InteruptedByUser) << 2 << "Test interupted by user";
        QTest::newRow("unknown") << sine << 0 << int(Measurement::Unknown) << 0 << "Test result unknown";
        QTest::newRow("hv generation disabled") << sine << 24 << int(Measurement::Failed) << 24 << "Test Failed";
        QTest::newRow("breakdown") << sine << 5 << int(Measurement::Failed) << 5 << "Test Failed";
        QTest::newRow("pinpointing") << int(M::SheathPinpointing) << 24 << int(Measurement::Done) << 1 << "Done";
    }
    void verdictAtTheEndOfATest()
    {
        QFETCH(int, mode);
        QFETCH(int, cause);
        dm()->changeOperatingMode(M::OperatingMode(mode));
        dm()->setTestResult(eTestResult(cause));
        TestResults results;
        QSignalSpy finished(&results, &TestResults::testFinished);
        emit dm()->appStateChanged(S::TransferringToHistory, S::Idle);
        QCOMPARE(finished.count(), 0);
        // The last test's verdict is not this one's until the results are taken.
        emit dm()->appStateChanged(S::Idle, S::InitTest);
        QVERIFY(results.pending());
        emit dm()->appStateChanged(S::WaitHVFree, S::Idle); // a start that came to nothing
        QVERIFY(!results.pending());
        emit dm()->appStateChanged(S::Idle, S::InitTest);
        emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
        QCOMPARE(finished.count(), 4);
        QVERIFY(!results.pending());
        QTEST(results.testResult(), "verdict");
        QTEST(results.testResultDetail(), "detail");
        QTEST(results.resultString(), "text");
    }

    void detailText_data()
    {
        QTest::addColumn<int>("cause");
        QTest::addColumn<quint32>("safety");
        QTest::addColumn<quint64>("hvUnitState");
        QTest::addColumn<stTBState>("boost");
        QTest::addColumn<QString>("expected");
        const quint64 none = ~quint64(0);
        const QString breakdown = QStringLiteral("Breakdown detected at 12.3 kV");
        const QString event = QStringLiteral("Safety circuit event<br><small>");
        const QString pfc = QStringLiteral("<br><small>PFC overvoltage<br>#1</small>");
        const QString noBooster = event + "Test boost: <br>#991</small>";
        QTest::newRow("cancelled, closed, byte 0") << 2 << kClosed << quint64(0x0400) << booster(0, 0) << "";
        QTest::newRow("cancelled, source error") << 2 << kClosed << quint64(0x0401) << booster(0, 0)
                                                 << "Safety circuit event" + pfc;
        QTest::newRow("no source status") << 5 << kClosed << none << booster(0, 0) << breakdown;
        QTest::newRow("cancelled, no source status") << 2 << kClosed << none << booster(0, 0) << "";
        QTest::newRow("no detail") << 1 << quint32(0) << quint64(1) << booster(2, 0) << "";
        QTest::newRow("source error") << 5 << kClosed << quint64(0x0601) << booster(0, 0) << breakdown + pfc;
        QTest::newRow("interlock open") << 4 << kClosed - 1 << none << booster(2, 0)
                                        << event + "Interlock key<br>#1022</small>";
        QTest::newRow("booster, connector") << 4 << kBoosterOpen << quint64(0) << booster(2, 5)
                                            << event + "Test boost: HVConnector<br>#991</small>";
        QTest::newRow("booster, both") << 4 << kBoosterOpen << quint64(0) << booster(2, 1)
                                       << event + "Test boost: HVConnector& CableShieldNotConnected<br>#991</small>";
        QTest::newRow("booster, no supply") << 4 << kBoosterOpen << quint64(0) << booster(1, 7) << noBooster;
        QTest::newRow("booster, all there") << 4 << kBoosterOpen << quint64(0) << booster(2, 7) << noBooster;
        QTest::newRow("booster unknown") << 4 << kBoosterOpen << quint64(0) << booster(0, 1) << noBooster;
    }
    void detailText()
    {
        QFETCH(int, cause);
        QFETCH(quint32, safety);
        QFETCH(quint64, hvUnitState);
        QFETCH(stTBState, boost);
        stFaultValues fault;
        fault.faultVoltage = 12345000;
        QTEST(TestResults::detailText(eTestResult(cause), fault, safety, hvUnitState, boost), "expected");
    }

    void detailTextFollowsTheDataModel()
    {
        TestResults results;
        QSignalSpy finished(&results, &TestResults::testFinished);
        dm()->setTestBoostState(booster(2, 5));
        QCOMPARE(finished.count(), 1);
        dm()->setSafetyCircuitState(SafetyCircuitBits(kBoosterOpen));
        dm()->setTestResult(eTestResult_SafetyCircuitNotClosed);
        emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
        QCOMPARE(results.safetyCircuitState(), int(kBoosterOpen));
        QCOMPARE(results.resultDetailString(),
                 QStringLiteral("Safety circuit event<br><small>Test boost: HVConnector<br>#991</small>"));
        // Fault values and booster changes re-announce the result; the same state again does not.
        stFaultValues fault;
        fault.faultTime = 10;
        dm()->setFaultValues(fault);
        QCOMPARE(finished.count(), 3);
        dm()->setTestBoostState(booster(2, 5), true);
        QCOMPARE(finished.count(), 3);
        LogCapture log;
        QVERIFY(log.isRunning());
        log.delivered(QString()); // what earlier cases logged
        log.clear();
        emit dm()->TestBoostStateChanged(booster(2, 5), booster(1, 5));
        QCOMPARE(finished.count(), 4);
        const QList<LoggingData> records = log.delivered(QStringLiteral("newState :101"));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().category, int(CAT_INF));
        QCOMPARE(records.first().file + "/" + records.first().function, QStringLiteral("TestResults/testBoostStateChanged"));
    }

    void durationAsRun_data()
    {
        QTest::addColumn<bool>("periodic");
        QTest::addColumn<quint32>("ms");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("unit");
        QTest::newRow("65 s") << false << 65000u << "01:05" << "min";
        QTest::newRow("over an hour") << true << 3723000u << "01:02:03" << "h";
    }
    void durationAsRun()
    {
        QFETCH(bool, periodic);
        QFETCH(quint32, ms);
        dm()->changeOperatingMode(M::VLFSin);
        TestResults results;
        stMeasurementValues sample;
        sample.timeStamp = periodic ? 1000 : ms;
        emit dm()->updateMeasurementValues(sample);
        stPeriodicMeasurementValues record;
        record.timeStamp = ms;
        if (periodic)
            emit dm()->updatePeriodicMeasurementValues(record);
        // Leaving another state keeps the parameters; leaving the run rebuilds them.
        QSignalSpy announced(&results, &TestResults::testFinished);
        emit dm()->appStateChanged(S::TestReadyToRun, S::TestSoftStop);
        QVERIFY(results.testParameters().isEmpty());
        emit dm()->appStateChanged(S::TestRunning, S::TestSoftStop);
        QCOMPARE(announced.count(), 1);
        const FixedValueUnit* time = nullptr;
        for (const FixedValueUnit* item : results.testParameters())
            if (item->type() == FixedValueUnit::TestTime)
                time = item;
        QVERIFY(time);
        QTEST(time->value(), "value");
        QTEST(time->unit(), "unit");
    }

    void commentAndRecordNameFollowTheStore()
    {
        GuiViewModel vm;
        TestResults* results = vm.results();
        QSignalSpy changed(results, &TestResults::commentChanged);
        QSignalSpy transferred(results, &TestResults::testDataTransferred);
        // Without a record of this test (none, or a name without its folder) a comment has
        // nowhere to go.
        stExportTestInfo info;
        info.fileName = QStringLiteral("00000000123-20261207-101530.vlf");
        for (int known = 0; known < 2; ++known) {
            results->setComment(QStringLiteral("lost"));
            dm()->setHistoryTestInfo(info);
            emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
        }
        QCOMPARE(changed.count(), 0);
        QVERIFY(results->comment().isEmpty());
        info.directory = QStringLiteral("/store/20261207");
        dm()->setHistoryTestInfo(info);
        emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
        // A stopped test is left on its own once the stick has its copy, its results still
        // shown: their comment still goes to its record.
        emit dm()->appStateChanged(S::TestDataTransferred, S::Idle);
        dm()->resetTestData();
        results->setComment(QStringLiteral("  ") + QString(40, QLatin1Char('c')));
        QCOMPARE(results->comment(), QString(vm.maxCommentLength(), QLatin1Char('c')));
        QCOMPARE(dm()->getTestComment().trimmed(), results->comment());
        QCOMPARE(changed.at(0), (QVariantList{QStringLiteral("/store/20261207/00000000123-20261207-101530.vlf"),
                                              results->comment()}));

        dm()->setExportTestInfo(info);
        emit dm()->appStateChanged(S::TransferringTestData, S::TestDataTransferred);
        QCOMPARE(transferred.count(), 1);
        QCOMPARE(results->filename(), info.fileName);
        // The next test has no record to share until its own is transferred.
        emit dm()->appStateChanged(S::Idle, S::InitTest);
        QCOMPARE(transferred.count(), 2);
        QCOMPARE(results->filename(), QString());
        results->setComment(QStringLiteral("not the last test's"));
        QCOMPARE(changed.count(), 1);
    }

    void tanDeltaVerdicts()
    {
        TestResultsTanDelta td;
        td.setTestedPhases(IPhaseSelect::Phases(IPhaseSelect::L1 | IPhaseSelect::L2));
        td.setPhaseData(0, steps({1000, 1000, 1100}));
        td.setPhaseData(2, steps({1000, 1000, 1100}));
        // Without a standard.
        QCOMPARE(verdicts(td).at(0), int(TD::EvaluationNotPossible));
        QCOMPARE(verdicts(td).at(2), int(TD::PhaseNotMeasured));
        QCOMPARE(td.getResultStringWithStandardForPhase(0), QStringLiteral("Evaluation not possible"));
        QCOMPARE(td.getTanDeltaStandardName(), QString());
        td.setFactors({50, 100, 150}, 3);
        td.setInsulationType(TD::PE_XLPE);
        td.setStandard(TD::IEEE2013);
        QCOMPARE(verdicts(td), (QList<int>{TD::NoActionRequired, TD::NoData, TD::PhaseNotMeasured, TD::PhaseNotMeasured}));
        QCOMPARE((QStringList{td.getResultStringWithStandardForPhase(0), td.getResultStringWithStandardForPhase(1),
                              td.getResultStringForPhase(2), td.insulation()}),
                 (QStringList{"no action required according IEEE 400.2 (1.5U0)", "No data", "Phase not measured",
                              "PE/XLPE"}));
    }

    void tanDeltaCriterionLists_data()
    {
        QTest::addColumn<int>("insulation");
        QTest::addColumn<QVector<quint16>>("factors");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QStringList>("l1");
        const QString u0 = QStringLiteral("U\u2080");
        const QString avg = QStringLiteral("Avg. TD|@ ") + u0 + "|0 4 50 100|";
        const QString dev = QStringLiteral("\u03C3|@ ") + u0 + "|0 0.1 0.5 1|";
        const QString delta = QStringLiteral("\u0394tan\u03B4|1.5 - 0.5 ") + u0 + "|0 5 80 160|";
        const QVector<quint16> factors{50, 100, 150};
        QTest::newRow("all steps") << int(TD::PE_XLPE) << factors << int(TD::NoActionRequired)
                                   << QStringList{avg + "1", dev + "0.05", delta + "0.1"};
        QTest::newRow("no 1.0 U0 step") << int(TD::PE_XLPE) << QVector<quint16>{50, 150, 200}
                                        << int(TD::EvaluationNotPossible) << QStringList{avg + "-", dev + "-", delta + "0"};
        QTest::newRow("insulation not supported") << int(TD::Mixed) << factors << int(TD::EvaluationNotPossible)
                                                  << QStringList();
        QTest::newRow("no factors") << int(TD::PE_XLPE) << QVector<quint16>() << int(TD::EvaluationNotPossible)
                                    << QStringList();
    }
    void tanDeltaCriterionLists()
    {
        QFETCH(int, insulation);
        QFETCH(QVector<quint16>, factors);
        TestResultsTanDelta td;
        td.setTestedPhases(IPhaseSelect::Phases(7));
        td.setInsulationType(TD::eInsulationType(insulation));
        td.setFactors(factors, 3);
        td.setStandard(TD::IEEE2013);
        td.setPhaseData(0, steps({1000, 1000, 1100}, 50));
        QTEST(bars(td.criterions(0)), "l1");
        QCOMPARE(td.criterions(2).size(), td.criterions(0).size()); // untested or empty phases get bars too
        QTEST(td.getResultIndexForPhase(0), "verdict");
    }

    void tanDeltaSettersAnnounceOnlyChanges()
    {
        TestResultsTanDelta td;
        fill(td);
        QSignalSpy evaluation(&td, &TestResultsTanDelta::evaluationDataChanged);
        QSignalSpy standard(&td, &TestResultsTanDelta::standardChanged);
        QSignalSpy l1(&td, &TestResultsTanDelta::phaseL1Changed);
        fill(td);
        QCOMPARE(evaluation.count() + standard.count(), 0);
        td.setFactors({50, 100, 150}, 4); // another step count alone rebuilds
        QCOMPARE(evaluation.count(), 1);
        td.setFactors({50, 100, 150, 200}, 3); // longer than the steps: cut
        QCOMPARE(td.factors(), (QVector<int>{50, 100, 150}));
        td.setPhaseData(5, steps({1000}));
        QCOMPARE(evaluation.count(), 3);
        QCOMPARE(l1.count(), 0);
        QVERIFY(td.meanL1().isEmpty() && td.meanL2().isEmpty() && td.meanL3().isEmpty());
        td.setStandard(TD::IEEE2001);
        QCOMPARE(standard.count(), 1);
        // Factors and insulation change with the setters, so they follow the same signal.
        const QMetaObject* mo = td.metaObject();
        for (const char* name : {"factors", "insulation"})
            QCOMPARE(mo->property(mo->indexOfProperty(name)).notifySignal().name(), QByteArray("evaluationDataChanged"));

        td.clear();
        QCOMPARE(evaluation.count(), 4);
        QVERIFY(td.criterions(0).isEmpty() && td.factors().isEmpty());
        QCOMPARE(td.getResultIndexForPhase(0), int(TD::PhaseNotMeasured));
        QCOMPARE(td.insulationType(), TD::Mixed);
    }

    void criterionTicks_data()
    {
        QTest::addColumn<QVector<double>>("edges");
        QTest::addColumn<QVector<qreal>>("ticks");
        QTest::addColumn<bool>("negative");
        QTest::newRow("empty") << QVector<double>() << QVector<qreal>() << false;
        QTest::newRow("two edges") << QVector<double>{0.004, 0.05} << QVector<qreal>{0, 4, 50, 100} << false;
        QTest::newRow("symmetric") << QVector<double>{-0.05, -0.035, 0.01, 0.1}
                                   << QVector<qreal>{-100, -50, -35, 10, 100, 200} << true;
    }
    void criterionTicks()
    {
        QFETCH(QVector<double>, edges);
        QFETCH(QVector<qreal>, ticks);
        TanDeltaCriterionItemViewModel item;
        item.setTicks(edges);
        QCOMPARE(item.ticks().size(), ticks.size());
        for (int i = 0; i < ticks.size(); ++i)
            QVERIFY2(qFuzzyCompare(1.0 + item.ticks().at(i), 1.0 + ticks.at(i)), qPrintable(QString::number(i)));
        QTEST(item.hasNegativeTicks(), "negative");
    }

    void aStepWithoutValueIsNeitherMarkedNorPlotted()
    {
        TestResultsTanDelta td;
        fill(td);
        Values data = steps({1000, 1000, 1100});
        data[1].avgTanDelta = TanDeltaNone;
        td.setPhaseData(0, data);
        QVERIFY(!td.criterions(0).at(0)->hasValue() && !td.criterions(0).at(1)->hasValue());
        const QVector<qreal> mean = td.meanL1();
        QCOMPARE(mean.size(), 3);
        QVERIFY(std::isnan(mean.at(1)));
        QCOMPARE(mean.at(2), 1.1);
    }

    void threePhaseRecordFromTheDataModel()
    {
        // The summaries of a stored three-phase test, as the test worker leaves them behind.
        for (const auto& phase : TestChart::tanDeltaSummary(RecordBuilder::threePhaseTanDelta())) {
            QVector<DB::TanDeltaStep> rows;
            for (const TanDeltaMeasurementValues& v : phase.second)
                rows << DB::TanDeltaStep{v.voltage, v.avgTanDelta, v.stdDevTanDelta};
            QVERIFY(DB::getInstance()->setTanDeltaSummary(phase.first, rows));
        }
        dm()->changeOperatingMode(M::TanDelta);
        dm()->setPhasesToTest(7);
        dm()->setVoltageSteps(3);
        dm()->setCableInsulation(TD::PE_XLPE);
        dm()->setEvaluationStandard(TD::IEEE2013);
        dm()->setTestResult(eTestResult_CancelledByOp);
        TestResults results;
        emit dm()->appStateChanged(S::TransferringToHistory, S::TestFinished);
        TestResultsTanDelta& td = *results.tanDelta();
        QCOMPARE(td.factors(), (QVector<int>{50, 100, 150}));
        QCOMPARE(verdicts(td).mid(0, 3), (QList<int>{TD::NoActionRequired, TD::FurtherStudyAdvised, TD::ActionRequired}));
        QCOMPARE(td.meanL3(), (QVector<qreal>{55, 60, 70}));
        // The marker of each bar: mean, scatter and rise of L2; the rise of L3.
        const auto& l2 = td.criterions(1);
        QCOMPARE(l2.size(), 3);
        QCOMPARE(l2.at(0)->value(), 10.0);
        QVERIFY(qAbs(l2.at(1)->value() - 0.2) < 0.002);
        QCOMPARE(l2.at(2)->value(), 2.0);
        QCOMPARE(td.criterions(2).at(2)->value(), 15.0);
    }
};

QTEST_MAIN(TstTestResults)
#include "tst_testresults.moc"
