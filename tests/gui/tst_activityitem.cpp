#include "datamodel/DataModell.h"
#include "fakes/DataModelCase.h"
#include "fakes/RecordBuilder.h"
#include "gui/Activities.h"
#include "gui/ActivityItem.h"
#include "uiapi/Measurement.h"
#include "testrun/TTestChart.h"
#include "tandelta/TanDeltaFunctions.h"
#include "tandelta/TanDeltaLists.h"
#include "tandelta/TanDeltaStrings.h"
#include "testrun/TestChart.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

using M = OperatingModes;
namespace TD = TanDelta::evaluation;
using namespace TestChart;

namespace {
// "Type value unit" per item.
QStringList describe(const QList<FixedValueUnit*>& items)
{
    QStringList out;
    for (const FixedValueUnit* item : items)
        out << QStringLiteral("%1 %2 %3")
                   .arg(QMetaEnum::fromType<FixedValueUnit::ValueType>().valueToKey(item->type()), item->value(),
                        item->unit())
                   + (item->unitHint().isEmpty() ? QString() : QLatin1Char(' ') + item->unitHint());
    return out;
}

using Fill = std::function<void(ActivityItem&)>;

QByteArray resource(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The history over the record store, opening stored tests as the page does.
struct History {
    History() { activities.setTestChart(&chart); }
    // Stores the record of day 2026-12-08 and opens it; false when either fails.
    bool open(const VLF::TestData& record) { return open(RecordBuilder::store(record, QStringLiteral("20261208"))); }
    bool open(const QString& path)
    {
        QSignalSpy loaded(&activities, &Activities::dataLoaded);
        QSignalSpy failed(&activities, &Activities::dataLoadFailed);
        activities.loadActivityData(path);
        return QTest::qWaitFor([&] { return loaded.count() + failed.count() > 0; }, 20000) && loaded.count() == 1;
    }
    ActivityItem& item() { return *activities.loadedData(); }
    TTestChart chart;
    Activities activities;
};
} // namespace

Q_DECLARE_METATYPE(Fill)

// The opened stored test, alone and as the history fills it from a record file.
class TstActivityItem : public QObject, public DataModelCase {
    Q_OBJECT
public:
    TstActivityItem() : DataModelCase(QStringLiteral(ENGLISH_QM)) {}

private slots:
    void initTestCase() { Q_INIT_RESOURCE(tanDeltaStandards); }
    void init() { start(); }
    void cleanup() { end(); }

    void verdicts_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("display");
        QTest::addColumn<int>("stored");
        QTest::newRow("pinpointing is done") << 5 << 15 << int(Measurement::Done) << 1;
        QTest::newRow("unknown") << 0 << 3 << int(Measurement::Unknown) << 0;
        QTest::newRow("cancelled") << 2 << 3 << int(Measurement::InteruptedByUser) << 2;
        QTest::newRow("failed") << 7 << 3 << int(Measurement::Failed) << 7;
    }
    void verdicts()
    {
        QFETCH(int, result);
        QFETCH(int, mode);
        ActivityItem item;
        QSignalSpy loaded(&item, &ActivityItem::dataLoaded);
        item.setTestResult(eTestResult(result), M::fromInt(mode));
        QTEST(item.testResult(), "display");
        QTEST(item.testResultDetail(), "stored");
        item.clearData();
        item.setTestResult(eTestResult(result), M::fromInt(mode));
        // Announced only when the stored result changed; a cleared item keeps it.
        QFETCH(int, stored);
        QCOMPARE(loaded.count(), stored == 0 ? 0 : 1);
    }

    void parameterTexts_data()
    {
        QTest::addColumn<Fill>("fill");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("voltage") << Fill([](ActivityItem& i) { i.setMode(M::VLFSin); i.setVoltage(12345678); })
                                 << QStringList{"Voltage 12.3 kV PEAK"}; // the record's peak, so named
        QTest::newRow("time") << Fill([](ActivityItem& i) { i.setTime(90000); }) << QStringList{"TestTime 1.5 min"};
        QTest::newRow("phases") << Fill([](ActivityItem& i) { i.setPhases(5); }) << QStringList{"Phase L1 L3  "};
        QTest::newRow("duty cycle") << Fill([](ActivityItem& i) { i.setDutyCycle(333); })
                                    << QStringList{"DutyCycle 1:2 "};
        QTest::newRow("unknown duty cycle") << Fill([](ActivityItem& i) { i.setDutyCycle(300); })
                                            << QStringList{"DutyCycle 1:3 "};
        QTest::newRow("insulation out of range") << Fill([](ActivityItem& i) { i.setInsulationType(8); })
                                                 << QStringList{};
        QTest::newRow("in call order") << Fill([](ActivityItem& i) {
            i.setNumberOfVoltageLevels(3);
            i.setVoltageU0(-6000000);
        }) << QStringList{"Levels 3 ", "VoltageU0 -6.0 kV"};
    }
    void parameterTexts()
    {
        QFETCH(Fill, fill);
        ActivityItem item;
        fill(item);
        QTEST(describe(item.testParameters()), "shown");
        item.clearData();
        QVERIFY(item.testParameters().isEmpty());
    }

    void commentIsTrimmedCutAndHandedOn()
    {
        ActivityItem item;
        item.setFileInfo(QFileInfo(QStringLiteral("/m/20261208/a.vlf")));
        item.setComment(QStringLiteral(" x "));
        QSignalSpy changed(&item, &ActivityItem::commentChanged);
        QSignalSpy shown(&item, &ActivityItem::dataLoaded);
        item.writeComment(QStringLiteral("x"));
        QCOMPARE(changed.count() + shown.count(), 0);
        item.writeComment(QStringLiteral("  y "));
        QCOMPARE(item.comment(), QStringLiteral("y"));
        QCOMPARE(changed.takeFirst(), (QVariantList{QStringLiteral("/m/20261208/a.vlf"), QStringLiteral("y")}));
        QCOMPARE(shown.count(), 1);
        item.writeComment(QString(40, 'c'));
        QCOMPARE(item.comment(), QString(30, 'c'));
        // Text the record cannot hold never reaches the list.
        item.writeComment(QStringLiteral("Joint \u03A9"));
        QCOMPARE(item.comment(), QString(30, 'c'));
        QCOMPARE(changed.count(), 1);
    }

    void detailTextFollowsTheStoredFaultValues()
    {
        ActivityItem cancelled;
        cancelled.setTestResult(eTestResult_CancelledByOp, M::VLFSin);
        cancelled.setSafetyCircuitState(0x3FF);
        cancelled.setHvUnitState(0x10F); // a state word, no source status: nothing to name
        QCOMPARE(cancelled.resultDetailString(), QString());

        ActivityItem item;
        stFaultValues fault;
        fault.faultVoltage = 14500000;
        item.setFaultValues(fault);
        item.setSafetyCircuitState(0x3FF);
        item.setHvUnitState(0x200B);
        item.setTestResult(eTestResult_BreakdownDetected, M::VLFSin);
        QSignalSpy shown(&item, &ActivityItem::dataLoaded);
        stFaultValues live;
        live.faultVoltage = 3000000;
        dm()->setFaultValues(live);
        QCOMPARE(item.resultDetailString(), QStringLiteral("Breakdown detected at 14.5 kV"));
        QCoreApplication::processEvents();
        QCOMPARE(shown.count(), 0);
    }

    void storedThreePhaseTanDeltaTestOpensAsItRan()
    {
        const stFaultValues liveFault = dm()->getFaultValues();
        History history;
        QVERIFY(history.open(RecordBuilder::threePhaseTanDelta()));
        ActivityItem& item = history.item();
        QCOMPARE(item.mode(), M::TanDelta);
        // The phases are runs of one test; the last one ended it.
        QCOMPARE(item.testResultDetail(), int(eTestResult_CancelledByOp));
        QCOMPARE(item.testResult(), int(Measurement::InteruptedByUser));
        QCOMPARE(describe(item.testParameters()),
                 (QStringList{"Phase L1 L2 L3  ", "VoltageU0 12.0 kV PEAK", "Levels 3 ", "Insulation PE/XLPE "}));
        TestResultsTanDelta& td = *item.tanDelta();
        QCOMPARE(QList<int>({td.getResultIndexForPhase(0), td.getResultIndexForPhase(1), td.getResultIndexForPhase(2)}),
                 QList<int>({TD::NoActionRequired, TD::FurtherStudyAdvised, TD::ActionRequired}));
        QCOMPARE(td.meanL3(), (QVector<qreal>{55, 60, 70}));
        QCOMPARE(td.criterions(1).at(2)->value(), 2.0);
        // Every value of the three phases is a row of the table.
        QCOMPARE(item.measurementData()->table()->rowCount(), 36);
        QCOMPARE(dm()->getFaultValues(), liveFault);

        // The same test again: nothing of the first load is left over.
        QVERIFY(history.open(item.filepath()));
        QCOMPARE(item.testParameters().size(), 4);
        QCOMPARE(item.measurementData()->table()->rowCount(), 36);
    }

    // A stored test judged with an imported standard keeps its verdicts and its standard's
    // name whatever comes into or goes out of the criteria folder later.
    void anImportedStandardKeepsItsVerdicts()
    {
        const QByteArray rules = resource(QStringLiteral(":/tanDeltaStandards/1_5Uo.tds"));
        auto named = [&rules](const char* name, bool pe) {
            QByteArray out = rules;
            out.replace("IEEE 400.2 (1.5 U\xE2\x82\x80)", name);
            return pe ? out : out.replace("\"insulation\": \"PE\"", "\"insulation\": \"EPR\"");
        };
        // Imported before numbers were kept: the folder's numbers are taken as they are.
        QVERIFY(fixture().root().writeFile(QStringLiteral("/home/root/mappedPaths/appdata/tanDelta/Utility.tds"),
                                            named("Utility", true)));
        VLF::TestData record = RecordBuilder::threePhaseTanDelta();
        VLF::update(record, 0, 21, QString::number(TD::UserStandardBase));
        VLF::update(record, 0, 22, QString::number(TD::PE)); // a cable the imported rules know
        History history;
        auto shown = [&history, &record]() {
            if (!history.open(record))
                return QStringList{QStringLiteral("not opened")};
            TestResultsTanDelta& td = *history.item().tanDelta();
            return QStringList{td.getTanDeltaStandardName(), td.getResultStringForPhase(0),
                               td.getResultStringForPhase(1), td.getResultStringForPhase(2)};
        };
        const QStringList judged = shown();
        QCOMPARE(judged.at(1), TanDelta::strings::evaluationResultText(TD::NoActionRequired, nullptr));
        QCOMPARE(judged.at(3), TanDelta::strings::evaluationResultText(TD::ActionRequired, nullptr));
        QCOMPARE(judged.first(), QStringLiteral("Utility"));

        const QString stick = fixture().root().path(QStringLiteral("/media/USB"));
        QVERIFY(fixture().root().writeFile(QStringLiteral("/media/USB/first.tds"), named("Aardvark", true)));
        QVERIFY(fixture().root().writeFile(QStringLiteral("/media/USB/changed.tds"), named("Utility", false)));
        QVERIFY(TanDelta::functions::evaluationStandardImport(stick + QStringLiteral("/first.tds")));
        QCOMPARE(shown(), judged);
        QVERIFY(TanDelta::functions::evaluationStandardRemove(TD::UserStandardBase));
        const QStringList gone = QStringList{QStringLiteral("Utility (no longer installed)")} + judged.mid(1);
        QCOMPARE(shown(), gone);
        // The changed file of the same name is another standard, with a number of its own.
        QVERIFY(TanDelta::functions::evaluationStandardImport(stick + QStringLiteral("/changed.tds")));
        QCOMPARE(TD::allEvaluationStandards().mid(3), (QVector<TD::eEvaluationStandard>{TD::userStandardId(1),
                                                                                         TD::userStandardId(2)}));
        QCOMPARE(shown(), gone);
    }

    void replayedChartsSkipMissingValuesAndKeepTheFrequency()
    {
        RecordBuilder sine;
        sine.test(M::MWTSingle, 12000000, 60000, 1).run(RecordBuilder::Run());
        sine.periodic(1, 1000, 12000000, 5000, 0).periodic(1, 2000, 12000000, 5000, 1500);
        RecordBuilder rect;
        RecordBuilder::Run leakage;
        leakage.frequency = 100;
        rect.test(M::VLFRect, 20000000, 60000, 1).run(leakage);
        History history;
        ActivityItem& item = history.item();
        QVERIFY(history.open(sine.build(1)));
        QCOMPARE(item.measurementData()->table()->rowCount(), 1);
        // A rectangular test at the leakage frequency charts its leakage, whatever ran last.
        dm()->setFrequencyUsed(500);
        QVERIFY(history.open(rect.build(1)));
        QVERIFY(item.measurementData()->diagram()->secondarySeries() != nullptr);
    }

    void historyOpensOnlyWhatNamesARecord()
    {
        TTestChart chart;
        Activities activities;
        ActivityItem& item = *activities.loadedData();
        item.setComment(QStringLiteral("kept"));
        QSignalSpy requested(&activities, &Activities::loadData);
        activities.loadActivityData(QStringLiteral("/m/a.vlf")); // no record store yet
        activities.setTestChart(&chart);
        activities.loadActivityData(QString());
        QCOMPARE(requested.count(), 0);
        QCOMPARE(item.comment(), QStringLiteral("kept"));

        QSignalSpy failed(&activities, &Activities::dataLoadFailed);
        activities.loadActivityData(QStringLiteral("/m/a.vlf"));
        QCOMPARE(requested.count(), 1);
        QCOMPARE(failed.count(), 1);
    }
};

QTEST_MAIN(TstActivityItem)
#include "tst_activityitem.moc"
