#include "app/DMhvDataModel.h"
#include "app/DMhvStateSubscriber.h"
#include "app/ThreadGuard.h"
#include "fakes/DataModelFixture.h"
#include "hvsim/HvUnitSimulator.h"
#include "fakes/LogCapture.h"
#include "hvunit/TPOF.h"
#include "testrun/TTestChart.h"
#include "testrun/TTestThread.h"
#include "datamodel/DataModell.h"
#include "core/GlobalFuncs.h"
#include "db/DB.h"
#include "testrun/File.h"

#include <QDirIterator>
#include <QScopeGuard>
#include <QtTest>

#include <atomic>
#include <memory>

using namespace States;
using M = OperatingModes;
using E = eAppEvent;

// The start of a test against the simulated HV unit on a pseudo-terminal: the data
// model on this thread, the link on "POFThread", the worker on "TestThread", wired
// as the application wires them.
class TstTestThreadHvSim : public QObject {
    Q_OBJECT

    HvUnitSimulator m_sim;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<DataModelFixture> m_fixture;
    // Threads as the application runs them: a worker ends on its thread once the thread's
    // loop has returned, never inside one of its own nested waits.
    std::unique_ptr<ThreadGuard> m_pofThread;
    std::unique_ptr<ThreadGuard> m_testThread;
    TPOF* m_pof = nullptr;
    TTestThread* m_worker = nullptr;
    TTestChart m_chart;

    DataModell* dm() const { return m_fixture->dm(); }

    // Letters of the complete requests the unit received, state polls and reads of
    // the start-up left out. A command the link sent again, after an echo that came
    // too late, counts once and in `repeats`.
    QByteArray testCommands(int* repeats = nullptr) const
    {
        QByteArray letters;
        int again = 0;
        for (const QByteArray& r : m_sim.completeRequests()) {
            if (r.size() < 2 || !QByteArray("sxzumftblFCRPr").contains(r.at(1)))
                continue;
            if (letters.endsWith(r.at(1)))
                ++again;
            else
                letters += r.at(1);
        }
        if (repeats)
            *repeats = again;
        return letters;
    }

    // Records written since `since` (a record of the same second as the last test's
    // takes its name).
    static QStringList recordsSince(const QDateTime& since)
    {
        QStringList out;
        QDirIterator it(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements), QStringList{"*.vlf"},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (it.fileInfo().lastModified() >= since)
                out << it.filePath();
        }
        return out;
    }

    // Lets the queued work of the link and the worker run out, this thread answering
    // their calls into the data model and the database meanwhile.
    void settleThreads()
    {
        for (QObject* o : {static_cast<QObject*>(m_pof), static_cast<QObject*>(m_worker)}) {
            auto done = std::make_shared<std::atomic<bool>>(false);
            QMetaObject::invokeMethod(o, [done] { *done = true; }, Qt::QueuedConnection);
            QTRY_VERIFY_WITH_TIMEOUT(done->load(), 30000);
        }
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tsttestthreadsim"));
        m_log = std::make_unique<LogCapture>();
        QVERIFY(m_sim.start());
        qputenv("SERIAL_COMDEVICE", m_sim.slavePath().toLocal8Bit());
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());

        m_pof = new TPOF(std::make_unique<DMhvDataModel>(), [] { return std::make_unique<DMhvStateSubscriber>(); });
        m_worker = new TTestThread(m_pof, &m_chart);
        m_pofThread = std::make_unique<ThreadGuard>(QStringLiteral("POFThread"), m_pof);
        m_testThread = std::make_unique<ThreadGuard>(QStringLiteral("TestThread"), m_worker);

        connect(dm(), &DataModell::appStateChanged, m_pof, &TPOF::appStateChanged);
        connect(dm(), &DataModell::appStateChanged, m_worker, &TTestThread::appStateChanged);
        connect(m_pof, &TPOF::sendAppEvent, dm(), &DataModell::receiveAppEvent);
        connect(m_worker, &TTestThread::sendAppEvent, dm(), &DataModell::receiveAppEvent);

        // Start-up: the link identifies the unit and switches its poll on.
        dm()->receiveAppEvent(E::MainsOn);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), Idle, 15000);
        QVERIFY(dm()->getHVIdentification().valid);

        dm()->changeOperatingMode(M::VLFSin);
        dm()->setFrequencyToTest(0);
        dm()->setMinutesToTest(2);
        dm()->setSecondsToTest(10);
        SafetyCircuitBits safety;
        safety.set();
        dm()->setSafetyCircuitState(safety);
    }

    // Each case starts from Idle with a unit that answers and has its output off.
    void cleanup()
    {
        m_sim.clearFault();
        m_sim.model().setStateBits(0);
        QVERIFY2(m_fixture->returnToIdle(60000), States::stateName(dm()->getAppState()));
        settleThreads();
    }

    void cleanupTestCase()
    {
        // As at the program's shutdown: this thread answers no database call while it joins
        // the worker, so the worker's calls fail at once instead of outlasting the join.
        GlobalFuncs::getDB()->setCallTimeout(0);
        // The worker drives the link, so it ends first.
        m_testThread.reset();
        m_worker = nullptr;
        m_pofThread.reset();
        m_pof = nullptr;
        m_fixture.reset();
        m_sim.stop();
        m_log.reset();
    }

    void startOfATest()
    {
        QCOMPARE(dm()->getAppState(), Idle);
        QTest::qWait(50);
        m_sim.clearRequests();
        m_log->clear();

        dm()->receiveAppEvent(E::StartTest);
        // The emergency-off loop and the HV-on button are closed: the worker answers for them.
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), WaitHVOn, 10000);
        QCOMPARE(QChar(m_sim.model().modeChar()), QChar('s'));
        QCOMPARE(m_sim.model().setMinutes(), 3ULL);
        QCOMPARE(m_sim.model().setVoltage(), qint64(dm()->testInitializationVoltage()));

        // The unit reports its output on; load detection ends and the worker starts the test.
        m_sim.model().setStateBits(HVStateBits::OutputOn);
        QTRY_VERIFY_WITH_TIMEOUT(m_sim.model().outputOn(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(testCommands(), QByteArray("sxzumftbl" "FCRPufFP" "ufFPr"), 5000);
        // Only an attempt the link gave up sends a command twice.
        int repeats = 0;
        testCommands(&repeats);
        const int failedAttempts = m_log->deliveredWhere([](const LoggingData& r) {
            return r.function == QLatin1String("SendString") || r.function == QLatin1String("ReceiveString");
        }).size();
        QVERIFY2(repeats <= failedAttempts, qPrintable(QStringLiteral("%1 repeats, %2 failed attempts").arg(repeats).arg(failedAttempts)));
        QCOMPARE(dm()->getTestTimeUsed().milliseconds, quint64(180000)); // the 3 minutes sent
        QCOMPARE(dm()->getCapacitanceLoad(), 500UL);
        QCOMPARE(dm()->getResistorLoad(), 2000000000000ULL);
        QCOMPARE(dm()->getFrequencyUsed(), 100UL);
        QCOMPARE(m_sim.model().setVoltage(), qint64(dm()->testStartVoltage()));
        QVERIFY(dm()->getTestTime(TestTime_Start).isValid());

        const auto part = [this](const char* function) {
            return m_log->deliveredWhere([function](const LoggingData& r) { return r.function == QLatin1String(function); })
                .size();
        };
        QCOMPARE(part("createLogPart1"), 1);
        QCOMPARE(part("createLogPart2"), 1);
    }

    // The unit falls silent during a test and answers again, its output still on, while
    // the results are shown: it is stopped as soon as it answers, not at the confirmation.
    void unitAnsweringAgainAfterALostTestIsStopped()
    {
        dm()->receiveAppEvent(E::StartTest);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), WaitHVOn, 10000);
        m_sim.model().setStateBits(HVStateBits::OutputOn);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), TestRunning, 15000);
        m_sim.setFault(HvUnitSimulator::Fault::Silence);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), TestFinished, 30000);
        QVERIFY(m_sim.model().outputOn());
        m_sim.model().setStateBits(0);
        m_sim.model().clearCommandLog();
        m_sim.clearFault();
        QTRY_VERIFY_WITH_TIMEOUT(!m_sim.model().outputOn(), 5000);
        // The stop is the first the unit is told.
        QCOMPARE(m_sim.model().commandLog().value(0).letter, 's');
        QCOMPARE(dm()->getAppState(), TestFinished);
        dm()->receiveAppEvent(E::TestResultConfirmed);
    }

    // The link is lost while the test is finalised. The record is stored all the same,
    // and the confirmation starts the unit again instead of leaving the instrument in
    // Idle with the link down.
    void linkLostWhileFinalizing()
    {
        const QDateTime caseStart = QDateTime::currentDateTime();
        QCOMPARE(dm()->getAppState(), Idle);
        dm()->receiveAppEvent(E::StartTest);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), WaitHVOn, 10000);
        m_sim.model().setStateBits(HVStateBits::OutputOn);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), TestRunning, 15000);
        // A test without samples leaves no record.
        QTRY_VERIFY_WITH_TIMEOUT(dm()->hasMeasurementValues(), 10000);
        QTest::qWait(300); // a few more
        const QMetaObject::Connection cut =
            connect(dm(), &DataModell::appStateChanged, this, [this](AppState, AppState now) {
                if (now == TestFinalizing)
                    m_sim.setFault(HvUnitSimulator::Fault::Silence);
            });
        const auto uncut = qScopeGuard([cut] { disconnect(cut); }); // also when a check fails
        dm()->receiveAppEvent(E::TestAborted);
        QTRY_VERIFY_WITH_TIMEOUT(dm()->getHVUnitState().comError, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), TestFinished, 30000);
        disconnect(cut);

        const QStringList stored = recordsSince(caseStart);
        QCOMPARE(stored.size(), 1);
        QVERIFY(TestChart::VLF::File::verify(stored.first()));

        dm()->receiveAppEvent(E::TestResultConfirmed);
        QCOMPARE(dm()->getAppState(), Starting);
        // The link keeps trying from Starting while the unit is silent, and reaches Idle
        // once it answers again.
        QTest::qWait(1000);
        QCOMPARE(dm()->getAppState(), Starting);
        m_sim.clearFault();
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), Idle, 30000);
        QVERIFY(!dm()->getHVUnitState().comError);
        // The link initialises the unit once more on reaching Idle; let it finish.
        settleThreads();
        settleThreads();
    }
};

QTEST_GUILESS_MAIN(TstTestThreadHvSim)
#include "tst_testthread_hvsim.moc"
