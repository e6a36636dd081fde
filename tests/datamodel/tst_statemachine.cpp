#include "datamodel/Statemachine.h"
#include "fakes/LogCapture.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

using namespace States;
using E = eAppEvent;

namespace {
using Pair = QPair<int, int>;

QList<Pair> pairs(const QSignalSpy& spy)
{
    QList<Pair> out;
    for (const QList<QVariant>& args : spy)
        out.append({args.at(0).value<AppState>(), args.at(1).value<AppState>()});
    return out;
}

// Feeds events one by one; each step names the state expected afterwards, or the
// same state for an event that has no row.
struct Step {
    E event;
    AppState expected;
};

void walk(Statemachine& sm, QSignalSpy& spy, const QVector<Step>& steps)
{
    for (const Step& s : steps) {
        const AppState before = sm.currentState();
        const int count = spy.count();
        sm.receiveAppEvent(s.event);
        QCOMPARE(int(sm.currentState()), int(s.expected));
        AppState next;
        if (Statemachine::lookup(before, s.event, next)) {
            QCOMPARE(spy.count(), count + 1);
            QCOMPARE(pairs(spy).last(), Pair(before, s.expected));
        } else {
            QCOMPARE(spy.count(), count); // ignored pair: nothing broadcast
        }
    }
}
} // namespace

class TstStatemachine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerInstrumentTypes(); }

    void transitionsAreLoggedByName()
    {
        LogCapture log;
        QVERIFY(log.isRunning());
        Statemachine sm;
        sm.receiveAppEvent(E::MainsOn);
        sm.receiveAppEvent(E::HVUnitInitialized);
        sm.receiveAppEvent(E::TestFinalized); // no row in Idle
        QCOMPARE(log.delivered(QStringLiteral("None --MainsOn--> Starting")).size(), 1);
        QCOMPARE(log.delivered(QStringLiteral("Starting --HVUnitInitialized--> Idle")).size(), 1);
        QCOMPARE(log.delivered(QStringLiteral("Event TestFinalized (24) ignored in state Idle (2)")).size(), 1);
        // A number that names no event or state is logged as such, not read out of bounds.
        QCOMPARE(QString(appEventName(static_cast<E>(41))), QStringLiteral("Unknown"));
        QCOMPARE(QString(stateName(static_cast<AppState>(-1))), QStringLiteral("Unknown"));
    }

    void mainRoadOfATest()
    {
        Statemachine sm;
        QSignalSpy spy(&sm, &Statemachine::appStateChanged);
        walk(sm, spy,
             {
                 {E::StartTest, None}, // nothing before mains on
                 {E::MainsOn, Starting},
                 {E::HVInitError, Starting}, // Starting to Starting is broadcast
                 {E::HVUnitInitialized, Idle},
                 {E::HVUnitInitialized, Idle}, // ignored: would loop
                 {E::HVInitError, Starting},
                 {E::HVUnitInitialized, Idle},
                 {E::StartUpdate, Updating},
                 {E::StartTest, Updating},
                 {E::HostUpdateFinished, Idle},
                 {E::StartUpdate, Updating},
                 {E::HVUpdateFinished, Starting},
                 {E::HVUnitInitialized, Idle},
                 {E::HVUnitErrorDetected, HVUnitError},
                 {E::StartTest, HVUnitError},
                 {E::HVUnitInitialized, Idle},
                 {E::UserAck, Idle},
                 {E::StartTest, InitTest},
                 {E::TestInitSuccess, WaitHVFree},
                 {E::HVOn, WaitHVFree}, // HV on before the clearance: ignored
                 {E::GotHVFree, WaitExtEmergOff},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::HVOn, WaitHVOn},
                 {E::HVOutputOn, WaitLoadDetect},
                 {E::LoadDetectionFinished, WaitForEffTestParameters},
                 {E::FrequencyModified, WaitForConfirmation},
                 {E::UserAck, TestReadyToRun},
                 {E::TestStarted, TestRunning},
                 {E::StartTest, TestRunning},
                 {E::BreakdownDetected, TestBurning},
                 {E::BreakdownDetected, TestBurning},
                 {E::TestTimeUp, TestSoftStop},
                 {E::TestCanceledUser, TestSoftStop},
                 {E::SoftStopFinished, TestFinalizing},
                 {E::TestFinalized, TransferringToHistory},
                 {E::HistoryReady, TestFinished},
                 {E::ExportData, TransferringTestData},
                 {E::TestResultConfirmed, TransferringTestData},
                 {E::DataReady, TestDataTransferred},
                 {E::TestResultConfirmed, Idle},
             });
        QCOMPARE(pairs(spy).first(), Pair(None, Starting));
        QCOMPARE(pairs(spy).at(1), Pair(Starting, Starting));
    }

    void sideRoads()
    {
        Statemachine sm;
        QSignalSpy spy(&sm, &Statemachine::appStateChanged);
        walk(sm, spy,
             {
                 {E::MainsOn, Starting},
                 {E::HVUnitInitialized, Idle},
                 // clearance and emergency-off already closed at the start
                 {E::StartTest, InitTest},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::TestCanceledUser, Idle},
                 {E::StartTest, InitTest},
                 {E::GotHVFree, WaitExtEmergOff},
                 {E::TestCanceledUser, Idle},
                 {E::StartTest, InitTest},
                 {E::TestInitSuccess, WaitHVFree},
                 {E::TestCanceledUser, Idle},
                 // HV-unit error while preparing ends at the result
                 {E::StartTest, InitTest},
                 {E::HVUnitErrorDetected, TestFinished},
                 {E::TestResultConfirmed, Idle},
                 {E::StartTest, InitTest},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::HVUnitErrorDetected, TestFinished},
                 // next phase of a tan delta test
                 {E::StartNextPhase, WaitPhaseConnect},
                 {E::TestCanceledUser, Idle},
                 {E::StartTest, InitTest},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::HVOn, WaitHVOn},
                 {E::TestCanceledUser, TestFinalizing},
                 {E::TestFinalized, TransferringToHistory},
                 {E::HistoryReady, TestFinished},
                 {E::StartNextPhase, WaitPhaseConnect},
                 {E::StartTest, InitTest},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::HVOn, WaitHVOn},
                 {E::HVOutputOn, WaitLoadDetect},
                 {E::TestCanceledUser, TestFinalizing},
                 {E::TestFinalized, TransferringToHistory},
                 {E::HistoryReady, TestFinished},
                 {E::TestResultConfirmed, Idle},
                 // load detection failed
                 {E::StartTest, InitTest},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::HVOn, WaitHVOn},
                 {E::HVOutputOn, WaitLoadDetect},
                 {E::LoadDetectionFinished, WaitForEffTestParameters},
                 {E::LoadDetResultError, TestFinalizing},
                 {E::TestFinalized, TransferringToHistory},
                 {E::HistoryReady, TestFinished},
                 {E::TestResultConfirmed, Idle},
                 // unmodified frequency, then an HV-unit error while running
                 {E::StartTest, InitTest},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::HVOn, WaitHVOn},
                 {E::HVOutputOn, WaitLoadDetect},
                 {E::LoadDetectionFinished, WaitForEffTestParameters},
                 {E::FrequencyUnmodified, TestReadyToRun},
                 {E::TestStarted, TestRunning},
                 {E::HVUnitErrorDetected, TestFinalizing},
                 {E::TestFinalized, TransferringToHistory},
                 {E::HistoryReady, TestFinished},
                 {E::TestResultConfirmed, Idle},
                 // abort and safety opening while running
                 {E::StartTest, InitTest},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::HVOn, WaitHVOn},
                 {E::HVOutputOn, WaitLoadDetect},
                 {E::LoadDetectionFinished, WaitForEffTestParameters},
                 {E::FrequencyUnmodified, TestReadyToRun},
                 {E::TestStarted, TestRunning},
                 {E::SafetyCircuitOpened, TestSoftStop},
                 {E::SoftStopFinished, TestFinalizing},
                 {E::TestFinalized, TransferringToHistory},
                 {E::HistoryReady, TestFinished},
                 {E::TestResultConfirmed, Idle},
                 {E::StartTest, InitTest},
                 {E::ExtEmergOffClosed, WaitConfirmOn},
                 {E::HVOn, WaitHVOn},
                 {E::HVOutputOn, WaitLoadDetect},
                 {E::LoadDetectionFinished, WaitForEffTestParameters},
                 {E::FrequencyUnmodified, TestReadyToRun},
                 {E::TestStarted, TestRunning},
                 {E::BreakdownDetected, TestBurning},
                 {E::TestAborted, TestFinalizing},
             });
    }

    // An abort while the worker still initialises is acted on as soon as InitTest is
    // left: the test never goes on to wait for the operator.
    void abortDuringInitialisationIsKept_data()
    {
        QTest::addColumn<int>("abort");
        QTest::addColumn<int>("initEnd");
        QTest::addColumn<int>("expected");
        for (E abort : {E::TestCanceledUser, E::TestAborted}) {
            const QByteArray name = appEventName(abort);
            QTest::newRow(name + " init success") << int(abort) << int(E::TestInitSuccess) << int(Idle);
            QTest::newRow(name + " HV free") << int(abort) << int(E::GotHVFree) << int(Idle);
            QTest::newRow(name + " emergency off") << int(abort) << int(E::ExtEmergOffClosed) << int(Idle);
            QTest::newRow(name + " init failed") << int(abort) << int(E::HVUnitErrorDetected) << int(TestFinished);
        }
    }

    void abortDuringInitialisationIsKept()
    {
        QFETCH(int, abort);
        QFETCH(int, initEnd);
        QFETCH(int, expected);
        Statemachine sm;
        QSignalSpy spy(&sm, &Statemachine::appStateChanged);
        walk(sm, spy, {{E::MainsOn, Starting}, {E::HVUnitInitialized, Idle}, {E::StartTest, InitTest}, {E(abort), InitTest}});
        sm.receiveAppEvent(E(initEnd));
        QCOMPARE(pairs(spy).last(), Pair(InitTest, expected));
        if (expected == TestFinished)
            walk(sm, spy, {{E::TestResultConfirmed, Idle}});
        // The abort belonged to that test only.
        walk(sm, spy, {{E::StartTest, InitTest}, {E::TestInitSuccess, WaitHVFree}, {E::GotHVFree, WaitExtEmergOff}});
    }

    // An HV-unit error once the output is off never cuts the storing of the record short;
    // it is acted on when the operator has confirmed the result.
    void hvUnitErrorAtTheEndOfATestIsKept_data()
    {
        QTest::addColumn<int>("errorIn");
        for (AppState s : {TestFinalizing, TransferringToHistory, TestFinished, TransferringTestData, TestDataTransferred})
            QTest::newRow(stateName(s)) << int(s);
    }

    void hvUnitErrorAtTheEndOfATestIsKept()
    {
        QFETCH(int, errorIn);
        Statemachine sm;
        QSignalSpy spy(&sm, &Statemachine::appStateChanged);
        walk(sm, spy,
             {{E::MainsOn, Starting}, {E::HVUnitInitialized, Idle}, {E::StartTest, InitTest},
              {E::ExtEmergOffClosed, WaitConfirmOn}, {E::HVOn, WaitHVOn}, {E::TestCanceledUser, TestFinalizing}});
        const QVector<Step> road = {{E::TestFinalized, TransferringToHistory},
                                    {E::HistoryReady, TestFinished},
                                    {E::ExportData, TransferringTestData},
                                    {E::DataReady, TestDataTransferred}};
        for (const Step& step : road) {
            if (sm.currentState() == AppState(errorIn))
                walk(sm, spy, {{E::HVUnitErrorDetected, AppState(errorIn)}});
            walk(sm, spy, {step});
        }
        if (sm.currentState() == AppState(errorIn))
            walk(sm, spy, {{E::HVUnitErrorDetected, AppState(errorIn)}});
        walk(sm, spy, {{E::TestResultConfirmed, Starting}, {E::HVUnitInitialized, Idle}});
        // Kept once only: the next test ends normally.
        walk(sm, spy,
             {{E::StartTest, InitTest}, {E::HVUnitErrorDetected, TestFinished}, {E::TestResultConfirmed, Idle}});
    }

    void hvUnitErrorStandingWhenTheTestIsLeft()
    {
        bool inError = false;
        Statemachine sm;
        sm.setHVUnitErrorCheck([&inError] { return inError; });
        QSignalSpy spy(&sm, &Statemachine::appStateChanged);
        // The link was lost while preparing and is still down at the confirmation.
        walk(sm, spy,
             {{E::MainsOn, Starting}, {E::HVUnitInitialized, Idle}, {E::StartTest, InitTest},
              {E::HVUnitErrorDetected, TestFinished}});
        inError = true;
        walk(sm, spy, {{E::TestResultConfirmed, Starting}, {E::HVInitError, Starting}});
        inError = false;
        walk(sm, spy, {{E::HVUnitInitialized, Idle}, {E::StartTest, InitTest}, {E::HVUnitErrorDetected, TestFinished},
                       {E::ExportData, TransferringTestData}, {E::DataReady, TestDataTransferred},
                       {E::TestResultConfirmed, Idle}});

        // Between two phases: no next phase with the unit in error, Idle acts on it.
        for (E leave : {E::TestCanceledUser, E::StartTest}) {
            walk(sm, spy, {{E::StartTest, InitTest}, {E::HVUnitErrorDetected, TestFinished},
                           {E::StartNextPhase, WaitPhaseConnect}, {E::HVUnitErrorDetected, WaitPhaseConnect}});
            spy.clear();
            sm.receiveAppEvent(leave);
            QCOMPARE(pairs(spy), (QList<Pair>{{WaitPhaseConnect, Idle}, {Idle, HVUnitError}}));
            walk(sm, spy, {{E::HVUnitInitialized, Idle}});
        }
    }

    // The rows of the table against the required pairs, and pairs that must not exist.
    void tableRows_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("event");
        QTest::addColumn<int>("to"); // -1: no row
        auto row = [](AppState f, E e, int t) {
            QTest::addRow("%s+%s", stateName(f), appEventName(e)) << int(f) << int(e) << t;
        };
        row(Idle, E::HVUnitInitialized, -1);
        row(Idle, E::TestCanceledUser, -1);
        row(TestBurning, E::BreakdownDetected, -1);
        row(TestSoftStop, E::TestCanceledUser, -1);
        // The soft stop waits for the discharge, but not with an input open or the unit lost.
        row(TestSoftStop, E::SafetyCircuitOpened, TestFinalizing);
        row(TestSoftStop, E::HVUnitErrorDetected, TestFinalizing);
        row(TestFinished, E::TestCanceledUser, -1);
        row(InitTest, E::TestCanceledUser, -1);
        row(Updating, E::HVUnitErrorDetected, -1);
        for (AppState s : {WaitHVOn, WaitLoadDetect, WaitForEffTestParameters, WaitForConfirmation}) {
            row(s, E::TestCanceledUser, TestFinalizing);
            row(s, E::StateTimeout, TestFinalizing);
        }
        for (AppState s : {InitTest, WaitHVFree, WaitExtEmergOff, WaitConfirmOn})
            row(s, E::HVUnitErrorDetected, TestFinished);
        row(WaitConfirmOn, E::StateTimeout, Idle);
        row(TestBurning, E::TestCanceledUser, TestSoftStop);
        row(TestBurning, E::SafetyCircuitOpened, TestSoftStop);
        row(TestRunning, E::TestAborted, TestFinalizing);
        row(TestDataTransferred, E::TestResultConfirmed, Idle);
        // With the HV switched on every fault, abort or opening ends the test at once.
        row(WaitLoadDetect, E::HVUnitErrorDetected, TestFinalizing);
        row(TestReadyToRun, E::TestCanceledUser, TestFinalizing);
        row(TestReadyToRun, E::StateTimeout, TestFinalizing);
        row(WaitForConfirmation, E::SafetyCircuitOpened, TestSoftStop);
        row(WaitHVFree, E::TestAborted, Idle);
        row(WaitFohm, E::TestCanceledUser, -1);
        row(Backfeed, E::HVUnitInitialized, -1);
    }

    void tableRows()
    {
        QFETCH(int, from);
        QFETCH(int, event);
        QFETCH(int, to);
        AppState next = None;
        const bool found = Statemachine::lookup(AppState(from), E(event), next);
        QCOMPARE(found, to >= 0);
        if (found)
            QCOMPARE(int(next), to);
    }

    void tableHasNoDuplicatePairs()
    {
        const auto& t = Statemachine::transitions();
        for (int i = 0; i < t.size(); ++i)
            for (int j = i + 1; j < t.size(); ++j)
                QVERIFY2(!(t[i].from == t[j].from && t[i].event == t[j].event),
                         qPrintable(QString("%1 + %2").arg(stateName(t[i].from), appEventName(t[i].event))));
    }

    // Events sent from inside a broadcast are handled after it, in order.
    void eventsFromListenersKeepOrder()
    {
        Statemachine sm;
        QSignalSpy spy(&sm, &Statemachine::appStateChanged);
        connect(&sm, &Statemachine::appStateChanged, &sm, [&sm](AppState, AppState n) {
            if (n == Starting)
                sm.receiveAppEvent(E::HVUnitInitialized);
            if (n == Idle)
                sm.receiveAppEvent(E::StartTest);
        });
        sm.receiveAppEvent(E::MainsOn);
        QCOMPARE(pairs(spy), (QList<Pair>{{None, Starting}, {Starting, Idle}, {Idle, InitTest}}));
    }

    void timeoutCountsDownAndFires()
    {
        Statemachine sm(nullptr, 20);
        sm.setStateTimeout(WaitConfirmOn, 50);
        QSignalSpy changes(&sm, &Statemachine::appStateChanged);
        QSignalSpy countdown(&sm, &Statemachine::updateTimeoutTime);
        QSignalSpy timedOut(&sm, &Statemachine::stateTimedOut);
        for (E e : {E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed})
            sm.receiveAppEvent(e);
        QCOMPARE(sm.currentState(), WaitConfirmOn);
        QCOMPARE(countdown.count(), 1); // at once on entry
        QCOMPARE(countdown.first().first().toUInt(), 50u);
        QTRY_COMPARE(sm.currentState(), Idle);
        QList<uint> values;
        for (const auto& a : countdown)
            values << a.first().toUInt();
        QCOMPARE(values, (QList<uint>{50, 30, 10, 0}));
        QCOMPARE(timedOut.count(), 1);
        QCOMPARE(timedOut.first().first().value<AppState>(), WaitConfirmOn);
        QCOMPARE(pairs(changes).last(), Pair(WaitConfirmOn, Idle));
        QCOMPARE(sm.timeoutResult(WaitLoadDetect), eTestResult_TimeoutLoadDetection);
    }

    // The machine runs on the data model's own thread: its time-outs must run there too.
    void timeoutOnTheMachinesThread()
    {
        QThread thread;
        auto* sm = new Statemachine(nullptr, 100);
        sm->setStateTimeout(WaitConfirmOn, 600);
        sm->moveToThread(&thread);
        thread.start();
        for (E e : {E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed})
            QMetaObject::invokeMethod(sm, "receiveAppEvent", Qt::QueuedConnection, Q_ARG(eAppEvent, e));
        QTRY_COMPARE_WITH_TIMEOUT(int(sm->currentState()), int(WaitConfirmOn), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(int(sm->currentState()), int(Idle), 5000);
        QMetaObject::invokeMethod(sm, [sm] { delete sm; }, Qt::BlockingQueuedConnection);
        thread.quit();
        QVERIFY(thread.wait(5000));
    }

    void leavingAStateDisarmsItsTimeout()
    {
        Statemachine sm(nullptr, 10);
        sm.setStateTimeout(WaitConfirmOn, 30);
        for (E e : {E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed, E::HVOn})
            sm.receiveAppEvent(e);
        sm.setStateTimeout(WaitHVOn, 0);
        QCOMPARE(sm.currentState(), WaitHVOn);
        QSignalSpy timedOut(&sm, &Statemachine::stateTimedOut);
        QTest::qWait(100);
        QCOMPARE(timedOut.count(), 0);
        QCOMPARE(sm.currentState(), WaitHVOn);
    }
};

QTEST_GUILESS_MAIN(TstStatemachine)
#include "tst_statemachine.moc"
