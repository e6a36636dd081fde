// The record store against the real data model: capture, saved-record info and the
// history list in the model's formats.
#include "fakes/DataModelFixture.h"
#include "testrun/File.h"
#include "fakes/LogRecorder.h"
#include "logging/LoggingCtrl.h"
#include "testrun/TestChart.h"
#include "datamodel/DataModell.h"

#include <QDir>
#include <QtTest>

#include <memory>

using namespace TestChart;
using M = OperatingModes;

class TstRecordCapture : public QObject {
    Q_OBJECT

    std::unique_ptr<DataModelFixture> m_fixture;
    DataModell* m_dm = nullptr;

    void finishedSineTest()
    {
        m_dm->changeOperatingMode(M::VLFSin);
        m_dm->setVoltageToTest(25000000);
        m_dm->setMinutesToTest(1);
        m_dm->setSecondsToTest(5);
        m_dm->setPhasesToTest(3);
        m_dm->setCableNumber(QStringLiteral("K\u20ac-17"));
        m_dm->setTestComment(QStringLiteral("Pr\u00fcfung"));
        stIdentification id;
        qstrcpy(id.modelName, "VX45 ");
        id.firmwareMajor = 2;
        id.firmwareMinor = 7;
        id.supportFlags = 0x08;
        m_dm->setHVIdentification(id);
        m_dm->setTestTime(TestTime_Start, QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7, 8)));
        m_dm->setTestResult(eTestResult_FinishedSuccess);
        stMeasurementValues a;
        a.timeStamp = 100;
        a.voltage = 5000;
        a.current = -20;
        stMeasurementValues b = a;
        b.timeStamp = 200;
        b.current = 0x100000019LL;
        m_dm->setMeasurementValues(a);
        m_dm->setMeasurementValues(b);
        stPeriodicMeasurementValues p;
        p.voltage = 7000;
        p.current = 12;
        p.tanDelta = TanDeltaNone;
        p.timeStamp = 300;
        m_dm->setPeriodicMeasurementValues(p);
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tstrecords"));
        QLocale::setDefault(QLocale::c());
        registerInstrumentTypes();
    }

    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_dm = m_fixture->dm();
    }

    void cleanup()
    {
        m_dm = nullptr;
        m_fixture.reset();
    }

    void captureFromTheModel()
    {
        finishedSineTest();
        VLF::TestData d;
        QVERIFY(captureTestChartData(*m_dm, d));
        QCOMPARE(VLF::info(d, 0, 4), QStringLiteral("VX45"));
        QCOMPARE(VLF::info(d, 0, 7), QStringLiteral("2"));
        QCOMPARE(VLF::info(d, 0, 33), QStringLiteral("1"));
        QCOMPARE(VLF::info(d, 0, 10), m_dm->getSerialNumber());
        QCOMPARE(VLF::info(d, 0, 12), QStringLiteral("10"));
        QCOMPARE(VLF::info(d, 0, 13), QString::number(m_dm->getVoltageToTest()));
        QCOMPARE(VLF::info(d, 0, 15), QStringLiteral("65000"));
        QCOMPARE(VLF::info(d, 0, 17), QStringLiteral("3"));
        QCOMPARE(VLF::info(d, 0, 42), QStringLiteral("K\u20ac-17"));
        QCOMPARE(VLF::info(d, 1, 15), QStringLiteral("2025-03-04T05:06:07.008"));
        QCOMPARE(VLF::info(d, 1, 28), QStringLiteral("1"));
        QCOMPARE(VLF::info(d, 1, 25).trimmed(), QStringLiteral("Pr\u00fcfung"));
        QCOMPARE(VLF::info(d, 1, 29), QStringLiteral("200"));
        QCOMPARE(VLF::info(d, 0, 11), QStringLiteral("1"));
        QCOMPARE(d.info.last().key, 11);
        QCOMPARE(d.measure.size(), 2);
        QCOMPARE(d.measure.at(1).current, 0x19);
        QCOMPARE(d.periodic.size(), 1);
        QCOMPARE(d.periodic.at(0).tanDelta, 0);
        QCOMPARE(d.periodic.at(0).timestamp, 300);

        // Second run of the same record.
        QVERIFY(captureTestChartData(*m_dm, d));
        QCOMPARE(VLF::info(d, 0, 11), QStringLiteral("2"));
        QCOMPARE(VLF::info(d, 2, 28), QStringLiteral("1"));
        QCOMPARE(d.measure.size(), 4);
        QCOMPARE(d.measure.at(3).run, 2);
    }

    void savedRecordReachesTheModel()
    {
        finishedSineTest();
        VLF::TestData d;
        captureTestChartData(*m_dm, d);
        QVERIFY(saveTestData(GlobalFuncs::InternalMeasurements, d));
        const stExportTestInfo history = m_dm->getHistoryTestInfo();
        QCOMPARE(history.fileName, exportFileName(d));
        QCOMPARE(history.directory, GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + "/20250304");
        QVERIFY(VLF::File::verify(history.filePath()));

        QVERIFY(!m_fixture->root().insertStick().isEmpty());
        QVERIFY(saveTestData(GlobalFuncs::UsbMeasurements, d));
        const stExportTestInfo exported = m_dm->getExportTestInfo();
        QVERIFY(exported.directory.startsWith(m_fixture->root().path("/media/USB")));
        QVERIFY(VLF::File::verify(exported.filePath()));
    }

    void historyInTheModelsFormats()
    {
        finishedSineTest();
        VLF::TestData d;
        captureTestChartData(*m_dm, d);
        QVERIFY(saveTestData(GlobalFuncs::InternalMeasurements, d));
        const QString store = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements);
        QFile bad(store + "/20250304/00000000123-20250304-010000-DC.vlf");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(VLF::File::encode(VLF::TestData()).left(20)); // cut inside the info section
        bad.close();

        m_dm->setDateFormat(QStringLiteral("dd.MM.yyyy"));
        m_dm->setTimeFormat(QStringLiteral("HH:mm:ss"));
        m_dm->setPhaseName(1, QStringLiteral("Blue"));
        auto list = activityEntryList(store);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).type, int(ActivityTypes::Folder));
        QCOMPARE(list.at(0).name, QStringLiteral("04.03.2025"));
        QCOMPARE(list.at(0).cableNumber, QStringLiteral("K\u20ac-17"));
        QCOMPARE(list.at(1).date, QStringLiteral("04.03.2025"));
        QCOMPARE(list.at(1).time, QStringLiteral("05:06:07"));
        QCOMPARE(list.at(1).phase, QStringLiteral("L1 Blue"));
        QCOMPARE(list.at(1).comment, QStringLiteral("Pr\u00fcfung"));

        // In debug mode the unreadable record is listed, marked.
        QCOMPARE(m_fixture->config()->setBoolean(QStringLiteral("/General/DevelopmentMode"), true), 0);
        QVERIFY(m_dm->isDevelopmentMode());
        list = activityEntryList(store);
        QCOMPARE(list.size(), 4);
        QCOMPARE(list.at(3).mode, QStringLiteral("EPARSE"));
    }
};

QTEST_GUILESS_MAIN(TstRecordCapture)
#include "tst_recordcapture.moc"
