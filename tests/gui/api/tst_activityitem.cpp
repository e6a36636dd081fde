#include "gui/api/ActivityItem.h"
#include "gui/api/ActivityTypes.h"

#include <QSignalSpy>
#include <QtTest>

class TstActivityItem : public QObject {
    Q_OBJECT
private slots:
    void resultMapping_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("display");
        QTest::addColumn<int>("stored");
        QTest::newRow("pinpointing is done") << 5 << 15 << int(Measurement::Done) << 1;
        QTest::newRow("unknown") << 0 << 3 << int(Measurement::Unknown) << 0;
        QTest::newRow("passed") << 1 << 10 << int(Measurement::Passed) << 1;
        QTest::newRow("cancelled") << 2 << 3 << int(Measurement::InteruptedByUser) << 2;
        QTest::newRow("failed") << 7 << 3 << int(Measurement::Failed) << 7;
    }
    void resultMapping()
    {
        QFETCH(int, result);
        QFETCH(int, mode);
        QFETCH(int, display);
        QFETCH(int, stored);
        ActivityItem item;
        item.setTestResult(eTestResult(result), OperatingModes::fromInt(mode));
        QCOMPARE(item.testResult(), display);
        QCOMPARE(item.testResultDetail(), stored);
    }

    void dataLoadedOnlyWhenStoredResultChanges()
    {
        ActivityItem item;
        QSignalSpy loaded(&item, &ActivityItem::dataLoaded);
        item.setTestResult(eTestResult_BreakdownDetected, OperatingModes::VLFSin);
        item.setTestResult(eTestResult_BreakdownDetected, OperatingModes::VLFSin);
        QCOMPARE(loaded.count(), 1);
        item.clearData();
        item.setTestResult(eTestResult_BreakdownDetected, OperatingModes::VLFSin);
        QCOMPARE(loaded.count(), 1);
    }

    void keepsWhatItIsGiven()
    {
        ActivityItem item;
        item.setComment(QStringLiteral("  x "));
        item.setCableNumber(QStringLiteral(" K1\t"));
        QCOMPARE(item.comment(), QStringLiteral("x"));
        QCOMPARE(item.getCableNumber(), QStringLiteral("K1"));
        item.setResistor(5);
        item.setVoltage(12345678);
        item.addMeasurement(100, 5000, -20);
        item.addPeriodicData(300, 7000, 12, 1500);
        QCOMPARE(item.parameters().size(), 2);
        QCOMPARE(item.parameters().at(1).first, QStringLiteral("Voltage"));
        QCOMPARE(item.measurements().at(0).current, qint64(-20));
        const stPeriodicMeasurementValues p = item.periodicData().at(0);
        QCOMPARE(p.timeStamp, 300u);
        QCOMPARE(p.voltage, 7000);
        QCOMPARE(p.current, qint64(12));
        QCOMPARE(p.tanDelta, 1500u);

        item.clearData();
        QVERIFY(item.parameters().isEmpty() && item.measurements().isEmpty() && item.periodicData().isEmpty());
        QCOMPARE(item.comment(), QStringLiteral("x"));
    }
};

QTEST_GUILESS_MAIN(TstActivityItem)
#include "tst_activityitem.moc"
