#include "commissioning/BurnInMachine.h"
#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadePowerMachine.h"
#include "commissioning/CommissioningHVSubscriber.h"
#include "commissioning/CommissioningSafetyReceiver.h"
#include "commissioning/CommissioningValues.h"
#include "commissioning/DiagnoseManualMachine.h"
#include "commissioning/DiagnoseSinusMachine.h"
#include "commissioning/MachineBundle.h"
#include "commissioning/MaxCapacityLoadMachine.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/PofHelpers.h"
#include "commissioning/SafetyTestMachine.h"
#include "commissioning/TanDCalibrationMachine.h"
#include "commissioning/UnavailableProcedure.h"
#include "commissioning/VoltageWaveformMachine.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingMachine.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>

using namespace Commissioning;

namespace {

// Started, a procedure this version cannot run reports once and stays where it was.
template <typename M, typename Signal>
void checkUnavailable(Signal signal)
{
    M m(nullptr, nullptr);
    QSignalSpy spy(&m, signal);
    auto* idle = m.current();
    QVERIFY(idle);
    m.receiveEvent(Start);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), unavailableProcedureText());
    QCOMPARE(m.current(), idle);
    m.receiveEvent(Abort);
    m.receiveEvent(std::bitset<10>(0x3FF));
    m.receiveEvent(stHVUnitState(false, 0x2));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(m.current(), idle);
    QVERIFY(!m.isBusy());
    QCOMPARE(m.pendingEvents(), std::size_t(0));
}

QList<LoggingData> notCalledErrors(LogCapture& log)
{
    return log.deliveredWhere(
        [](const LoggingData& r) { return r.category == CAT_ERR && r.text == QLatin1String("this should not be called"); });
}

} // namespace

class TestCommissioningMachines : public QObject {
    Q_OBJECT

    std::unique_ptr<LogCapture> log;

private slots:
    void initTestCase() { log = std::make_unique<LogCapture>(); }
    void init() { log->clear(); }

    void recordEquality()
    {
        ValidationResult a { 12000000, 1234, 56, true };
        ValidationResult b = a;
        b.sigma = 99;
        QVERIFY(a == b);
        b.good = false;
        QVERIFY(a != b);
        b = a;
        b.tanDelta = 1235;
        QVERIFY(a != b);

        TanDStepStestResult r1 { TanDCalibrationFirstStepTest, { a, a } };
        TanDStepStestResult r2 = r1; // shares the list
        QVERIFY(r1 == r2);
        ValidationResult a2 = a;
        a2.sigma = 1;
        TanDStepStestResult r3 { TanDCalibrationFirstStepTest, { a2, a } }; // own list, equal elements
        QVERIFY(r1 == r3);
        r3.stage = TanDCalibrationSecondStepTest;
        QVERIFY(r1 != r3);
        TanDStepStestResult r4 { TanDCalibrationFirstStepTest, { a } };
        QVERIFY(r1 != r4);
        r4.steps << b;
        QVERIFY(r1 != r4);

        QCOMPARE(OutputValues::failed().voltage, 2147483647);
        QCOMPARE(OutputValues::failed().current, std::numeric_limits<qint64>::max());
        const CascadeOutputValues c1 { { 1, 2 }, { 3, 4, 5, 6 } };
        CascadeOutputValues c2 = c1;
        QVERIFY(c1 == c2);
        c2.cascade.currentB = 7;
        QVERIFY(c1 != c2);
        QVERIFY((TanDCalibrationValues { 1.0, 0.0, 1.0, 0.0 }) != (TanDCalibrationValues { 1.0, 0.0, 1.0, 1e-12 }));
    }

    void describeErrorTakesTheFirstFaultInItsOrder()
    {
        const quint32 on = HVStateBits::OutputOn;
        const QList<QPair<stHVUnitState, QString>> cases {
            { stHVUnitState(true, on | HVStateBits::Overtemperature), "ComErrorHVUnit" },
            { stHVUnitState(false, on | 0x3FFFFu), "OvertemperatureDetected" },
            { stHVUnitState(false, on | HVStateBits::Overvoltage | HVStateBits::Breakdown), "OvervoltageDetected" },
            { stHVUnitState(false, on | HVStateBits::Breakdown | HVStateBits::Overcurrent), "BreakdownDetected" },
            { stHVUnitState(false, on | HVStateBits::Overcurrent | HVStateBits::OutputOffset), "OvercurrentHVUnit" },
            { stHVUnitState(false, HVStateBits::OutputOffset), "OutputOffsetTooBig" },
            { stHVUnitState(false, HVStateBits::PolarityError), "HVGenDisabled" },
            { stHVUnitState(false, on | HVStateBits::PolarityError), "PolarityError" },
            { stHVUnitState(false, on | HVStateBits::Busy | HVStateBits::LoadResultError1), QString() },
        };
        for (const auto& c : cases)
            QCOMPARE(describeError(c.first), c.second);
    }

    void hvSubscriberStoresThenForwardsLater()
    {
        RecordingMachine m;
        CommissioningHVSubscriber<RecordingMachine> sub(&m, &RecordingMachine::receiveEvent<stHVUnitState>, 1);
        QVERIFY(sub.getHVUnitState() == stHVUnitState(false, 0));
        QVERIFY(!sub.getHVUnitState().comError);
        QCOMPARE(sub.getHVUnitState().state, 0u);
        QCOMPARE(sub.getVoltagePolarity(), 1);

        sub.setHVUnitState(stHVUnitState(false, 0x4002));
        QCOMPARE(sub.getHVUnitState().state, 0x4002u);
        // Handed on after the delivering call has returned.
        QVERIFY(m.states().empty());
        QTRY_COMPARE(m.states().size(), std::size_t(1));
        QCOMPARE(m.states().front().state, 0x4002u);

        sub.setHVUnitState(stHVUnitState(true, 0));
        QVERIFY(sub.getHVUnitState().comError);
        QTRY_COMPARE(m.states().size(), std::size_t(2));
        QVERIFY(m.states().back().comError);
    }

    void safetyReceiverForwardsAtOnce()
    {
        RecordingMachine m;
        CommissioningSafetyReceiver<RecordingMachine> rx(&m, &RecordingMachine::receiveEvent<std::bitset<10>>);
        rx.setSafetyCircuitState(std::bitset<10>(0x1FF));
        QCOMPARE(m.bits().size(), std::size_t(1));
        QCOMPARE(m.bits().front(), std::bitset<10>(0x1FF));
    }

    void operationsNoCallerNeedsLogInsteadOfThrowing()
    {
        RecordingMachine m;
        CommissioningSafetyReceiver<RecordingMachine> rx(&m, &RecordingMachine::receiveEvent<std::bitset<10>>);
        CommissioningHVSubscriber<RecordingMachine> sub(&m, &RecordingMachine::receiveEvent<stHVUnitState>, 0);
        SafetyReceiver& asReceiver = rx;
        HFStateSubscriber& asSubscriber = sub;
        asReceiver.setSafetyCircuitDriverEnabled(true);
        QCOMPARE(asSubscriber.getVLFCosRectType(), 0);
        QCOMPARE(notCalledErrors(*log).size(), 2);
        QVERIFY(m.bits().empty());
    }

    void unavailableProceduresReportOnStart()
    {
        checkUnavailable<SafetyTestMachine>(&SafetyTestMachine::errorDescription);
        checkUnavailable<VoltageWaveformMachine>(&VoltageWaveformMachine::errorDescription);
        checkUnavailable<BurnInMachine>(&BurnInMachine::error);
        checkUnavailable<DiagnoseSinusMachine>(&DiagnoseSinusMachine::errorMessage);
        checkUnavailable<DiagnoseManualMachine>(&DiagnoseManualMachine::errorMessage);
        checkUnavailable<MaxCapacityLoadMachine>(&MaxCapacityLoadMachine::errorMessage);
        checkUnavailable<TanDCalibrationMachine>(&TanDCalibrationMachine::errorMessage);
    }

    void eventsFromAnotherThreadRunOnTheMachinesThread()
    {
        QThread worker;
        worker.start();
        auto m = std::make_unique<SafetyTestMachine>(nullptr, nullptr);
        std::atomic<QThread*> ranOn { nullptr };
        connect(m.get(), &SafetyTestMachine::errorDescription, m.get(),
                [&ranOn](const QString&) { ranOn = QThread::currentThread(); }, Qt::DirectConnection);
        m->moveToThread(&worker);
        m->receiveEvent(Start);
        QTRY_COMPARE(ranOn.load(), &worker);
        worker.quit();
        worker.wait();
    }

    void sinusSettingsStoreAndAnnounceChanges()
    {
        DiagnoseSinusMachine m(nullptr, nullptr);
        std::shared_ptr<SinusDiagnoseSettings> s = m.settingsHandler();
        QVERIFY(s);
        QCOMPARE(m.settingsHandler(), s); // one object, shared
        QSignalSpy freq(s.get(), &SinusDiagnoseSettings::frequencyChanged);
        QSignalSpy volt(s.get(), &SinusDiagnoseSettings::voltageChanged);
        QSignalSpy bits(s.get(), &SinusDiagnoseSettings::serviceBitsChanged);
        s->takeFrequency(500);
        QCOMPARE(s->frequency(), 500ull);
        QCOMPARE(freq.size(), 1);
        s->takeFrequency(500);
        QCOMPARE(freq.size(), 1);
        s->takeVoltage(12500000);
        QCOMPARE(s->Voltage(), 12500000ull);
        s->takeServiceBits(0x104);
        QCOMPARE(s->serviceBits(), 0x104ull);
        QCOMPARE(volt.size(), 1);
        QCOMPARE(bits.size(), 1);
        QCOMPARE(freq.size(), 1);

        QVERIFY(isBitEnabled(s->serviceBits(), 8));
        QVERIFY(isBitEnabled(s->serviceBits(), 2));
        QVERIFY(!isBitEnabled(s->serviceBits(), 0));
        QVERIFY(!isBitEnabled(~0ull, 64));
        QVERIFY(!isBitEnabled(~0ull, -1));
        QVERIFY(isBitEnabled(~0ull, 63));
    }

    void settersKeepWhatThePageSent()
    {
        BurnInMachine burnIn(nullptr, nullptr);
        burnIn.setDurations(2, 90000);
        QCOMPARE(burnIn.sinusDurationMs(), 120000ll);
        QCOMPARE(burnIn.dcDurationMs(), 5400000000ll); // beyond 32 bits

        DiagnoseManualMachine manual(nullptr, nullptr);
        manual.setCascade(CascadeSetting { -123, 57, 100 });
        QVERIFY(manual.cascadeSetting() == (CascadeSetting { -123, 57, 100 }));
        QVERIFY(!manual.isBusy());
        QCOMPARE(manual.pendingEvents(), std::size_t(0));
    }

    void bundleCopiesShareTheMachines()
    {
        QList<QPointer<QObject>> watched;
        MachineBundle copy;
        {
            const MachineBundle original = createBundle(nullptr, nullptr);
            copy = original;
            const QList<QObject*> all { original.outputCalibration.get(), original.cascadeCalibration.get(),
                                        original.voltageWaveform.get(),   original.safetyTest.get(),
                                        original.cascadePower.get(),      original.burnIn.get(),
                                        original.diagnoseSinus.get(),     original.diagnoseManual.get(),
                                        original.maxCapacityLoad.get(),   original.tanDCalibration.get() };
            for (QObject* o : all) {
                QVERIFY(o);
                watched << o;
            }
            QCOMPARE(copy.safetyTest.use_count(), 2);
        }
        for (const auto& p : watched)
            QVERIFY(!p.isNull());
        QCOMPARE(copy.tanDCalibration.use_count(), 1);
        copy.burnIn->receiveEvent(Start); // still working

        copy = MachineBundle();
        for (const auto& p : watched)
            QVERIFY(p.isNull());
    }

    void lastReleaseDeletesOnTheMachinesThread()
    {
        QThread worker;
        worker.start();
        MachineBundle bundle = createBundle(nullptr, nullptr);
        bundle.moveToThread(&worker);
        std::atomic<QThread*> deletedOn { nullptr };
        connect(bundle.cascadePower.get(), &QObject::destroyed, this,
                [&deletedOn] { deletedOn = QThread::currentThread(); }, Qt::DirectConnection);
        bundle = MachineBundle();
        QTRY_VERIFY(deletedOn.load() != nullptr);
        QCOMPARE(deletedOn.load(), &worker);
        worker.quit();
        worker.wait();
    }
};

QTEST_GUILESS_MAIN(TestCommissioningMachines)
#include "tst_commissioningmachines.moc"
