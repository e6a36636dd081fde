#include "testrun/File.h"
#include "fakes/LogRecorder.h"
#include "logging/LoggingCtrl.h"
#include "testrun/MeasurementManager.h"
#include "fakes/TempRoot.h"
#include "testrun/TestChart.h"
#include "testrun/UnreadableRecords.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace TestChart;
using VLF::TestData;

namespace {
// The data model's getters as the capture reads them, with values set by the test.
struct FakeModel {
    OperatingModes::OperatingMode mode = OperatingModes::VLFSin;
    stIdentification id;
    QString hardwareId = QStringLiteral("HW-7");
    QString serial = QStringLiteral("00000000123");
    long voltage = 12345678;
    int polarity = 0;
    unsigned short minutes = 2, seconds = 30;
    unsigned long frequency = 100;
    int phases = 5;
    int burn = 1, ramp = 2, cosRect = 0;
    QString cable = QStringLiteral("K\u20ac-1");
    int standard = 1, insulation = 2, steps = 3, values = 8;
    long factorTenths = 15;
    QVector<quint16> factors{50, 100, 150};
    unsigned long frequencyUsed = 98;
    QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(10, 15, 30, 250));
    int lastPhase = 2;
    eTestResult result = eTestResult_BreakdownDetected;
    std::bitset<10> safety{0x2A5};
    quint64 hvState = 0xFFFFFFFF00000001ULL;
    QString comment = QStringLiteral("Pr\u00fcfung");
    bool loadDetection = true;
    quint64 resistor = 123456789012ULL;
    unsigned long capacitance = 4321;
    stFaultValues fault;
    QVector<stMeasurementValues> samples;
    QVector<stPeriodicMeasurementValues> periodic;

    OperatingModes::OperatingMode getOperatingMode() const { return mode; }
    const stIdentification& getHVIdentification() const { return id; }
    QString getHardwareId() const { return hardwareId; }
    QString getSerialNumber() const { return serial; }
    long getTestVoltageAsRun() const { return voltage; }
    int getVoltagePolarity() const { return polarity; }
    unsigned short getMinutesToTest() const { return minutes; }
    unsigned short getSecondsToTest() const { return seconds; }
    unsigned long getFrequencyToTest() const { return frequency; }
    int phasesToTest() const { return phases; }
    int phasesOfSequence() const { return phases; }
    int burnMode() const { return burn; }
    int getVoltageRampMode() const { return ramp; }
    int getVLFCosRectType() const { return cosRect; }
    QString getCableNumber() const { return cable; }
    int getEvaluationStandard() const { return standard; }
    int getCableInsulation() const { return insulation; }
    int getVoltageSteps() const { return steps; }
    int getNumberOfValues() const { return values; }
    long getVoltageFactor(eVoltageType type) const { return type == VoltageType_Factor ? factorTenths : 0; }
    QVector<quint16> getVoltageFactorList() const { return factors; }
    unsigned long getFrequencyUsed() const { return frequencyUsed; }
    QDateTime getTestTime(eTestTimes which) const { return which == TestTime_Start ? start : QDateTime(); }
    int lastUsedPhase() const { return lastPhase; }
    eTestResult getTestResult() const { return result; }
    std::bitset<10> getSafetyCircuitStateOfTestResult() const { return safety; }
    quint64 getHvUnitStateOfTestResult() const { return hvState; }
    QString getTestComment() const { return comment; }
    stMeasurementValues getLastMeasurementValues() const
    {
        return samples.isEmpty() ? stMeasurementValues() : samples.last();
    }
    bool modeUseLoadDetection() const { return loadDetection; }
    quint64 getResistorLoad() const { return resistor; }
    unsigned long getCapacitanceLoad() const { return capacitance; }
    stFaultValues getFaultValues() const { return fault; }
    QVector<stMeasurementValues>::const_iterator beginMeasurementValues() const { return samples.cbegin(); }
    QVector<stMeasurementValues>::const_iterator endMeasurementValues() const { return samples.cend(); }
    QVector<stPeriodicMeasurementValues>::const_iterator beginPeriodicMeasurementValues() const
    {
        return periodic.cbegin();
    }
    QVector<stPeriodicMeasurementValues>::const_iterator endPeriodicMeasurementValues() const
    {
        return periodic.cend();
    }
};

using Key = QPair<int, int>;
QVector<Key> keys(const TestData& d, int from = 0)
{
    QVector<Key> out;
    for (int i = from; i < d.info.size(); ++i)
        out << Key(d.info.at(i).group, d.info.at(i).key);
    return out;
}

TestData record(const QString& start, int mode, const QString& cable, const QString& comment,
                const QString& serial = QStringLiteral("123"))
{
    TestData d;
    VLF::insert(d, 0, 10, serial);
    VLF::insert(d, 0, 12, qint64(mode));
    VLF::insert(d, 0, 13, qint64(12345678));
    VLF::insert(d, 0, 17, qint64(3));
    VLF::insert(d, 0, 34, cable);
    VLF::insert(d, 0, 42, cable);
    VLF::insert(d, 1, 15, start);
    VLF::insert(d, 1, 25, comment);
    VLF::insert(d, 0, 11, qint64(1));
    return d;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TstRecordStore : public QObject {
    Q_OBJECT
private:
    LoggingCtrl m_logger;
    std::shared_ptr<LogRecorder> m_log = std::make_shared<LogRecorder>();

    bool logged(const QString& text)
    {
        return m_log->waitFor([&text](const LoggingData& r) { return r.text == text; }, 5000);
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        m_logger.addSink(m_log->makeSink());
        QVERIFY(m_logger.initialize());
    }
    void cleanupTestCase() { m_logger.release(); }

    void captureFirstRun()
    {
        FakeModel dm;
        qstrcpy(dm.id.modelName, "  VX 45 ");
        dm.id.firstNumber = 11;
        dm.id.secondNumber = 22;
        dm.id.firmwareMajor = 3;
        dm.id.firmwareMinor = 4;
        dm.id.supportFlags = 0x09;
        dm.fault.faultTime = 1500;
        dm.fault.faultVoltage = -42000;
        dm.fault.leakageCurrent = 0x100000005ULL;
        dm.samples = {{100, {}, 5000, -20}, {200, {}, 5000, 0x100000019LL}};
        dm.periodic = {{7000, 12, 1500, 300}, {7100, -1, TanDeltaNone, 400}};

        TestData d;
        QVERIFY(captureTestChartData(dm, d));
        const QVector<Key> expected{{0, 0},  {0, 1},  {0, 40}, {0, 4},  {0, 5},  {0, 6},  {0, 7},  {0, 8},
                                    {0, 33}, {0, 9},  {0, 10}, {0, 12}, {0, 13}, {0, 15}, {0, 16}, {0, 17},
                                    {0, 18}, {0, 19}, {0, 20}, {0, 34}, {0, 42}, {1, 16}, {1, 15}, {1, 17},
                                    {1, 28}, {1, 35}, {1, 36}, {1, 25}, {1, 29}, {1, 26}, {1, 27}, {1, 30},
                                    {1, 31}, {1, 32}, {0, 11}};
        QCOMPARE(keys(d), expected);
        QCOMPARE(VLF::info(d, 0, 0), QStringLiteral("4"));
        QCOMPARE(VLF::info(d, 0, 1), QStringLiteral("2"));
        QCOMPARE(VLF::info(d, 0, 40), QStringLiteral("0"));
        QCOMPARE(VLF::info(d, 0, 4), QStringLiteral("VX 45"));
        QCOMPARE(VLF::info(d, 0, 8), QStringLiteral("4"));
        QCOMPARE(VLF::info(d, 0, 33), QStringLiteral("1"));
        QCOMPARE(VLF::info(d, 0, 10), QStringLiteral("00000000123"));
        QCOMPARE(VLF::info(d, 0, 12), QStringLiteral("10"));
        QCOMPARE(VLF::info(d, 0, 15), QStringLiteral("150000"));
        QCOMPARE(VLF::info(d, 0, 17), QStringLiteral("5"));
        QCOMPARE(VLF::info(d, 0, 42), QStringLiteral("K\u20ac-1"));
        QCOMPARE(VLF::info(d, 1, 15), QStringLiteral("2026-12-07T10:15:30.250"));
        QCOMPARE(VLF::info(d, 1, 17), QStringLiteral("5")); // not a tan delta mode: the phases
        QCOMPARE(VLF::info(d, 1, 28), QStringLiteral("5"));
        QCOMPARE(VLF::info(d, 1, 35), QString::number(0x2A5));
        QCOMPARE(VLF::info(d, 1, 36), QStringLiteral("18446744069414584321"));
        QCOMPARE(VLF::info(d, 1, 29), QStringLiteral("200"));
        QCOMPARE(VLF::info(d, 1, 26), QStringLiteral("123456789012"));
        QCOMPARE(VLF::info(d, 1, 30), QStringLiteral("1500"));
        QCOMPARE(VLF::info(d, 1, 31), QStringLiteral("-42000"));
        QCOMPARE(VLF::info(d, 1, 32), QStringLiteral("4294967301"));
        QCOMPARE(VLF::info(d, 0, 11), QStringLiteral("1"));

        // Currents keep their low 32 bits; an invalid tan delta is stored as 0.
        QCOMPARE(d.measure.size(), 2);
        QVERIFY((d.measure.at(1) == TestData::Measure{1, 200, 5000, 0x19}));
        QCOMPARE(d.periodic.size(), 2);
        QVERIFY((d.periodic.at(0) == TestData::Periodic{1, 300, 7000, 12, 1500}));
        QVERIFY((d.periodic.at(1) == TestData::Periodic{1, 400, 7100, -1, 0}));
    }

    void captureSecondRunAndModeKeys()
    {
        FakeModel dm;
        dm.mode = OperatingModes::MWTStep;
        dm.loadDetection = false;
        dm.fault.faultTime = 0; // no fault values
        dm.samples = {{100, {}, 1, 2}};
        TestData d;
        captureTestChartData(dm, d);
        const int firstSize = d.info.size();
        const QVector<Key> tanDelta{{0, 21}, {0, 22}, {0, 23}, {0, 24}, {0, 45}, {1000, 0}, {1000, 1}, {1000, 2}};
        QCOMPARE(keys(d).mid(21, tanDelta.size()), tanDelta);
        QCOMPARE(VLF::info(d, 0, 45), QStringLiteral("150"));
        QCOMPARE(VLF::info(d, 1000, 2), QStringLiteral("150"));
        QCOMPARE(VLF::info(d, 1, 17), QStringLiteral("2")); // tan delta: the last measured phase

        dm.lastPhase = 0;
        dm.samples = {{50, {}, 3, 4}};
        QVERIFY(captureTestChartData(dm, d));
        const QVector<Key> second{{0, 21}, {0, 22}, {0, 23},  {0, 24},  {0, 45},  {1000, 0}, {1000, 1},
                                  {1000, 2}, {2, 16}, {2, 15}, {2, 17}, {2, 28}, {2, 35},   {2, 36},
                                  {2, 25}, {2, 29}};
        QCOMPARE(keys(d, firstSize), second);
        QCOMPARE(VLF::info(d, 0, 11), QStringLiteral("2")); // replaced in place, not appended
        QCOMPARE(keys(d).count(Key(0, 11)), 1);
        QCOMPARE(VLF::info(d, 2, 17), QStringLiteral("0"));
        QCOMPARE(d.measure.last().run, 2);

        // A run count that is not a number starts over as a first capture.
        TestData odd;
        VLF::insert(odd, 0, 11, QStringLiteral("x"));
        captureTestChartData(dm, odd);
        QCOMPARE(odd.info.at(1).key, 0);
        QCOMPARE(VLF::info(odd, 1, 28), QStringLiteral("5"));

        // DC writes the polarity key: 1 for positive.
        FakeModel dc;
        dc.mode = OperatingModes::DC;
        TestData p;
        captureTestChartData(dc, p);
        QCOMPARE(keys(p).mid(12, 3), (QVector<Key>{{0, 13}, {0, 14}, {0, 15}}));
        QCOMPARE(VLF::info(p, 0, 14), QStringLiteral("1"));
    }

    void fileNames()
    {
        TestData d = record(QStringLiteral("2026-12-07T10:15:30.250"), OperatingModes::VLFSin, {}, {});
        QCOMPARE(exportFileName(d), QStringLiteral("00000000123-20261207-101530-VLFSine.vlf"));
        VLF::update(d, 0, 10, QStringLiteral("SN-12"));
        QCOMPARE(exportFileName(d), QStringLiteral("00000000000-20261207-101530-VLFSine.vlf"));
        TestData empty;
        QCOMPARE(exportFileName(empty), QStringLiteral("00000000000---Nomode.vlf"));
        QCOMPARE(operatingModeName(OperatingModes::SheathPinpointing), QStringLiteral("SheathPinpointing"));
    }

    void safeWrite()
    {
        QTemporaryDir dir;
        const TestData d = record(QStringLiteral("2026-12-07T10:15:30.250"), OperatingModes::DC, "a", "b");
        const QString target = dir.filePath(QStringLiteral("r.vlf"));
        QVERIFY(writeFile(target, d));
        QCOMPARE(bytesOf(target), VLF::File::encode(d));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("r.vlf")});

        // Overwriting keeps no scratch file either.
        TestData d2 = d;
        VLF::update(d2, 1, 25, QStringLiteral("new"));
        QVERIFY(writeFile(target, d2));
        QCOMPARE(bytesOf(target), VLF::File::encode(d2));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    void safeWriteFailures()
    {
        QTemporaryDir dir;
        const TestData d = record(QStringLiteral("2026-12-07T10:15:30.250"), OperatingModes::DC, "a", "b");

        // A folder that cannot be written (its parent is a file): retried, then reported.
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString bad = dir.filePath(QStringLiteral("file/day/r.vlf"));
        m_log->clear();
        QElapsedTimer t;
        t.start();
        QVERIFY(!writeFile(bad, d));
        QVERIFY(t.elapsed() >= 2000); // four waits of 255, 510, 765 and 1020 ms
        QVERIFY(logged(QStringLiteral("Can't write data to: ") + bad));
        QCOMPARE(m_log->count(QStringLiteral("TempWriteError: ")), 5);

        // The old record stays whole when the new one cannot be put in place.
        const QString target = dir.filePath(QStringLiteral("old.vlf"));
        QVERIFY(writeFile(target, d));
        const QByteArray before = bytesOf(target);
        QVERIFY(QDir().mkpath(target + QStringLiteral(".tmp/held")));
        TestData d2 = d;
        VLF::update(d2, 1, 25, QStringLiteral("changed"));
        QVERIFY(!writeFile(target, d2));
        QVERIFY(logged(QStringLiteral("FirstTempCleanupError: ") + target + QStringLiteral(".tmp")));
        QCOMPARE(bytesOf(target), before);
        QVERIFY(!updateComment(target, QStringLiteral("changed")));
        QCOMPARE(bytesOf(target), before);
    }

    void saveIntoDayFolder()
    {
        TempRoot root;
        const TestData d = record(QStringLiteral("2026-12-07T10:15:30.250"), OperatingModes::VLFSin, "a", "b");
        QVERIFY(saveTestData(GlobalFuncs::InternalMeasurements, d));
        const QString expected = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements)
            + QStringLiteral("/20261207/00000000123-20261207-101530-VLFSine.vlf");
        QVERIFY(expected.startsWith(root.root()));
        QVERIFY(VLF::File::verify(expected));

        // A place outside the two stores is refused, and nothing lands there.
        QVERIFY(!saveTestData(GlobalFuncs::UsbReports, d));
        QVERIFY(logged(QStringLiteral("Unknown path type!")));
        QVERIFY(!QFileInfo::exists(root.path(QStringLiteral("/media/USB"))));

        // A day folder that cannot be created.
        QVERIFY(!root.insertStick().isEmpty());
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/Pevanto"), "not a folder"));
        QVERIFY(!saveTestData(GlobalFuncs::UsbMeasurements, d));
        QVERIFY(m_log->waitFor([](const LoggingData& r) { return r.text.startsWith("Can't create directory: "); }));
    }

    void commentAndCableNumberEdits()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.vlf"));
        TestData d = record(QStringLiteral("2026-12-07T10:15:30.250"), OperatingModes::DC, QStringLiteral("K1"),
                            QStringLiteral("Pr\u00fcfung \u00e4\u00f6\u00fc\u00df"));
        VLF::insert(d, 1, 100, 5000, -20);
        QVERIFY(writeFile(path, d));

        QVERIFY(updateCableNumber(path, QStringLiteral("K\u20ac2")));
        TestData back;
        QVERIFY(readFile(path, back));
        QCOMPARE(VLF::info(back, 1, 25), QStringLiteral("Pr\u00fcfung \u00e4\u00f6\u00fc\u00df"));
        QCOMPARE(VLF::info(back, 0, 34), QStringLiteral("K?2"));
        QCOMPARE(VLF::info(back, 0, 42), QStringLiteral("K\u20ac2"));
        QCOMPARE(back.measure, d.measure);

        QVERIFY(updateComment(path, QStringLiteral("neu")));
        TestData again;
        QVERIFY(readFile(path, again));
        QCOMPARE(VLF::info(again, 1, 25), QStringLiteral("neu"));
        QCOMPARE(VLF::info(again, 0, 42), QStringLiteral("K\u20ac2"));

        // A record without a comment is rewritten unchanged.
        TestData bare;
        VLF::insert(bare, 0, 12, QStringLiteral("7"));
        QVERIFY(writeFile(path, bare));
        const QByteArray before = bytesOf(path);
        QVERIFY(updateComment(path, QStringLiteral("x")));
        QCOMPARE(bytesOf(path), before);

        // An unreadable record is left alone.
        QFile::resize(path, before.size() - 2);
        const QByteArray cut = bytesOf(path);
        QVERIFY(!updateComment(path, QStringLiteral("x")));
        QVERIFY(logged(QStringLiteral("Can't read data from: ") + path));
        QCOMPARE(bytesOf(path), cut);

        TestData loaded;
        QVERIFY(!loadTestData(path, nullptr));
        QVERIFY(!loadTestData(path, &loaded));
    }

    void historyList()
    {
        QTemporaryDir dir;
        const QString store = dir.path();
        auto put = [&store](const QString& folder, const TestData& d) {
            QDir().mkpath(store + "/" + folder);
            return writeFile(store + "/" + folder + "/" + exportFileName(d), d);
        };
        QVERIFY(put("20261205", record("2026-12-05T08:00:00.000", OperatingModes::VLFSin, "A", " first ")));
        QVERIFY(put("20261207", record("2026-12-07T09:00:00.000", OperatingModes::VLFSin, "A", "a1")));
        QVERIFY(put("20261207", record("2026-12-07T10:00:00.000", OperatingModes::TanDelta, "B", "b1")));
        TestData dc = record("2026-12-07T11:00:00.000", OperatingModes::DC, "A", "a2");
        VLF::insert(dc, 0, 14, qint64(0));
        QVERIFY(put("20261207", dc));
        QVERIFY(QDir().mkpath(store + "/20261206")); // a day without records adds nothing
        QVERIFY(put("misc", record("2026-12-01T07:00:00.000", OperatingModes::VLFSin, "", "")));
        // An unreadable record and a file the filter does not take.
        QFile bad(store + "/20261205/00000000123-20261205-070000-DC.vlf");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("VLFTestData");
        bad.close();
        QFile other(store + "/20261205/notes.txt");
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();

        HistoryFormat fmt;
        fmt.dateFormat = QStringLiteral("dd.MM.yyyy");
        fmt.timeFormat = QStringLiteral("hh:mm");
        fmt.phaseNames = QStringList{"R", "S", "T"};
        const auto list = activityEntryList(store, fmt);

        QStringList rows;
        for (const auto& e : list)
            rows << QStringLiteral("%1|%2|%3|%4|%5|%6").arg(e.type).arg(e.name, e.date, e.time, e.cableNumber, e.comment);
        const QStringList expected{
            "1|||||",                                              // "misc": no date
            "0|00000000123-20261201-070000-VLFSine.vlf||07:00||",
            "1|07.12.2026|07.12.2026||A|",
            "0|00000000123-20261207-110000-DC.vlf|07.12.2026|11:00|A|a2",
            "0|00000000123-20261207-090000-VLFSine.vlf|07.12.2026|09:00|A|a1",
            "1|07.12.2026|07.12.2026||B|",
            "0|00000000123-20261207-100000-TanDelta.vlf|07.12.2026|10:00|B|b1",
            "1|05.12.2026|05.12.2026||A|",
            "0|00000000123-20261205-080000-VLFSine.vlf|05.12.2026|08:00|A|first",
        };
        QCOMPARE(rows, expected);

        const auto& folderA = list.at(2);
        QCOMPARE(folderA.isVisible, true);
        QCOMPARE(folderA.isSelected, 0);
        auto* modes = OperatingModes::getInstance();
        QCOMPARE(folderA.classification,
                 modes->getClassificationString(modes->getClassification(OperatingModes::DC)
                                                | modes->getClassification(OperatingModes::VLFSin)));
        const auto& dcRow = list.at(3);
        QCOMPARE(dcRow.isVisible, false);
        QCOMPARE(dcRow.modeId, int(OperatingModes::DC));
        QCOMPARE(dcRow.mode, QStringLiteral("DC-"));
        QCOMPARE(dcRow.phase, QStringLiteral("R S"));
        QCOMPARE(dcRow.voltage, QStringLiteral("12.3 kV"));
        QCOMPARE(dcRow.path, QFileInfo(store + "/20261207/" + dcRow.name).absoluteFilePath());
        QCOMPARE(list.at(4).mode, QStringLiteral("VLFSine"));

        // The unreadable record shows only in debug mode, marked.
        fmt.keepUnreadable = true;
        const auto debugList = activityEntryList(store, fmt);
        // It has no cable number, so it comes under a folder row of its own.
        QCOMPARE(debugList.size(), list.size() + 2);
        QCOMPARE(debugList.at(9).type, int(ActivityTypes::Folder));
        QCOMPARE(debugList.at(9).cableNumber, QString());
        const auto& err = debugList.at(10);
        QCOMPARE(err.time, QStringLiteral("[ERR]"));
        QCOMPARE(err.mode, QStringLiteral("EPARSE"));
        QCOMPARE(err.comment, QStringLiteral("00000000123-20261205-070000-DC.vlf"));
        QVERIFY(logged(QStringLiteral("00000000123-20261205-070000-DC.vlf PARSE ERROR!")));

        QVERIFY(activityEntryList(store + "/missing", fmt).isEmpty());
    }

    // An unreadable record is read once: while its size and time stay, later listings
    // neither read it again nor warn again. A file larger than any record is not read.
    void unreadableRecordsAreReadOnce_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("then"); // written before the second listing, if any
        QTest::addColumn<int>("laterSeconds");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<int>("warnings");
        const QByteArray good = VLF::File::encode(record("2026-12-05T08:00:00.000", OperatingModes::VLFSin, "A", ""));
        QByteArray bad = good;
        bad[0] = 'X';
        QByteArray otherBad = good;
        otherBad[1] = 'X';
        QTest::newRow("unchanged") << bad << QByteArray() << 0 << false << 1;
        QTest::newRow("repaired, same size and time") << bad << good << 0 << false << 1;
        QTest::newRow("repaired") << bad << good << 2 << true << 1;
        QTest::newRow("damaged otherwise") << bad << otherBad << 2 << false << 2;
        QTest::newRow("larger than any record")
            << good + QByteArray(int(VLF::File::MaxRecordSize) + 1 - good.size(), '\0') << QByteArray() << 0 << false << 1;
    }
    void unreadableRecordsAreReadOnce()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, then);
        QFETCH(int, laterSeconds);
        QTemporaryDir dir;
        const QString path = dir.path() + "/20261205/00000000123-20261205-080000-VLFSine.vlf";
        const QDateTime written(QDate(2026, 12, 5), QTime(9, 0));
        auto put = [&path](const QByteArray& bytes, const QDateTime& time) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush()
                && f.setFileTime(time, QFileDevice::FileModificationTime);
        };
        QVERIFY(QDir().mkpath(dir.path() + "/20261205") && put(first, written));
        KLOG_INFO2("test", "marker", QTest::currentDataTag());
        QVERIFY(logged(QTest::currentDataTag()));
        m_log->clear();

        UnreadableRecords unreadable;
        const HistoryFormat fmt;
        QVERIFY(activityEntryList(dir.path(), fmt, &unreadable).isEmpty());
        if (!then.isEmpty())
            QVERIFY(put(then, written.addSecs(laterSeconds)));
        QTEST(activityEntryList(dir.path(), fmt, &unreadable).size() == 2, "listed");
        KLOG_INFO2("test", "marker", "listed twice");
        QVERIFY(logged("listed twice"));
        QTEST(m_log->count(" PARSE ERROR!"), "warnings");
    }

    // A save cut short by a power failure leaves "<record>.vlf.tmp" beside the target:
    // the next start removes it, with a day folder it alone kept, and never a record.
    void startUpRemovesUnfinishedRecords()
    {
        QTemporaryDir dir;
        const QString store = dir.path();
        const TestData d = record("2026-12-07T09:00:00.000", OperatingModes::VLFSin, "A", "a1");
        QVERIFY(QDir().mkpath(store + "/20261207"));
        const QString kept = store + "/20261207/" + exportFileName(d);
        QVERIFY(writeFile(kept, d));
        const QStringList stale{store + "/20261207/00000000123-20261207-100000-DC.vlf.tmp",
                                store + "/20261206/00000000123-20261206-080000-VLFSine.vlf.tmp",
                                store + "/20261205/sub/x.vlf.tmp"};
        for (const QString& path : stale) {
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("VLFTest");
        }
        // Not scratch copies of a record: they stay.
        const QStringList others{store + "/20261207/notes.tmp", store + "/20261207/plain.vlf"};
        for (const QString& path : others) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        // The history never lists a scratch copy.
        HistoryFormat fmt;
        fmt.keepUnreadable = true;
        for (const auto& e : activityEntryList(store, fmt))
            QVERIFY2(!e.path.endsWith(".tmp"), qPrintable(e.path));

        m_log->clear();
        QCOMPARE(removeUnfinishedRecords(store), 3);
        for (const QString& path : stale)
            QVERIFY(!QFileInfo::exists(path));
        for (const QString& path : others + QStringList{kept})
            QVERIFY(QFileInfo::exists(path));
        QVERIFY(!QFileInfo::exists(store + "/20261206"));
        QVERIFY(!QFileInfo::exists(store + "/20261205/sub"));
        QVERIFY(QFileInfo::exists(store + "/20261207"));
        QVERIFY(logged(QStringLiteral("Removed 3 unfinished record files below ") + store));
        QCOMPARE(removeUnfinishedRecords(store), 0);
        QCOMPARE(removeUnfinishedRecords(store + "/missing"), 0);
    }

    void measurementManagerListing()
    {
        QTemporaryDir dir;
        auto put = [&dir](const QString& day, const QString& hms) {
            QDir().mkpath(dir.filePath(day));
            QFile f(dir.filePath(day + "/00000000123-" + day + "-" + hms + "-VLFSine.vlf"));
            return f.open(QIODevice::WriteOnly);
        };
        QVERIFY(put("20251205", "080000"));
        QVERIFY(put("20251205", "170000"));
        QVERIFY(put("20251207", "090000"));
        QVERIFY(put("20251207", "100000"));
        QVERIFY(put("20251207", "110000"));
        QVERIFY(QDir().mkpath(dir.filePath("notadate")));
        QFile stray(dir.filePath("20251207/readme.vlf"));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();

        MeasurementManager mm(dir.path());
        auto names = [](const QStringList& paths) {
            QStringList out;
            for (const QString& p : paths)
                out << QFileInfo(p).fileName().mid(12, 15);
            return out;
        };
        QCOMPARE(names(mm.getMeasurementPathes()),
                 (QStringList{"20251207-110000", "20251207-100000", "20251207-090000", "20251205-170000",
                              "20251205-080000"}));
        QCOMPARE(mm.getMeasurementCount(), 5);
        QVERIFY(QFileInfo(mm.getMeasurementPathes().first()).isAbsolute());

        const QDateTime from(QDate(2025, 12, 5), QTime(9, 0));
        const QDateTime to(QDate(2025, 12, 7), QTime(10, 0));
        QCOMPARE(names(mm.getMeasurementPathes(from, to)),
                 (QStringList{"20251207-100000", "20251207-090000", "20251205-170000"}));

        const QDateTime t(QDate(2025, 12, 6), QTime(12, 0));
        QCOMPARE(names(mm.getMeasurementPathes(t, 3, false)), (QStringList{"20251205-170000", "20251205-080000"}));
        QCOMPARE(names(mm.getMeasurementPathes(t, 2, true)), (QStringList{"20251207-090000", "20251207-100000"}));
        QVERIFY(mm.getMeasurementPathes(t, 0, true).isEmpty());

        // The remote link asks it on its own thread through blocking queued calls.
        QThread worker;
        worker.setObjectName(QStringLiteral("MeasurementManagerThread"));
        MeasurementManager onThread(dir.path());
        onThread.moveToThread(&worker);
        worker.start();
        QStringList window;
        int count = -1;
        QVERIFY(QMetaObject::invokeMethod(&onThread, "getMeasurementPathes", Qt::BlockingQueuedConnection,
                                          Q_RETURN_ARG(QStringList, window), Q_ARG(QDateTime, t), Q_ARG(int, 3),
                                          Q_ARG(bool, false)));
        QVERIFY(QMetaObject::invokeMethod(&onThread, "getMeasurementCount", Qt::BlockingQueuedConnection,
                                          Q_RETURN_ARG(int, count)));
        worker.quit();
        worker.wait();
        QCOMPARE(names(window), (QStringList{"20251205-170000", "20251205-080000"}));
        QCOMPARE(count, 5);
        QVERIFY(MeasurementManager(dir.filePath("none")).getMeasurementPathes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstRecordStore)
#include "tst_recordstore.moc"
