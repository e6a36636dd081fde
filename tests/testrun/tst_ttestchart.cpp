#include "fakes/DataModelFixture.h"
#include "fakes/RecordingActivityItem.h"
#include "datamodel/DataModell.h"
#include "testrun/File.h"
#include "core/GlobalFuncs.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordBuilder.h"
#include "fakes/RecordingGui.h"
#include "testrun/TTestChart.h"
#include "testrun/TestChart.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>
#include <QtTest>

#include <sys/stat.h>

#include <algorithm>

using namespace TestChart;
using VLF::TestData;

namespace {

const QString kDay = QStringLiteral("20261207");

// A two-phase tan delta record: L1 in run 1 (three steps of 4 samples), L3 in run 2
// (cut short after 6 samples).
TestData tanDeltaRecord()
{
    RecordBuilder b;
    b.info(0, 0, qint64(4)).info(0, 10, QStringLiteral("123"));
    b.test(OperatingModes::TanDelta, 12000000, 600000, 5).cableNumber(QStringLiteral(" K-1 "));
    b.tanDelta(TanDelta::evaluation::IEEE2001, TanDelta::evaluation::Mixed, 3, 4, {50, 100, 150});
    RecordBuilder::Run first;
    first.start = QStringLiteral("2026-12-07T10:15:30.250");
    first.result = eTestResult_BreakdownDetected;
    first.safetyCircuit = 677;
    first.hvUnitState = QStringLiteral("18446744069414584321");
    first.comment = QStringLiteral("first");
    b.run(first).load(1, QStringLiteral("123456789012"), QStringLiteral("4321"));
    b.fault(1, 1500, -20000, QStringLiteral("4294967296")).info(2, 17, qint64(2));
    b.sample(1, 100, 1000, -5).sample(1, 200, 2000, 7).sample(2, 300, 3000, 9);
    for (int i = 0; i < 12; ++i)
        b.periodic(1, 1000 + i, 6000 * (1 + i / 4), -3, 100 * (1 + i / 4));
    for (int i = 0; i < 6; ++i)
        b.periodic(2, 2000 + i, i < 4 ? 7000 : 9000, 4, i < 4 ? 700 : 900);
    return b.build(2);
}

// A cosine-rectangular record without fault values.
TestData cosRectRecord(const QString& start, const QString& comment)
{
    TestData d;
    VLF::insert(d, 0, 10, QStringLiteral("123"));
    VLF::insert(d, 0, 12, qint64(OperatingModes::VLFCosRect));
    VLF::insert(d, 0, 13, qint64(20000000));
    VLF::insert(d, 0, 15, qint64(3600000));
    VLF::insert(d, 0, 17, qint64(7));
    VLF::insert(d, 0, 34, QStringLiteral("K-2"));
    VLF::insert(d, 0, 42, QStringLiteral("K-2"));
    VLF::insert(d, 1, 16, qint64(100));
    VLF::insert(d, 1, 15, start);
    VLF::insert(d, 1, 28, qint64(eTestResult_FinishedSuccess));
    VLF::insert(d, 1, 25, comment);
    VLF::insert(d, 1, 26, QStringLiteral("5"));
    VLF::insert(d, 1, 27, QStringLiteral("6"));
    VLF::insert(d, 0, 11, QStringLiteral("1"));
    return d;
}

QString parameterNames(const RecordingActivityItem& item)
{
    QStringList names;
    for (const auto& p : item.parameters)
        names << QStringLiteral("%1=%2").arg(p.first).arg(p.second);
    return names.join(QLatin1Char(' '));
}

} // namespace

class TstTTestChart : public QObject {
    Q_OBJECT

    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<RecordingGui> m_gui;
    DataModell* m_dm = nullptr;

    const TempRoot& root() const { return m_fixture->root(); }
    QString store() const { return GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements); }
    QString stick() const { return GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements); }

    // Writes a record into its day folder of the internal store; returns its path.
    QString storeRecord(const TestData& data, const QString& day = kDay)
    {
        const QString folder = store() + QLatin1Char('/') + day;
        QDir().mkpath(folder);
        const QString path = folder + QLatin1Char('/') + exportFileName(data);
        if (!VLF::File::write(path, data))
            return QString();
        return path;
    }

    static TestData readBack(const QString& path)
    {
        TestData d;
        VLF::File::read(path, d, true);
        return d;
    }

    static QByteArray bytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // A chart that shows its messages and progress in the test's window.
    struct ShownChart : TTestChart {
        explicit ShownChart(IGUI* gui) { setGui(gui); }
    };

    // The rename's one answer: the name taken, empty when refused.
    static QString renamedTo(TTestChart& chart, const QString& name)
    {
        QSignalSpy told(&chart, &TTestChart::measurementNameChanged);
        chart.changeMeasurementName(name);
        if (!QTest::qWaitFor([&] { return told.count() > 0; }, 5000))
            return QStringLiteral("<no answer>");
        return told.count() == 1 ? told.at(0).at(0).toString() : QStringLiteral("<%1 answers>").arg(told.count());
    }

    // The history's flows go on when their job ends; each of these runs one to its end.
    static bool opened(TTestChart& chart, const QString& path, IActivityItem* item)
    {
        QSignalSpy loaded(&chart, &TTestChart::dataLoaded);
        QSignalSpy failed(&chart, &TTestChart::dataLoadFailed);
        return chart.loadData(path, item)
            && QTest::qWaitFor([&] { return loaded.count() + failed.count() > 0; }, 20000) && loaded.count() == 1;
    }
    // The export's outcome; false also when it was refused.
    static bool exported(TTestChart& chart, const QStringList& files, QString* target = nullptr)
    {
        QSignalSpy done(&chart, &TTestChart::measurementsCopied);
        if (!chart.copyMeasurements(files) || !QTest::qWaitFor([&] { return done.count() > 0; }, 20000))
            return false;
        if (target)
            *target = done.at(0).at(1).toString();
        return done.at(0).at(0).toBool();
    }
    static void deleted(TTestChart& chart, const QStringList& files)
    {
        QSignalSpy done(&chart, &TTestChart::measurementsDeleted);
        QVERIFY(chart.deleteMeasurements(files));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tsthistory"));
        registerInstrumentTypes();
        // What is written counts here, not how long a progress step stays up.
        GlobalFuncs::setShownWaitScale(0.01);
        m_log = std::make_unique<LogCapture>();
        QVERIFY(m_log->isRunning());
    }
    void cleanupTestCase() { m_log.reset(); }

    void init()
    {
        m_log->clear();
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_dm = m_fixture->dm();
        m_gui = std::make_unique<RecordingGui>();
        GlobalFuncs::setGUI(m_gui.get());
        QVERIFY(!root().insertStick().isEmpty());
    }

    void cleanup()
    {
        GlobalFuncs::setGUI(nullptr);
        m_gui.reset();
        m_dm = nullptr;
        m_fixture.reset();
    }

    // --- waiting -------------------------------------------------------------

    void callerTimersKeepFiringDuringASlowJob()
    {
        int ticks = 0;
        QTimer timer;
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start();
        const bool result = TTestChart::waitForFinished(QtConcurrent::run([] {
            QThread::msleep(600);
            return false;
        }));
        QCOMPARE(result, false);
        // 30 ticks when idle; a loaded machine still gives several.
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QVERIFY(TTestChart::waitForFinished(QtConcurrent::run([] { return true; })));
    }

    // --- load ----------------------------------------------------------------

    void loadRefusesNullItemsAndMissingFiles()
    {
        ShownChart chart(m_gui.get());
        QVERIFY(chart.captureData(QString()));
        const TestData before = chart.record();
        QCOMPARE(VLF::info(before, 0, 11), QStringLiteral("1")); // a fresh record starts with run 1
        QSignalSpy failed(&chart, &TTestChart::dataLoadFailed);
        QSignalSpy loaded(&chart, &TTestChart::dataLoaded);
        const QString path = storeRecord(tanDeltaRecord());
        QVERIFY(!path.isEmpty());

        QVERIFY(!chart.loadData(path, nullptr));
        RecordingActivityItem item;
        QVERIFY(!chart.loadData(store() + QStringLiteral("/20261207/missing.vlf"), &item));
        QVERIFY(!chart.loadData(store() + QStringLiteral("/20261207"), &item)); // a folder is no record
        QCOMPARE(failed.count(), 3);
        QCOMPARE(loaded.count(), 0);
        QVERIFY(chart.record() == before);
        QVERIFY(item.parameters.isEmpty());
    }

    void loadOfADamagedFileFailsAndKeepsTheCapturedRecord()
    {
        ShownChart chart(m_gui.get());
        QVERIFY(chart.captureData(QString()));
        const TestData before = chart.record();
        const QString path = storeRecord(tanDeltaRecord());
        QByteArray content = bytes(path);
        content.chop(5);
        QVERIFY(root().writeFile(path.mid(root().root().size()), content));

        QSignalSpy failed(&chart, &TTestChart::dataLoadFailed);
        RecordingActivityItem item;
        QVERIFY(!opened(chart, path, &item));
        QCOMPARE(failed.count(), 1);
        QVERIFY(chart.record() == before);
        QVERIFY(item.measurements.isEmpty());
    }

    void loadFillsTheItemInOrder()
    {
        ShownChart chart(m_gui.get());
        const QString path = storeRecord(tanDeltaRecord());
        QSignalSpy loaded(&chart, &TTestChart::dataLoaded);
        RecordingActivityItem item;
        QVERIFY(opened(chart, path, &item));
        QCOMPARE(loaded.count(), 1);

        // The graphs are built at the record's frequency, so it comes before the mode.
        QCOMPARE(item.calls.mid(0, 8), (QStringList{"Clear", "FileInfo", "TestResult", "SafetyCircuitState",
                                                     "HvUnitState", "FaultValues", "FrequencyUsed", "Mode"}));
        QCOMPARE(item.frequencyUsed, qint64(100));
        QCOMPARE(item.file.absoluteFilePath(), QFileInfo(path).absoluteFilePath());
        QCOMPARE(item.result, eTestResult_BreakdownDetected);
        QCOMPARE(item.safetyCircuitState, quint64(677));
        QCOMPARE(item.hvUnitState, quint64(0xFFFFFFFF00000001ULL));
        QCOMPARE(item.mode, OperatingModes::TanDelta);
        QCOMPARE(item.comment, QStringLiteral("first"));
        QCOMPARE(item.cableNumber, QStringLiteral("K-1"));
        QCOMPARE(parameterNames(item),
                 QStringLiteral("Resistor=123456789012 Capacity=4321 Frequency=100 Phases=5 VoltageU0=12000000 "
                                "NumberOfVoltageLevels=3 InsulationType=2 EvaluationStandard=1"));

        // The stored fault values go to the item; the live test's stay as they were.
        QCOMPARE(m_dm->getFaultValues(), stFaultValues());
        const stFaultValues fault = item.faultValues;
        QCOMPARE(fault.faultTime, 1500);
        QCOMPARE(fault.faultVoltage, -20000);
        QCOMPARE(fault.leakageCurrent, quint64(4294967296ULL));

        const auto samples = item.measurements;
        QCOMPARE(samples.size(), 3);
        QCOMPARE(samples.at(0).timeStamp, 100u);
        QCOMPARE(samples.at(0).voltage, 1000);
        QCOMPARE(samples.at(0).current, qint64(-5));
        QCOMPARE(samples.at(2).voltage, 3000);
        const auto periodic = item.periodic;
        QCOMPARE(periodic.size(), 18);
        QCOMPARE(periodic.at(0).current, qint64(-3));
        QCOMPARE(periodic.at(12).tanDelta, 700u);

        QCOMPARE(item.voltageFactors, (QVector<quint16>{50, 100, 150}));
        QCOMPARE(item.voltageFactorSteps, 3u);
        const auto tanDelta = item.tanDelta;
        QCOMPARE(tanDelta.keys(), (QList<int>{0, 2}));
        QCOMPARE(tanDelta.value(0).size(), 3);
        QCOMPARE(tanDelta.value(0).at(0).avgTanDelta, 100u);
        QCOMPARE(tanDelta.value(0).at(2).avgTanDelta, 300u);
        QCOMPARE(tanDelta.value(0).at(2).voltage, qint64(18000));
        // L3 keeps its own samples although L1 was longer than its steps.
        QCOMPARE(tanDelta.value(2).size(), 2);
        QCOMPARE(tanDelta.value(2).at(0).avgTanDelta, 700u);
        QCOMPARE(tanDelta.value(2).at(0).voltage, qint64(7000));
        QCOMPARE(tanDelta.value(2).at(1).avgTanDelta, 900u);
        QCOMPARE(tanDelta.value(2).at(1).stdDevTanDelta, qint64(0));
    }

    void loadThinsALongRecordToWhatTheChartsShow()
    {
        // 120 minutes of samples with one spike in the middle: the last two minutes stay
        // whole, the rest keeps the peaks of each stretch.
        const QDateTime start(QDate(2026, 12, 7), QTime(8, 0));
        TestData data = RecordBuilder::benchRecord(start, 72000, 720, OperatingModes::VLFSin, QStringLiteral("K-9"));
        data.measure[30000].voltage = 90000000;
        ShownChart chart(m_gui.get());
        RecordingActivityItem item;
        QVERIFY(opened(chart, storeRecord(data), &item));
        const auto& samples = item.measurements;
        QVERIFY2(samples.size() < 72000 / 10, qPrintable(QString::number(samples.size())));
        QVERIFY(std::is_sorted(samples.cbegin(), samples.cend(),
                               [](const stMeasurementValues& a, const stMeasurementValues& b) { return a.timeStamp < b.timeStamp; }));
        QVERIFY(std::any_of(samples.cbegin(), samples.cend(), [](const stMeasurementValues& v) { return v.voltage == 90000000; }));
        const auto tail = std::find_if(samples.cbegin(), samples.cend(),
                                       [](const stMeasurementValues& v) { return v.timeStamp >= 7199900 - 120000; });
        QCOMPARE(samples.cend() - tail, 1201);
        QCOMPARE(item.periodic.size(), 720); // too few to thin
    }

    void loadOfAnotherModeUsesItsParametersAndZeroFaultValues()
    {
        ShownChart chart(m_gui.get());
        TestData record = cosRectRecord(QStringLiteral("2026-12-07T11:00:00.000"), QString());
        VLF::insert(record, 1, 500, 20000000, 7, 0); // a period without a tan delta
        const QString path = storeRecord(record);
        RecordingActivityItem item;
        // A second load into the same item replaces what the first one put there.
        QVERIFY(opened(chart, storeRecord(tanDeltaRecord()), &item));
        QVERIFY(opened(chart, path, &item));
        QCOMPARE(parameterNames(item), QStringLiteral("Resistor=5 Capacity=6 Frequency=100 Phases=7 Voltage=20000000 "
                                                      "Time=3600000 DutyCycle=100"));
        QVERIFY(item.measurements.isEmpty());
        QCOMPARE(item.periodic.size(), 1);
        QCOMPARE(item.periodic.at(0).tanDelta, TanDeltaNone);
        QVERIFY(item.tanDelta.isEmpty());
        QCOMPARE(item.result, eTestResult_FinishedSuccess);
        const stFaultValues fault = item.faultValues;
        QCOMPARE(fault.faultTime, 0);
        QCOMPARE(fault.faultVoltage, 0);
        QCOMPARE(fault.leakageCurrent, quint64(0));
    }

    void aLoadDuringACaptureLeavesTheCaptureWhole()
    {
        TestData big = tanDeltaRecord();
        for (int i = 0; i < 2000; ++i)
            VLF::insert(big, 2, i, i, i, i);
        const QString bigPath = storeRecord(big);
        const QString other = storeRecord(cosRectRecord(QStringLiteral("2026-12-07T12:00:00.000"), QString()));
        ShownChart chart(m_gui.get());
        RecordingActivityItem item;
        bool loadResult = false;
        bool capturing = true;
        bool loadedWhileCapturing = false;
        // The pool's only thread is held until the load is asked for, so the capture's
        // read cannot end before the load runs inside its wait, however busy the machine.
        QThreadPool* pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        QSemaphore gate;
        QFuture<bool> held = QtConcurrent::run([&gate] { return gate.tryAcquire(1, 20000); });
        const auto restorePool = qScopeGuard([&] {
            gate.release();
            held.waitForFinished();
            pool->setMaxThreadCount(threads);
        });
        QTimer::singleShot(0, &chart, [&] {
            loadedWhileCapturing = capturing;
            gate.release();
            loadResult = chart.loadData(other, &item);
        });
        QVERIFY(chart.captureData(bigPath));
        capturing = false;
        QTRY_VERIFY(loadResult);
        QTRY_COMPARE(item.mode, OperatingModes::VLFCosRect);
        QVERIFY(held.result());
        QVERIFY(loadedWhileCapturing);
        const TestData captured = chart.record();
        QCOMPARE(VLF::info(captured, 0, 11), QStringLiteral("3")); // a further run of the big record
        QCOMPARE(VLF::info(captured, 0, 12), QString::number(OperatingModes::TanDelta));
        QCOMPARE(captured.periodic.size(), big.periodic.size());
        QCOMPARE(item.mode, OperatingModes::VLFCosRect);
    }

    void captureOfAMissingFileFailsWithAnEmptyRecord()
    {
        ShownChart chart(m_gui.get());
        QVERIFY(chart.captureData(QString()));
        QVERIFY(!chart.captureData(store() + QStringLiteral("/none.vlf")));
        QVERIFY(chart.record() == TestData());
        QCOMPARE(m_log->delivered(QStringLiteral("FileName: ") + store() + QStringLiteral("/none.vlf")).size(), 1);
    }

    void saveWritesTheCapturedRecordIntoItsDayFolder()
    {
        m_dm->setTestTime(TestTime_Start, QDateTime(QDate(2026, 12, 7), QTime(9, 8, 7)));
        ShownChart chart(m_gui.get());
        QVERIFY(chart.captureData(QString()));
        QVERIFY(chart.saveData(GlobalFuncs::InternalMeasurements));
        const TestData saved = chart.record();
        const QString path = store() + QStringLiteral("/20261207/") + exportFileName(saved);
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        QVERIFY(readBack(path) == saved);
        chart.clearData();
        QVERIFY(chart.record() == TestData());
    }

    // --- history list --------------------------------------------------------

    void historyListsTheInternalStore()
    {
        const QString good = storeRecord(tanDeltaRecord());
        QVERIFY(root().writeFile(store().mid(root().root().size())
                                      + QStringLiteral("/20261207/00000000123-20261207-120000-VLFSin.vlf"),
                                  QByteArray("not a record")));
        // The working directory holds something else entirely.
        QTemporaryDir elsewhere;
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(elsewhere.path());
        ShownChart chart(m_gui.get());
        const ActivityTypes::ActivityEntryList list = chart.loadActivities();
        QDir::setCurrent(oldCwd);

        QStringList paths;
        int folders = 0;
        for (const auto& e : list) {
            if (e.type == ActivityTypes::Folder)
                ++folders;
            else
                paths << e.path;
        }
        QCOMPARE(folders, 1);
        QCOMPARE(paths, QStringList{QFileInfo(good).absoluteFilePath()}); // the damaged one is left out
    }

    // --- comment and cable number ---------------------------------------------

    void commentAndCableNumberAreRewritten()
    {
        const QString path = storeRecord(tanDeltaRecord());
        ShownChart chart(m_gui.get());
        chart.changeMeasurementComment(path, QStringLiteral("second look")).waitForFinished();
        chart.changeMeasurementCableNumber(path, QStringLiteral("K-9")).waitForFinished();
        const TestData d = readBack(path);
        QCOMPARE(VLF::info(d, 1, 25), QStringLiteral("second look"));
        QCOMPARE(VLF::info(d, 0, 34), QStringLiteral("K-9"));
        QCOMPARE(VLF::info(d, 0, 42), QStringLiteral("K-9"));
        QCOMPARE(d.periodic, tanDeltaRecord().periodic);
        QVERIFY(VLF::File::verify(path));
        QVERIFY(m_gui->calls.isEmpty());
        QVERIFY(!QFileInfo::exists(path + QStringLiteral(".tmp")));
    }

    // A cable number the narrow key cannot hold is shown as the operator typed it,
    // the same in the opened record as in the history list.
    void openedRecordShowsTheFullCableNumber()
    {
        const QString number = QStringLiteral("K\u20AC-17");
        TestData d = cosRectRecord(QStringLiteral("2026-12-07T08:00:00.000"), QStringLiteral("c"));
        const QString path = storeRecord(d);
        QVERIFY(updateCableNumber(path, number));
        QVERIFY(VLF::info(readBack(path), 0, 34) != number); // the narrow copy lost the sign

        ShownChart chart(m_gui.get());
        RecordingActivityItem item;
        QVERIFY(opened(chart, path, &item));
        QCOMPARE(item.cableNumber, number);
        ActivityTypes::stActivityEntry entry;
        QVERIFY(measurementEntry(QFileInfo(path), entry));
        QCOMPARE(entry.cableNumber, number);

        // Older records carry only the narrow key.
        TestData old = cosRectRecord(QStringLiteral("2026-12-07T09:00:00.000"), QStringLiteral("c"));
        old.info.erase(std::remove_if(old.info.begin(), old.info.end(),
                                      [](const TestData::Info& i) { return i.group == 0 && i.key == 42; }),
                       old.info.end());
        const QString oldPath = storeRecord(old);
        QVERIFY(opened(chart, oldPath, &item));
        QCOMPARE(item.cableNumber, QStringLiteral("K-2"));
    }

    void failedRewritesShowAnError()
    {
        ShownChart chart(m_gui.get());
        connect(&chart, &TTestChart::showMessageDlg, m_gui.get(),
                qOverload<MessageCategories, const QList<TransObject>&, bool, bool>(&IGUI::showMessageDlg));
        const QString missing = store() + QStringLiteral("/20261207/missing.vlf");
        chart.changeMeasurementComment(missing, QStringLiteral("x"));
        QTRY_COMPARE(m_gui->callsOf(QStringLiteral("showMessageDlg")).size(), 2);
        QVERIFY(m_gui->hasMessage(QStringLiteral("Menu"), QStringLiteral("Activities")));
        QVERIFY(m_gui->hasMessage(QStringLiteral("ErrorMessages"), QStringLiteral("ErrorWhileWritingData")));
        QCOMPARE(m_gui->calls.at(1).category, int(CAT_ERR));
        auto logged = m_log->delivered(QStringLiteral("Can't update comment in file: ") + missing);
        QCOMPARE(logged.size(), 1);
        QCOMPARE(logged.at(0).category, int(CAT_ERR));
        QCOMPARE(logged.at(0).function, QStringLiteral("changeMeasurementComment"));

        m_gui->calls.clear();
        chart.changeMeasurementCableNumber(missing, QStringLiteral("x"));
        QTRY_VERIFY(m_gui->hasMessage(QStringLiteral("ErrorMessages"), QStringLiteral("ErrorWhileWritingData")));
        QCOMPARE(m_log->delivered(QStringLiteral("Can't update cable number in file: ") + missing).size(), 1);
        QVERIFY(!QFileInfo::exists(missing));
    }

    // --- rename ----------------------------------------------------------------

    void renameMovesTheLastExportedRecord()
    {
        const QString path = storeRecord(tanDeltaRecord());
        const QFileInfo file(path);
        stExportTestInfo info;
        info.directory = file.absolutePath();
        info.fileName = file.fileName();
        m_dm->setExportTestInfo(info);

        ShownChart chart(m_gui.get());
        QCOMPARE(renamedTo(chart, QStringLiteral("renamed.vlf")), QStringLiteral("renamed.vlf"));
        QVERIFY(!file.exists());
        QVERIFY(QFileInfo::exists(info.directory + QStringLiteral("/renamed.vlf")));
        QCOMPARE(m_dm->getExportTestInfo().fileName, QStringLiteral("renamed.vlf"));
        QCOMPARE(m_dm->getExportTestInfo().directory, info.directory);
    }

    void renameAfterSavingToTheStick()
    {
        m_dm->setTestTime(TestTime_Start, QDateTime(QDate(2026, 12, 7), QTime(9, 8, 7)));
        ShownChart chart(m_gui.get());
        QVERIFY(chart.captureData(QString()));
        QVERIFY(chart.saveData(GlobalFuncs::UsbMeasurements));
        const QString saved = stick() + QStringLiteral("/20261207/") + exportFileName(chart.record());
        QVERIFY(QFileInfo::exists(saved));
        QCOMPARE(renamedTo(chart, QStringLiteral("cable K-1.vlf")), QStringLiteral("cable K-1.vlf"));
        QVERIFY(!QFileInfo::exists(saved));
        QVERIFY(readBack(stick() + QStringLiteral("/20261207/cable K-1.vlf")) == chart.record());
    }

    void renameRefusesNamesThatLeaveTheFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("dot") << QStringLiteral(".");
        QTest::newRow("dot dot") << QStringLiteral("..");
        QTest::newRow("up") << QStringLiteral("../x.vlf");
        QTest::newRow("sub") << QStringLiteral("a/b.vlf");
        QTest::newRow("backslash") << QStringLiteral("..\\x.vlf");
        QTest::newRow("taken") << QStringLiteral("taken.vlf");
    }
    void renameRefusesNamesThatLeaveTheFolder()
    {
        QFETCH(QString, name);
        const QString path = storeRecord(tanDeltaRecord());
        const QFileInfo file(path);
        QVERIFY(root().writeFile(store().mid(root().root().size()) + QStringLiteral("/20261207/taken.vlf"),
                                  QByteArray("keep")));
        QDir().mkpath(file.absolutePath() + QStringLiteral("/a"));
        stExportTestInfo info;
        info.directory = file.absolutePath();
        info.fileName = file.fileName();
        m_dm->setExportTestInfo(info);

        ShownChart chart(m_gui.get());
        QCOMPARE(renamedTo(chart, name), QString());
        QVERIFY(file.exists());
        QCOMPARE(bytes(file.absolutePath() + QStringLiteral("/taken.vlf")), QByteArray("keep"));
        QVERIFY(!QFileInfo::exists(store() + QStringLiteral("/x.vlf")));
        QVERIFY(!QFileInfo::exists(file.absolutePath() + QStringLiteral("/a/b.vlf")));
        QCOMPARE(m_dm->getExportTestInfo().fileName, info.fileName);
    }

    void renameWithoutAnExportedRecordFails()
    {
        ShownChart chart(m_gui.get());
        QCOMPARE(renamedTo(chart, QStringLiteral("x.vlf")), QString());
    }

    // --- delete ----------------------------------------------------------------

    void deleteRemovesFilesAndTheirEmptiedDayFolder()
    {
        const QString a = storeRecord(tanDeltaRecord());
        const QString b = storeRecord(cosRectRecord(QStringLiteral("2026-12-07T11:00:00.000"), QString()));
        const QString c = storeRecord(cosRectRecord(QStringLiteral("2026-12-08T11:00:00.000"), QString()),
                                      QStringLiteral("20261208"));
        ShownChart chart(m_gui.get());
        deleted(chart, {a});
        QVERIFY(!QFileInfo::exists(a));
        QVERIFY(QFileInfo::exists(b)); // the day folder still holds a record
        deleted(chart, {c});
        QVERIFY(!QFileInfo::exists(c));
        QVERIFY(!QFileInfo::exists(store() + QStringLiteral("/20261208")));
        QVERIFY(QFileInfo::exists(store() + QStringLiteral("/20261207")));

        const auto shown = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        const auto closed = m_gui->callsOf(QStringLiteral("closeDlg"));
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0).category, int(CAT_PERSISTENT));
        QCOMPARE(shown.at(0).context, QStringLiteral("InfoMessages"));
        QCOMPARE(shown.at(0).key, QStringLiteral("DeletingAllData"));
        QCOMPARE(closed.size(), 2);
        QCOMPARE(closed.at(0).id, shown.at(0).id);
        QCOMPARE(closed.at(1).id, shown.at(1).id);
        QCOMPARE(closed.at(0).closeType, int(IGUI::Accepted));
    }

    void deleteOfEverythingRemovesTheWholeStoreOnly()
    {
        storeRecord(tanDeltaRecord());
        storeRecord(cosRectRecord(QStringLiteral("2026-12-08T11:00:00.000"), QString()), QStringLiteral("20261208"));
        QVERIFY(root().writeFile(QStringLiteral("/home/root/keep.txt"), QByteArray("k")));
        ShownChart chart(m_gui.get());
        deleted(chart, {});
        QVERIFY(!QFileInfo::exists(store()));
        QCOMPARE(root().readFile(QStringLiteral("/home/root/keep.txt")), QByteArray("k"));
        QVERIFY(QFileInfo::exists(GlobalFuncs::getAppDataPath()));
        QCOMPARE(m_gui->callsOf(QStringLiteral("closeDlg")).size(), 1);
    }

    // --- export ----------------------------------------------------------------

    void exportWithoutAStickAsksForOneAndCopiesNothing()
    {
        const QString path = storeRecord(tanDeltaRecord());
        QVERIFY(root().pullStick());
        ShownChart chart(m_gui.get());
        QString target;
        QVERIFY(!exported(chart, {path}, &target));
        QCOMPARE(m_gui->callsOf(QStringLiteral("requestUSBConnDlg")).size(), 1);
        QVERIFY(m_gui->callsOf(QStringLiteral("requestProgressDlg")).isEmpty());
        QVERIFY(!m_gui->hasMessage(QStringLiteral("History"), QStringLiteral("DataSuccessfullyExported")));
        QVERIFY(!QFileInfo::exists(root().path(QStringLiteral("/media/USB"))));
        QVERIFY(QDir(root().path(QStringLiteral("/stick"))).isEmpty());
    }

    void exportCopiesIntoTheMeasurementsFolder()
    {
        const QString path = storeRecord(tanDeltaRecord());
        ShownChart chart(m_gui.get());
        QString target;
        QVERIFY(exported(chart, {path}, &target));
        const QString copy = stick() + QStringLiteral("/20261207/") + QFileInfo(path).fileName();
        QCOMPARE(target, stick() + QStringLiteral("/20261207/"));
        QCOMPARE(bytes(copy), bytes(path));
        // The copy carries the record's own time, not the time of the copy.
        struct stat source {}, copied {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &source), 0);
        QCOMPARE(::stat(QFile::encodeName(copy).constData(), &copied), 0);
        const QFileInfo info(path);
        const QDateTime born = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
        QCOMPARE(qint64(copied.st_mtime), born.toSecsSinceEpoch());

        const auto progress = m_gui->callsOf(QStringLiteral("requestProgressDlg"));
        QCOMPARE(progress.size(), 1);
        QCOMPARE(progress.at(0).context, QStringLiteral("TransferringTestData..."));
        QCOMPARE(progress.at(0).arguments, (QStringList{"0", "1", "1", "0"}));
        QCOMPARE(m_gui->callsOf(QStringLiteral("incrementProgressDlg")).size(), 1);
        QCOMPARE(m_gui->callsOf(QStringLiteral("closeDlg")).at(0).id, progress.at(0).id);
        const auto shown = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).category, int(CAT_INF));
        QCOMPARE(shown.at(0).context, QStringLiteral("History"));
        QCOMPARE(shown.at(0).key, QStringLiteral("DataSuccessfullyExported"));
        QCOMPARE(shown.at(0).arguments, QStringList{QStringLiteral("USB:") + target.mid(GlobalFuncs::getUsbPath(7).size())});
        QVERIFY(shown.at(0).arguments.at(0).startsWith(QStringLiteral("USB:/")));
        QVERIFY(shown.at(0).arguments.at(0).endsWith(QStringLiteral("/Measurements/20261207/")));
    }

    void exportComparesContentsNotSizes()
    {
        const QString path = storeRecord(tanDeltaRecord());
        const QString name = QFileInfo(path).fileName();
        const QString stem = name.left(name.size() - 4);
        ShownChart chart(m_gui.get());
        QVERIFY(exported(chart, {path}));
        // The same record again: nothing new on the stick.
        QVERIFY(exported(chart, {path}));
        QCOMPARE(QDir(stick() + QStringLiteral("/20261207")).entryList(QDir::Files).size(), 1);

        // A comment edited to one of the same length is a new version.
        chart.changeMeasurementComment(path, QStringLiteral("fixed")).waitForFinished();
        QCOMPARE(QFileInfo(path).size(), QFileInfo(stick() + QStringLiteral("/20261207/") + name).size());
        QVERIFY(exported(chart, {path}));
        const QString numbered = stick() + QStringLiteral("/20261207/") + stem + QStringLiteral("-1.vlf");
        QCOMPARE(bytes(numbered), bytes(path));
        QCOMPARE(VLF::info(readBack(stick() + QStringLiteral("/20261207/") + name), 1, 25), QStringLiteral("first"));

        // Exported once more, the numbered copy is recognised.
        QVERIFY(exported(chart, {path}));
        QCOMPARE(QDir(stick() + QStringLiteral("/20261207")).entryList(QDir::Files).size(), 2);

        chart.changeMeasurementComment(path, QStringLiteral("third")).waitForFinished();
        QVERIFY(exported(chart, {path}));
        QCOMPARE(bytes(stick() + QStringLiteral("/20261207/") + stem + QStringLiteral("-2.vlf")), bytes(path));
    }

    void exportOfEverythingTakesRecordsAndCsvOfEveryDay()
    {
        const QString a = storeRecord(tanDeltaRecord());
        const QString b = storeRecord(cosRectRecord(QStringLiteral("2026-12-08T11:00:00.000"), QString()),
                                      QStringLiteral("20261208"));
        QVERIFY(root().writeFile(store().mid(root().root().size()) + QStringLiteral("/20261208/values.csv"),
                                  QByteArray("1;2\n")));
        QVERIFY(root().writeFile(store().mid(root().root().size()) + QStringLiteral("/20261208/notes.txt"),
                                  QByteArray("no")));
        ShownChart chart(m_gui.get());
        QString target;
        QVERIFY(exported(chart, {}, &target));
        QCOMPARE(bytes(stick() + QStringLiteral("/20261207/") + QFileInfo(a).fileName()), bytes(a));
        QCOMPARE(bytes(stick() + QStringLiteral("/20261208/") + QFileInfo(b).fileName()), bytes(b));
        QCOMPARE(bytes(stick() + QStringLiteral("/20261208/values.csv")), QByteArray("1;2\n"));
        QVERIFY(!QFileInfo::exists(stick() + QStringLiteral("/20261208/notes.txt")));
        QCOMPARE(target, stick() + QStringLiteral("/20261208/"));
        const auto progress = m_gui->callsOf(QStringLiteral("requestProgressDlg"));
        QCOMPARE(progress.at(0).arguments.at(1), QStringLiteral("2")); // two day folders
        QCOMPARE(m_gui->callsOf(QStringLiteral("incrementProgressDlg")).size(), 2);
        QVERIFY(m_gui->hasMessage(QStringLiteral("History"), QStringLiteral("DataSuccessfullyExported")));
    }

    void exportWithOneFailedFileReportsAFailure()
    {
        const QString good = storeRecord(tanDeltaRecord());
        const QString bad = storeRecord(cosRectRecord(QStringLiteral("2026-12-08T11:00:00.000"), QString()),
                                        QStringLiteral("20261208"));
        // Something that is not a folder sits where the second day folder belongs.
        QVERIFY(root().writeFile(stick().mid(root().root().size()) + QStringLiteral("/20261208"), QByteArray("x")));
        ShownChart chart(m_gui.get());
        // The failed file comes first; the one after it is copied all the same.
        QVERIFY(!exported(chart, {bad, good}));
        QCOMPARE(bytes(stick() + QStringLiteral("/20261207/") + QFileInfo(good).fileName()), bytes(good));
        const auto shown = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).category, int(CAT_ERR));
        QCOMPARE(shown.at(0).context, QStringLiteral("History"));
        QCOMPARE(shown.at(0).key, QStringLiteral("UnableToExportData"));
        QCOMPARE(m_gui->callsOf(QStringLiteral("closeDlg")).size(), 1);
    }

    void aTakenNameIsNumbered()
    {
        const QString path = storeRecord(tanDeltaRecord());
        const QString name = QFileInfo(path).fileName();
        const QString stem = name.left(name.size() - 4);
        const QString folder = stick().mid(root().root().size()) + QStringLiteral("/20261207/");
        QVERIFY(root().writeFile(folder + name, QByteArray("other")));
        QVERIFY(root().writeFile(folder + stem + QStringLiteral("-1.vlf"), QByteArray("other too")));
        ShownChart chart(m_gui.get());
        QFile file(path);
        QString target;
        QVERIFY(chart.copyMeasurementFile(file, target));
        QCOMPARE(root().readFile(folder + name), QByteArray("other"));
        QCOMPARE(bytes(stick() + QStringLiteral("/20261207/") + stem + QStringLiteral("-2.vlf")), bytes(path));
    }
};

QTEST_GUILESS_MAIN(TstTTestChart)
#include "tst_ttestchart.moc"
