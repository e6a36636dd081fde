#include "datamodel/InstrumentTypes.h"

#include <QMetaEnum>
#include <QtTest>

#include <type_traits>

namespace {
// The records as they were before the meta-object system knew them: same members.
struct PlainHVUnitState { bool comError; quint32 state; };
struct PlainMeasurementValues { quint32 timeStamp; QDateTime localTime; qint32 voltage; qint64 current; };
struct PlainPeriodicValues { qint32 voltage; qint64 current; quint32 tanDelta; quint32 timeStamp; };
struct PlainTBState { qint32 powerState; qint32 stateWord; };
struct PlainTestTime { quint64 milliseconds; quint16 minutes; quint16 seconds; };

template <typename A, typename B>
constexpr bool sameLayout()
{
    return sizeof(A) == sizeof(B) && alignof(A) == alignof(B) && std::is_standard_layout<A>::value;
}
static_assert(sameLayout<stHVUnitState, PlainHVUnitState>(), "stHVUnitState layout");
static_assert(sameLayout<stMeasurementValues, PlainMeasurementValues>(), "stMeasurementValues layout");
static_assert(sameLayout<stPeriodicMeasurementValues, PlainPeriodicValues>(), "stPeriodicMeasurementValues layout");
static_assert(sameLayout<stTBState, PlainTBState>(), "stTBState layout");
static_assert(sameLayout<stTestTime, PlainTestTime>(), "stTestTime layout");
static_assert(offsetof(stPeriodicMeasurementValues, tanDelta) == offsetof(PlainPeriodicValues, tanDelta), "tanDelta");

// The read-only properties of a record, "name=value" each.
template <typename T>
QStringList properties(const T& record)
{
    QStringList out;
    const QMetaObject& mo = T::staticMetaObject;
    for (int i = mo.propertyOffset(); i < mo.propertyCount(); ++i) {
        const QMetaProperty p = mo.property(i);
        out << QStringLiteral("%1=%2%3").arg(QLatin1String(p.name()), p.readOnGadget(&record).toString(),
                                            p.isWritable() ? QStringLiteral(" (writable)") : QString());
    }
    return out;
}
} // namespace

// Receives over a queued connection looked up by the old type names.
class OldNames : public QObject {
    Q_OBJECT
public:
    QString seen;
public slots:
    void take(eAppEvent e, eTestResult r, eUSBState u, States::AppState s, stTBState tb)
    {
        seen = QStringLiteral("%1 %2 %3 %4 %5/%6").arg(int(e)).arg(int(r)).arg(int(u)).arg(int(s))
                   .arg(tb.powerState).arg(tb.stateWord);
    }
};

class TstInstrumentTypes : public QObject {
    Q_OBJECT
private slots:
    void numbersAndNames()
    {
        QCOMPARE(int(States::Backfeed), 24);
        QCOMPARE(int(eAppEvent::Count), 40);
        QCOMPARE(QString(States::stateName(States::TestBurning)), QString("TestBurning"));
        QCOMPARE(QString(States::stateName(static_cast<States::AppState>(25))), QString("Unknown"));
        QCOMPARE(QString(appEventName(eAppEvent::HistoryReady)), QString("HistoryReady"));
        QCOMPARE(QString(appEventName(eAppEvent::Backfeed)), QString("Backfeed"));
        QCOMPARE(QString(appEventName(static_cast<eAppEvent>(-1))), QString("Unknown"));
        QCOMPARE(int(OperatingModes::Unknown), 26);
        QCOMPARE(int(eTestResult_DischargeDeviceError), TestResultCount - 1);
    }

    void hvStateEquality()
    {
        // Two records with the link down are equal whatever their words say.
        QVERIFY(stHVUnitState(true, 1) == stHVUnitState(true, 2));
        QVERIFY(stHVUnitState(false, 1) != stHVUnitState(true, 1));
        QVERIFY(stHVUnitState(false, 1) != stHVUnitState(false, 2));
        QVERIFY(stHVUnitState() == stHVUnitState(false, 0));
        QVERIFY(stHVUnitState(false, HVStateBits::Breakdown).hasFault());
        QVERIFY(!stHVUnitState(true, HVStateBits::Breakdown).hasFault());
    }

    void exportInfoPath()
    {
        stExportTestInfo info;
        QCOMPARE(info.filePath(), QString());
        info.directory = "/a/b";
        QCOMPARE(info.filePath(), QString());
        info.fileName = "x.vlf";
        QCOMPARE(info.filePath(), QString("/a/b/x.vlf"));
        info.directory.clear();
        QCOMPARE(info.filePath(), QString());
    }

    void faultValuesReset()
    {
        stFaultValues f;
        f.faultTime = 5;
        f.reset();
        QCOMPARE(f.faultTime, -1);
        QCOMPARE(f.faultVoltage, -1);
        QCOMPARE(f.leakageCurrent, quint64(4294967295ULL));
    }

    void queuedSignalCarriesRecords()
    {
        registerInstrumentTypes();
        QVERIFY(QMetaType::type("stMeasurementValues") != QMetaType::UnknownType);
        QVERIFY(QMetaType::type("States::AppState") != QMetaType::UnknownType);
        QVERIFY(QMetaType::type("eAppEvent") != QMetaType::UnknownType);
        QVERIFY(QMetaType::type("std::bitset<10>") != QMetaType::UnknownType);
    }

    void enumsKnowTheirNames()
    {
        registerInstrumentTypes();
        const QMetaEnum events = QMetaEnum::fromType<eAppEvent>();
        QCOMPARE(events.keyCount(), int(eAppEvent::Count) + 1);
        QCOMPARE(QByteArray(events.valueToKey(int(eAppEvent::HVUnitInitialized))), QByteArray("HVUnitInitialized"));
        const QMetaEnum states = QMetaEnum::fromType<States::AppState>();
        QCOMPARE(states.keyCount(), States::StateCount);
        QCOMPARE(states.keyToValue("WaitFohm"), int(States::WaitFohm));
        const QMetaEnum results = QMetaEnum::fromType<eTestResult>();
        QCOMPARE(results.keyCount(), TestResultCount);
        QCOMPARE(QByteArray(results.valueToKey(eTestResult_TBPowerError)), QByteArray("eTestResult_TBPowerError"));
        QCOMPARE(QMetaEnum::fromType<eUSBState>().keyToValue("USBState_Checking"), int(USBState_Checking));
        QCOMPARE(QMetaEnum::fromType<OperatingModes::OperatingMode>().keyToValue("TanDelta"), int(OperatingModes::TanDelta));

        // Registered under the names they always had, so that queued calls by name keep working.
        QCOMPARE(QByteArray(QMetaType::typeName(qMetaTypeId<eAppEvent>())), QByteArray("eAppEvent"));
        QCOMPARE(QByteArray(QMetaType::typeName(qMetaTypeId<eTestResult>())), QByteArray("eTestResult"));
        QCOMPARE(QByteArray(QMetaType::typeName(qMetaTypeId<eUSBState>())), QByteArray("eUSBState"));
        QCOMPARE(QMetaType::type("States::AppState"), qMetaTypeId<States::AppState>());
        QCOMPARE(QMetaType::metaObjectForType(qMetaTypeId<eAppEvent>()), &Instrument::staticMetaObject);

        OldNames receiver;
        QVERIFY(QMetaObject::invokeMethod(&receiver, "take", Qt::QueuedConnection,
                                          Q_ARG(eAppEvent, eAppEvent::HistoryReady),
                                          Q_ARG(eTestResult, eTestResult_Overload),
                                          Q_ARG(eUSBState, USBState_NoStick),
                                          Q_ARG(States::AppState, States::Backfeed),
                                          Q_ARG(stTBState, (stTBState{2, 7}))));
        QTRY_COMPARE(receiver.seen, QStringLiteral("37 17 1 24 2/7"));
    }

    void recordsShowReadOnlyProperties()
    {
        QCOMPARE(properties(stHVUnitState(true, 0x4002)), QStringList({"comError=true", "state=16386"}));
        stMeasurementValues m;
        m.timeStamp = 1500;
        m.localTime = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
        m.voltage = -31000000;
        m.current = 5000000000LL;
        QCOMPARE(properties(m), QStringList({"timeStamp=1500", "localTime=2026-03-04T05:06:07.000Z",
                                             "voltage=-31000000", "current=5000000000"}));
        stPeriodicMeasurementValues p;
        p.voltage = 12;
        p.current = -3;
        p.timeStamp = 9;
        QCOMPARE(properties(p), QStringList({"voltage=12", "current=-3", "tanDelta=1000000000", "timeStamp=9"}));
        QCOMPARE(properties(stTBState{1, 4}), QStringList({"powerState=1", "stateWord=4"}));
        stTestTime t;
        t.milliseconds = 61500;
        t.minutes = 1;
        t.seconds = 1;
        QCOMPARE(properties(t), QStringList({"milliseconds=61500", "minutes=1", "seconds=1"}));
        registerInstrumentTypes();
        QCOMPARE(QMetaType::metaObjectForType(QMetaType::type("stTBState")), &stTBState::staticMetaObject);
    }
};

QTEST_GUILESS_MAIN(TstInstrumentTypes)
#include "tst_instrumenttypes.moc"
