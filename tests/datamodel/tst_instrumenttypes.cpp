#include "datamodel/InstrumentTypes.h"

#include <QtTest>

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
};

QTEST_GUILESS_MAIN(TstInstrumentTypes)
#include "tst_instrumenttypes.moc"
