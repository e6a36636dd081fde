#include "core/GlobalFuncs.h"
#include "fakes/FastClock.h"
#include "fakes/HVLinkOnThread.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingGui.h"
#include "hvunit/OwedUnitWrites.h"
#include "hvunit/TPOF.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <atomic>

using Fault = HvUnitSimulator::Fault;

namespace {
// A subscriber that notices being destroyed while one of its calls still runs.
class WatchedSubscriber : public HFStateSubscriber {
public:
    explicit WatchedSubscriber(std::atomic<int>& violations) : m_violations(violations) {}
    ~WatchedSubscriber() override
    {
        if (m_active.load() != 0)
            ++m_violations;
    }
    void setHVUnitState(const stHVUnitState&) override { Busy b(m_active); }
    stHVUnitState getHVUnitState() const override
    {
        Busy b(m_active);
        return stHVUnitState();
    }
    int getVoltagePolarity() const override { return 0; }
    int getVLFCosRectType() const override { return 0; }

private:
    // Each call takes a little while, as a real receiver may.
    struct Busy {
        explicit Busy(std::atomic<int>& a) : active(a)
        {
            ++active;
            QThread::usleep(2000);
        }
        ~Busy() { --active; }
        std::atomic<int>& active;
    };
    mutable std::atomic<int> m_active { 0 };
    std::atomic<int>& m_violations;
};
} // namespace

// TPOF on its own thread, as in the instrument; the test drives it from outside.
class TestTPOFPolling : public QObject {
    Q_OBJECT

    HVLinkOnThread hv;
    SimulatedHVLink& link = hv.link;
    HvUnitSimulator& sim = hv.sim;
    LogCapture log;
    TPOF*& pof = hv.pof;
    FakeHVData* data = nullptr;
    FakeHVData* sub = nullptr;
    QList<eAppEvent> events;
    RecordingGui gui;

    QStringList linkStatesShown() const
    {
        QStringList out;
        for (const RecordingGui::Call& c : gui.callsOf(QStringLiteral("communicationDown")))
            out << c.arguments;
        return out;
    }

    template <typename F>
    void onLinkThread(F f)
    {
        QMetaObject::invokeMethod(pof, f, Qt::BlockingQueuedConnection);
    }

    void changeState(States::AppState from, States::AppState to)
    {
        onLinkThread([this, from, to] { pof->appStateChanged(from, to); });
    }

    // The requests other than state polls.
    QList<QByteArray> writes() const
    {
        QList<QByteArray> out;
        for (const QByteArray& r : sim.completeRequests())
            if (r != ">W.")
                out << r;
        return out;
    }

    QList<HvUnitSimulator::Request> stateReads() const
    {
        QList<HvUnitSimulator::Request> out;
        for (const auto& r : sim.requests())
            if (r.complete && r.bytes == ">W.")
                out << r;
        return out;
    }

    int count(eAppEvent e) const { return int(events.count(e)); }

private slots:
    void initTestCase()
    {
        QVERIFY(log.isRunning());
        QVERIFY(hv.start());
        data = link.data;
        sub = link.sub;
        connect(pof, &TPOF::sendAppEvent, this, [this](eAppEvent e) { events << e; });
        GlobalFuncs::setGUI(&gui);
        // As the program shows them.
        connect(pof->owedWrites(), &OwedUnitWrites::holdMessage, &gui, &IGUI::holdMessage);
        connect(pof, &TPOF::communicationDown, &gui, &IGUI::communicationDown);
    }

    void cleanupTestCase()
    {
        hv.stop();
        GlobalFuncs::setGUI(nullptr);
    }

    void cleanup() { QVERIFY2(link.sharedWith().isEmpty(), qPrintable(link.sharedWith())); }

    void init()
    {
        pof->setHVAutoCheck(false);
        QTest::qWait(100);
        sim.clearFault();
        sim.model().reset();
        sim.clearRequests();
        sub->setHVUnitState(stHVUnitState(false, 0));
        QTest::qWait(20);
        events.clear();
        log.clear();
    }

    void stateReadFromAnotherThread()
    {
        sim.model().setStateBits(0x4000);
        QVERIFY(pof->GetHVState()); // a blocking call into the link's thread
        QCOMPARE(sub->getHVUnitState().state, 0x4000u);
        QVERIFY(!sub->getHVUnitState().comError);
    }

    void pollFollowsThePreviousOneBy250ms()
    {
        pof->setHVAutoCheck(true);
        QTest::qWait(1400);
        pof->setHVAutoCheck(false);
        const auto reads = stateReads();
        QVERIFY2(reads.size() >= 4, qPrintable(QString::number(reads.size())));
        for (int i = 1; i < reads.size(); ++i) {
            const qint64 gap = reads[i].startMs - reads[i - 1].endMs;
            QVERIFY2(gap >= 235 && gap < 900, qPrintable(QString::number(gap)));
        }
    }

    void linkLossAndRecovery()
    {
        pof->setHVAutoCheck(true);
        QTRY_VERIFY_WITH_TIMEOUT(stateReads().size() >= 1, 2000);
        gui.calls.clear();
        sim.setFault(Fault::Silence);
        QTRY_VERIFY_WITH_TIMEOUT(sub->getHVUnitState().comError, 5000);
        QTest::qWait(1500);
        // While the unit is silent the polls still come, 250 ms after the previous ended.
        QList<qint64> starts;
        for (const auto& r : sim.requests())
            if (!r.complete)
                starts << r.startMs;
        qint64 longest = 0;
        for (int i = 1; i < starts.size(); ++i)
            longest = qMax(longest, starts[i] - starts[i - 1]);
        QVERIFY2(longest >= 250 && longest < 1000, qPrintable(QString::number(longest)));

        sim.clearFault();
        QTRY_VERIFY_WITH_TIMEOUT(!sub->getHVUnitState().comError, 3000);
        QTest::qWait(700);
        pof->setHVAutoCheck(false);
        QCOMPARE(count(eAppEvent::HVUnitInitialized), 1);
        QCOMPARE(log.delivered("Communication with HV-Unit is up again").size(), 1);
        // The operator is told once that the link is down, however many polls fail,
        // and once that it is back.
        QTRY_COMPARE(linkStatesShown(), QStringList({QStringLiteral("1"), QStringLiteral("0")}));
        // The outage was logged once as a late state word.
        QCOMPARE(log.deliveredWhere([](const LoggingData& r) { return r.text.startsWith("Time to get HV State word was"); }).size(), 1);
    }

    void latePollIsLoggedOnce()
    {
        pof->setHVAutoCheck(true);
        QTRY_VERIFY_WITH_TIMEOUT(stateReads().size() >= 2, 2000);
        // Keep the link's thread busy twice, so two polls start late.
        for (int i = 0; i < 2; ++i) {
            QMetaObject::invokeMethod(pof, [] { QThread::msleep(700); }, Qt::QueuedConnection);
            QTest::qWait(1200);
        }
        pof->setHVAutoCheck(false);
        QCOMPARE(log.deliveredWhere([](const LoggingData& r) { return r.text.startsWith("Time to get HV State word was"); }).size(), 1);
    }

    void startUpSequence()
    {
        data->setPerformanceIndicator(1, 0, 20);
        data->setPerformanceIndicator(1, 1, 22);
        sim.model().setTemperature(24);
        changeState(States::None, States::Starting);
        const QList<QByteArray> reqs = sim.completeRequests();
        QVERIFY(reqs.size() >= 8);
        QVERIFY(reqs[0].startsWith(">z") && reqs[0].size() == 17);
        QCOMPARE(reqs.mid(1, 7), QList<QByteArray>({ ">W.", ">N.", ">W.", ">I.", ">W.", ">H.", ">W." }));
        QTRY_COMPARE(count(eAppEvent::HVUnitInitialized), 1);
        QCOMPARE(count(eAppEvent::HVInitError), 0);
        QVERIFY(pof->hvAutoCheck()); // the link is watched from now on
        QCOMPARE(data->getPerformanceIndicator(1, 0), 20);
        QCOMPARE(data->getPerformanceIndicator(1, 1), 24);
        QCOMPARE(log.delivered("Temperature at system start: 24 degrees").size(), 1);
        QVERIFY(data->getHVIdentification().valid);
        // The unit's parameters are read once it is first identified.
        QVERIFY(sim.completeRequests().contains(">Q."));
        const int parameterReads = int(sim.completeRequests().count(">K16."));
        QCOMPARE(parameterReads, 1);
        QVERIFY(data->getHVUnitParam(eHVUnitParamType_HvSinParameterVlfSettings) != HVUnitParamUnknown);

        // Start-up temperature outside the kept range lowers the minimum; the first
        // reading of the run stays the start-up temperature.
        data->setPerformanceIndicator(1, 0, 30);
        sim.model().setTemperature(10);
        // A unit that answers with its output on gets a stop as soon as it has answered, logged.
        sim.model().setStateBits(HVStateBits::OutputOn);
        sim.clearRequests();
        changeState(States::TestFinished, States::Starting);
        QTRY_COMPARE(count(eAppEvent::HVUnitInitialized), 2);
        sim.model().setStateBits(0);
        QVERIFY(sim.completeRequests().value(0).startsWith(">z"));
        QCOMPARE(sim.completeRequests().mid(1, 4), QList<QByteArray>({ ">W.", ">s.", ">x.", ">N." }));
        QCOMPARE(log.deliveredWhere([](const LoggingData& r) { return r.text.contains("output on (state word 0x2)"); }).size(), 1);
        QVERIFY(!sim.completeRequests().contains(">K16."));
        QCOMPARE(data->getPerformanceIndicator(1, 0), 24);
        QCOMPARE(data->getPerformanceIndicator(1, 1), 24);
    }

    // What a program gone meanwhile left in its owed file, read at the next start: the unit
    // gets only what a commissioning run keeps, each value once; the header and the log
    // name what was refused.
    void owedFileAtTheStart_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("written"); // to the unit, in order
        QTest::addColumn<QString>("header");      // held in the header
        QTest::addColumn<bool>("keptAside");      // the file as it was, under another name
        const auto entry = [](const char* serial, const QJsonValue& gains, const QJsonArray& parameters) {
            QJsonObject o { { "what", "old values" }, { "told", "" }, { "serial", serial },
                            { "hardwareId", "VLF-SIM 45kV 1/2" }, { "parameters", parameters } };
            if (!gains.isNull())
                o.insert("gains", gains);
            return o;
        };
        const auto file = [](const QJsonArray& entries) { return QJsonDocument(QJsonObject { { "owed", entries } }).toJson(); };
        const auto gains = [&entry](int u, int i) { return entry("SIM-1", QJsonArray { u, i }, {}); };
        const QJsonObject words = entry("SIM-1", QJsonValue(), { QJsonArray { 3, "4506" }, QJsonArray { 7, "65533" },
                                                                 QJsonArray { 5, "3686" }, QJsonArray { 9, "18446744073709551613" } });
        const QString refused = QStringLiteral("OwedUnitWritesRefused");
        const QString aside = QStringLiteral("OwedUnitWritesFileKeptAside");
        QTest::newRow("gains 0/0: nothing to restore") << file({ gains(0, 0) }) << QStringList() << QString() << false;
        QTest::newRow("gains 65535/1 beside the cascade words")
            << file({ gains(65535, 1), words })
            << QStringList { "k 13 4506", "k 14 65533", "k 17 3686", "k 18 18446744073709551613" } << refused << false;
        QTest::newRow("parameter types 11/12/20")
            << file({ entry("SIM-1", QJsonValue(), { QJsonArray { 11, "999999" }, QJsonArray { 12, "5" }, QJsonArray { 20, "7" } }) })
            << QStringList() << refused << false;
        QTest::newRow("the gains twice for one unit")
            << file({ gains(9870, 10120), gains(9900, 10100) }) << QStringList { "q 9870 10120" } << refused << false;
        QTest::newRow("an empty serial number: never written")
            << file({ entry("", QJsonArray { 9870, 10120 }, {}) }) << QStringList() << QString() << false;
        const QByteArray whole = file({ gains(9870, 10120) });
        QTest::newRow("truncated") << whole.left(whole.size() / 2) << QStringList() << aside << true;
        QJsonArray many;
        for (int i = 0; i < 43001; ++i)
            many << gains(9870, 10120);
        QTest::newRow("10 MB") << file(many) << QStringList() << aside << true;
    }
    void owedFileAtTheStart()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, written);
        QFETCH(QString, header);
        QFETCH(bool, keptAside);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HVUnitOwed.json"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
        }
        sim.model().setSerialNumber("SIM-1");
        sim.model().clearCommandLog();
        gui.calls.clear();
        onLinkThread([this, path] { pof->owedWrites()->keepIn(path); });
        changeState(States::Idle, States::Starting);
        QTRY_COMPARE(count(eAppEvent::HVUnitInitialized), 1);
        onLinkThread([] {}); // the writes at the link-up are done
        QStringList writes;
        for (const HvUnitModel::Command& c : sim.model().commandLog())
            if (c.letter == 'q' || c.letter == 'k')
                writes << QStringLiteral("%1 %2 %3").arg(QChar(c.letter)).arg(c.value1).arg(c.value2);
        QCOMPARE(writes, written);
        QVERIFY(!pof->owedWrites()->owes());
        QStringList held;
        for (const RecordingGui::Call& c : gui.callsOf(QStringLiteral("holdMessage")))
            held << c.key;
        QCOMPARE(held, header.isEmpty() ? QStringList() : QStringList { header });
        QCOMPARE(log.deliveredWhere([](const LoggingData& r) { return r.text.startsWith("Not taken from"); }).size(),
                 header == QLatin1String("OwedUnitWritesRefused") ? 1 : 0);
        // Nothing is left to write again: what was refused or dropped is in the log only.
        QVERIFY(!QFile::exists(path));
        QFile aside(path + QStringLiteral(".unread"));
        QCOMPARE(aside.open(QIODevice::ReadOnly) ? aside.readAll() : QByteArray(), keptAside ? file : QByteArray());
    }

    void unsetIndicatorsTakeTheStartUpTemperature()
    {
        SimulatedHVLink other;
        std::unique_ptr<TPOF> fresh = other.start();
        QVERIFY(fresh);
        other.sim.model().setTemperature(-7);
        QVERIFY(fresh->InitHVUnit());
        QCOMPARE(other.data->getPerformanceIndicator(1, 0), -7);
        QCOMPARE(other.data->getPerformanceIndicator(1, 1), -7);
        QCOMPARE(int(fresh->startupTemperature()), -7);
        fresh->setHVAutoCheck(false);
        fresh.reset();
        qputenv("SERIAL_COMDEVICE", sim.slavePath().toLocal8Bit());
    }

    void silentUnitFailsStartUp()
    {
        sim.setFaultFor('N', Fault::NoEcho);
        changeState(States::Idle, States::Starting);
        QTRY_COMPARE(count(eAppEvent::HVInitError), 1);
        QCOMPARE(count(eAppEvent::HVUnitInitialized), 0);
        QVERIFY(!pof->hvAutoCheck());
        const QList<QByteArray> reqs = sim.completeRequests();
        QCOMPARE(reqs.size(), 2);
        QVERIFY(reqs[0].startsWith(">z"));
    }

    void stateChangeTable()
    {
        FakeHVData::Settings s = data->settings();
        s.testRunning = false;
        data->setSettings(s);

        changeState(States::Idle, States::Updating);
        QVERIFY(pof->updateInProgress());
        QVERIFY(!pof->hvAutoCheck());
        changeState(States::Updating, States::Idle);
        QVERIFY(!pof->updateInProgress());
        QVERIFY(pof->hvAutoCheck());
        QVERIFY(pof->longBudget());

        s.testRunning = true;
        data->setSettings(s);
        changeState(States::TestReadyToRun, States::TestRunning);
        QVERIFY(pof->testVoltageActive());
        QVERIFY(!pof->hvAutoCheck());
        QVERIFY(!pof->longBudget());
        changeState(States::TestRunning, States::TestSoftStop);
        QVERIFY(!pof->testVoltageActive());
        QVERIFY(pof->hvAutoCheck());
        changeState(States::TestReadyToRun, States::TestRunning);
        changeState(States::TestBurning, States::TestFinalizing);
        QVERIFY(!pof->testVoltageActive());
        QVERIFY(pof->hvAutoCheck());

        // Any other pair changes nothing but the budget.
        pof->setHVAutoCheck(false);
        s.testRunning = false;
        data->setSettings(s);
        changeState(States::Idle, States::InitTest);
        QVERIFY(!pof->hvAutoCheck());
        QVERIFY(!pof->testVoltageActive());
        QVERIFY(pof->longBudget());
        QTest::qWait(100);
        sim.clearRequests();

        // Into the HV-unit error state: stop only when the unit reports bit 13.
        sub->setHVUnitState(stHVUnitState(false, 0x2000));
        changeState(States::Idle, States::HVUnitError);
        sub->setHVUnitState(stHVUnitState(false, 0x0100));
        changeState(States::Idle, States::HVUnitError);
        sub->setHVUnitState(stHVUnitState(true, 0x2000));
        changeState(States::Idle, States::HVUnitError);
        QCOMPARE(writes(), QList<QByteArray>({ ">s.", ">x." }));

        // Back to Idle: generator characteristics, all parameters, polling on.
        sub->setHVUnitState(stHVUnitState(false, 0));
        s.generatorCharacteristics = 1;
        data->setSettings(s);
        changeState(States::Idle, States::Updating);
        sim.clearRequests();
        changeState(States::HVUnitError, States::Idle);
        const QList<QByteArray> reqs = sim.completeRequests();
        QCOMPARE(reqs.value(0), QByteArray(">k170000000000000001."));
        QVERIFY(reqs.contains(">Q."));
        QVERIFY(reqs.contains(">K15."));
        QVERIFY(!pof->updateInProgress());
        QVERIFY(pof->hvAutoCheck());
    }

    void startStopAndLoadDetection()
    {
        QCOMPARE(pof->StopTest(SKP_StopFlags_SoftStop), 0);
        QCOMPARE(pof->StopTest(SKP_StopFlags_None), 0);
        QVERIFY(pof->StartLoadDetection());
        FakeHVData::Settings s = data->settings();
        s.dutyCycle = true;
        s.frequency = 50;
        data->setSettings(s);
        QVERIFY(pof->StartTest());
        QTest::qWait(100);
        QList<QByteArray> writes;
        for (const QByteArray& r : sim.completeRequests())
            if (r != ">W.")
                writes << r;
        QCOMPARE(writes, QList<QByteArray>({ ">o.", ">s.", ">x.", ">l.", ">f00000032.", ">r." }));

        // A stop the unit did not take is not reported as done.
        sim.setFaultFor('s', Fault::NoEcho);
        sim.clearRequests();
        QCOMPARE(pof->StopTest(SKP_StopFlags_None), -100);
        QVERIFY(sim.completeRequests().contains(">x."));
        sim.setFaultFor('r', Fault::NoEcho);
        QVERIFY(!pof->StartTest());
        QVERIFY(sub->getHVUnitState().comError);

        // A stop lost with the link is owed: the unit, its output on behind a low HV-enable
        // line (so its word shows none), gets it first once it answers again.
        sim.clearFault();
        sim.model().reset();
        QTRY_VERIFY(!pof->owedWrites()->stopOwed()); // the one before, found running
        QVERIFY(pof->StartTest());
        sim.model().setHvEnableProbe([] { return false; });
        sim.setFault(Fault::Silence);
        QVERIFY(pof->StopTest(SKP_StopFlags_None) != 0);
        QVERIFY(sim.model().outputOn());
        sim.clearRequests();
        sim.clearFault();
        changeState(States::HVUnitError, States::Starting);
        sim.model().setHvEnableProbe({});
        QVERIFY(!sim.model().outputOn());
        // First, or at start-up right after the date and time.
        const QList<QByteArray> sent = this->writes();
        const int stop = int(sent.indexOf(">s."));
        QVERIFY2(stop == 0 || (stop == 1 && sent.first().startsWith(">z")), sent.join(' ').constData());
        QCOMPARE(sent.value(stop + 1), QByteArray(">x."));
    }

    // A target goes out only while the test runs with its output started and not stopped
    // since: a stop before the link heard of the run, or one the worker makes while the
    // state still says running, leaves a target that comes later without effect.
    void voltageChangesOnlyDuringTheTest()
    {
        FakeHVData::Settings s = data->settings();
        s.voltage = 37000000;
        data->setSettings(s);
        onLinkThread([this] { pof->voltageChanged(37000000); });
        QTest::qWait(50);
        QVERIFY(sim.completeRequests().isEmpty());
        QVERIFY(pof->StartTest());
        QCOMPARE(pof->StopTest(SKP_StopFlags_None), 0);
        changeState(States::TestReadyToRun, States::TestRunning);
        sim.clearRequests();
        onLinkThread([this] { pof->voltageChanged(37000000); });
        QVERIFY(writes().isEmpty());

        QVERIFY(pof->StartTest());
        sim.clearRequests();
        onLinkThread([this] { pof->voltageChanged(37000000); });
        QCOMPARE(writes(), QList<QByteArray>{">u02349340."});
        QCOMPARE(log.delivered("Setting nominal voltage to 37000 V.").size(), 1);
        QCOMPARE(pof->StopTest(SKP_StopFlags_None), 0);
        onLinkThread([this] { pof->voltageChanged(7000000); });
        QCOMPARE(writes(), QList<QByteArray>({">u02349340.", ">s.", ">x."}));
        // Neither after a breakdown word, read before the state says so, nor while burning.
        QVERIFY(pof->StartTest());
        sim.model().triggerBreakdown();
        QVERIFY(pof->GetHVState());
        onLinkThread([this] { pof->voltageChanged(7000000); });
        QVERIFY(pof->StartTest());
        changeState(States::TestRunning, States::TestBurning);
        onLinkThread([this] { pof->voltageChanged(7000000); });
        QCOMPARE(data->targetsSent(), QList<long>{37000000});
        changeState(States::TestBurning, States::TestFinalizing);
    }

    void rebootRestoresPolling()
    {
        bool ok = false;
        pof->setSteadyClock(&fastSteadyClock);
        auto realClock = qScopeGuard([this] { pof->setSteadyClock(&Heartbeat::now); });
        pof->setHVAutoCheck(true);
        onLinkThread([&] { ok = pof->rebootHVUnit(); });
        QVERIFY(ok);
        QVERIFY(pof->hvAutoCheck());
        QVERIFY(sim.completeRequests().contains(">y."));
        QCOMPARE(log.delivered("Rebooting HV-Unit").size(), 1);

        pof->setHVAutoCheck(false);
        sim.setFaultFor('y', Fault::NoEcho);
        onLinkThread([&] { ok = pof->rebootHVUnit(); });
        QVERIFY(!ok);
        QVERIFY(!pof->hvAutoCheck());
    }

    void defaultSubscriberComesFromTheFactory()
    {
        int made = 0;
        TPOF own(std::make_unique<FakeHVData>(), [&made] {
            ++made;
            return std::make_unique<FakeHVData>();
        });
        QCOMPARE(made, 1);
        const auto first = own.sub();
        QVERIFY(first);

        own.setHVSub(std::make_unique<FakeHVData>()); // a procedure's own receiver
        QCOMPARE(made, 1);
        QVERIFY(own.sub() != first);

        own.resetHVSub();
        QCOMPARE(made, 2);
        const auto second = own.sub();
        QVERIFY(second && second != first);

        own.setHVSub(nullptr);
        QCOMPARE(made, 3);
        QVERIFY(own.sub() && own.sub() != second);
    }

    void subscriberSwappedFromAnotherThreadWhilePolling()
    {
        std::atomic<int> violations { 0 };
        pof->setHVAutoCheck(true);
        QElapsedTimer t;
        t.start();
        int swaps = 0;
        while (t.elapsed() < 1200) {
            pof->setHVSub(std::make_unique<WatchedSubscriber>(violations));
            ++swaps;
            QThread::usleep(500);
        }
        pof->setHVAutoCheck(false);
        QVERIFY(stateReads().size() >= 2); // the poll ran meanwhile
        // Later tests talk to a fresh default subscriber again.
        link.sub = nullptr;
        pof->resetHVSub();
        QVERIFY(link.sub);
        sub = link.sub;
        QCOMPARE(pof->sub().get(), static_cast<HFStateSubscriber*>(sub));
        QTest::qWait(50);
        QCOMPARE(violations.load(), 0);
        QVERIFY(swaps > 100);
    }
};

QTEST_GUILESS_MAIN(TestTPOFPolling)
#include "tst_TPOFPolling.moc"
