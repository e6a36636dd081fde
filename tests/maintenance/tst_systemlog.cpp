#include "maintenance/SystemLog.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "datamodel/Statistics.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "fakes/StallMeter.h"
#include "logging/MessageCategories.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

namespace {

const QDateTime kNow(QDate(2024, 3, 7), QTime(14, 5, 33));
const QString kConfigFile = QStringLiteral("/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml");

const QByteArray kConfigXml = "<?xml version=\"1.0\"?>\n"
                              "<configuration>\n"
                              " <key name=\"PEVANTO\">\n"
                              "  <value name=\"Top\" type=\"string\">t1</value>\n"
                              "  <key name=\"General\">\n"
                              "   <value name=\"SystemName\" type=\"string\">pevanto</value>\n"
                              "   <key name=\"Deep\">\n"
                              "    <value name=\"Volume\" type=\"long\">5</value>\n"
                              "   </key>\n"
                              "  </key>\n"
                              "  <!-- not an entry -->\n"
                              "  <key name=\"Empty\"/>\n"
                              " </key>\n"
                              "</configuration>\n";

// Undoes the scrambling of a whole section, line by line.
QString unscramble(const QByteArray& scrambled)
{
    QByteArray plain;
    quint32 k = 0;
    for (const QByteArray& line : scrambled.split('\n')) {
        if (line.isEmpty())
            continue;
        const QByteArray bytes = QByteArray::fromHex(line.mid(1));
        for (char c : bytes)
            plain += char((uchar(c) - k++) & 0xff);
        plain += '\n';
    }
    return QString::fromLatin1(plain);
}

// The text between a section header line (with its empty line) and the next section.
QByteArray section(const QByteArray& report, const QByteArray& header)
{
    const QByteArray start = header + "\n\n";
    const int from = report.indexOf(start);
    if (from < 0)
        return QByteArray("<missing>");
    const int body = from + start.size();
    const int next = report.indexOf("\n;", body - 1);
    return report.mid(body, next < 0 ? -1 : next + 1 - body);
}

} // namespace

class TstSystemLog : public QObject {
    Q_OBJECT

    std::unique_ptr<DataModelFixture> m_fixture;
    QString m_folder;

    QByteArray generate(SystemLog& log, bool expected)
    {
        QSignalSpy spy(&log, &SystemLog::SystemLogGenerated);
        log.scheduleSysLogGeneration(QDir(m_folder));
        if (!spy.wait(10000))
            return "<no signal>";
        if (spy.size() != 1 || spy.at(0).at(0).toBool() != expected)
            return "<wrong result>";
        QFile f(m_folder + QStringLiteral("/pevanto_2024_03_07_14_05.txt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
    }

private slots:
    void init()
    {
        QCoreApplication::setApplicationName(QStringLiteral("PEVANTO"));
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        const TempRoot& root = m_fixture->root();
        QVERIFY(root.writeFile(kConfigFile, kConfigXml));
        QVERIFY(root.writeFile(QStringLiteral("/etc/version"), "fs-7.1\n"));
        QVERIFY(root.writeFile(QStringLiteral("/proc/version"), "Linux version 5.10.72 (builder)\n"));
        QVERIFY(root.writeFile(QStringLiteral("/home/root/mappedPaths/appdata/version"), "ad-3\n"));
        QVERIFY(root.writeFile(QStringLiteral("/usr/share/fonts/ttf/version"), "fonts-2\n"));
        QVERIFY(root.writeFile(QStringLiteral("/sys/class/net/eth0/address"), "00:11:22:33:44:55\n"));
        QVERIFY(m_fixture->dm()->setSerialNumber(QStringLiteral("12345678901")));
        QCOMPARE(m_fixture->config()->setString(QStringLiteral("/Device/HardwareId"), QStringLiteral("HW-9")), 0);
        m_folder = root.path(QStringLiteral("/export"));
        QVERIFY(QDir().mkpath(m_folder));
    }

    void cleanup() { m_fixture.reset(); }

    void scrambling_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("counter runs across lines") << QByteArray("ab\nab") << QByteArray("#6163\n#6365\n");
        QTest::newRow("empty line") << QByteArray("ab\n\nab\n") << QByteArray("#6163\n#\n#6365\n");
        QTest::newRow("no input") << QByteArray() << QByteArray();
        QTest::newRow("NUL is a blank") << QByteArray("a\0b", 3) << QByteArray("#612164\n");
        QTest::newRow("latin-1 as its code") << QByteArray("x\xc3\xa4") << QByteArray("#78e5\n");
        QTest::newRow("above 255 as 0") << QByteArray("ab\xe2\x82\xac") << QByteArray("#616302\n");
        QTest::newRow("modulo 256") << QByteArray("a\xc3\xbf") << QByteArray("#6100\n");
        QTest::newRow("invalid UTF-8 goes on") << QByteArray("a\xff" "b\nc") << QByteArray("#610164\n#66\n");
        QTest::newRow("CRLF line ends") << QByteArray("ab\r\nc") << QByteArray("#6163\n#65\n");
    }

    void scrambling()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(SystemLog::encryptData(input), expected);
    }

    void scramblingIsReversible()
    {
        // The positions count across lines.
        QByteArray text;
        for (int i = 0; text.size() < 30000; ++i)
            text += "line " + QByteArray::number(i) + " of the log\n";
        const QByteArray plain = text;
        QCOMPARE(unscramble(SystemLog::encryptData(text)), QString::fromLatin1(plain));
    }

    void report()
    {
        DB* db = DB::getInstance();
        const qint64 t0 = QDateTime(QDate(2024, 3, 1), QTime(8, 0)).toMSecsSinceEpoch();
        db->queueMessage({t0, CAT_ERR, QStringLiteral("first fault")});
        db->queueMessage({t0 + 1000, CAT_WARN, QStringLiteral("second")});
        db->queueServiceMessage({t0 + 2000, CAT_INF, QStringLiteral("service visit")});
        const int minutes = (Statistics::CategoryOperation << 8) | 1;
        const int breakdowns = (Statistics::CategoryBreakdown << 8) | 40;
        QVERIFY(db->incStatisticParam(minutes, 42));
        QVERIFY(db->incStatisticParam(breakdowns, 3));
        // Indicator 1 has classes 0 and 5; indicator 7 has class 2 only.
        QVERIFY(db->setPerformanceIndicator(1, 0, 100));
        QVERIFY(db->setPerformanceIndicator(1, 5, 555));
        QVERIFY(db->setPerformanceIndicator(7, 2, -3));

        SystemLog log(db->getStatistics());
        log.setClock([] { return kNow; });
        log.setMachineName(QStringLiteral("Van 7"));
        log.addCfgInfo(SystemLog::CfgInfoVersions, {QStringLiteral("HV Application Version: 1.23")});
        log.addCfgInfo(SystemLog::CfgInfoHardware, {QStringLiteral("Test boost: none"), QStringLiteral("Port: free")});
        const QByteArray report = generate(log, true);
        QCOMPARE(log.getSystemLogFile(), QStringLiteral("pevanto_2024_03_07_14_05.txt"));

        const DataModell* dm = m_fixture->dm();
        const QString configuration = QStringLiteral(
                                          ";configuration\n\n"
                                          "Van 7\n\n"
                                          "%1\n"
                                          "Serial number: 12345678901\n"
                                          "Bootloader Version: %2\n"
                                          "Kernel Version: 5.10.72\n"
                                          "Filesystem Version: fs-7.1\n"
                                          "Application Version: %3\n"
                                          "Application Data Version: ad-3\n"
                                          "Fonts Version: fonts-2\n"
                                          "HV Application Version: 1.23\n"
                                          "MAC address: 00:11:22:33:44:55\n"
                                          "Hardware ID: HW-9\n\n"
                                          "Test boost: none\n"
                                          "Port: free\n"
                                          "Top\tt1\n\n"
                                          "General\n"
                                          " SystemName\tpevanto\n"
                                          " Deep\n"
                                          "  Volume\t5\n\n"
                                          "Empty\n\n"
                                          "\n;error log\n\n")
                                          .arg(kNow.toString(), dm->getVersion(4), dm->getVersion(7, true));
        QVERIFY(kNow.toString().contains(QStringLiteral("2024")));
        QCOMPARE(QString::fromUtf8(report.left(configuration.toUtf8().size())), configuration);

        QByteArray messages;
        QVERIFY(db->getMessages(messages));
        const QString errorLog = unscramble(section(report, ";error log"));
        QCOMPARE(errorLog, QString::fromUtf8(messages));
        QVERIFY(errorLog.indexOf(QStringLiteral("WARN\tsecond\n")) < errorLog.indexOf(QStringLiteral("ERR\tfirst fault\n")));
        QCOMPARE(unscramble(section(report, ";service log")),
                 QStringLiteral("2024/03/01 08:00:02:000 AM\tservice visit\n"));

        const QByteArray statistics = QStringLiteral("\n;info\n\n"
                                                     ":%1:0:0:0:0:42:\n"
                                                     ":%2:0:0:0:0:3:\n"
                                                     "\n;info_ext\n\n"
                                                     "%1:%3\n"
                                                     "%2:%4\n"
                                                     "\n;perf_ind\n\n"
                                                     ":0:0:0:0:0:100:\n"
                                                     ":0:1:0:0:0:555:\n"
                                                     ":1:0:0:0:0:-3:\n"
                                                     "\n;perf_ind_ext\n\n"
                                                     "0:Temperature at system start (min/max)\n"
                                                     "1:%5\n")
                                          .arg(minutes)
                                          .arg(breakdowns)
                                          .arg(Statistics::getParamName(minutes), Statistics::getParamName(breakdowns),
                                               Statistics::getParamName(7))
                                          .toUtf8();
        QVERIFY2(report.endsWith(statistics), report.right(600).constData());
    }

    // A section the database cannot give is said so in the report, which then counts as failed.
    void unreadableSectionFailsTheReport_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("message log") << "messagelog" << QByteArray(";error log") << QByteArray("The message log could not be read\n");
        QTest::newRow("service log") << "servicelog" << QByteArray(";service log") << QByteArray("The service log could not be read\n");
        QTest::newRow("statistics") << "statistics" << QByteArray(";info") << QByteArray("The statistics could not be read\n");
        QTest::newRow("performance indicators") << "performanceindicators" << QByteArray(";perf_ind")
                                                << QByteArray("The performance indicators could not be read\n");
    }

    void unreadableSectionFailsTheReport()
    {
        QFETCH(QString, table);
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, line);
        DB* db = DB::getInstance();
        QVERIFY(db->incStatisticParam(7, 1));
        QVERIFY(db->setPerformanceIndicator(1, 0, 100));
        db->queueMessage({QDateTime::currentMSecsSinceEpoch(), CAT_ERR, QStringLiteral("kept")});
        QVERIFY(db->flushLogQueues());
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("breaker"));
            other.setDatabaseName(db->filePath());
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("DROP TABLE %1").arg(table)));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("breaker"));

        SystemLog log(db->getStatistics());
        log.setClock([] { return kNow; });
        const QByteArray report = generate(log, false);
        QVERIFY2(section(report, header).contains(line), report.right(800).constData());
        QCOMPARE(report.count("could not be read"), 1);
        QVERIFY(report.contains("\n;perf_ind_ext\n\n"));
        QCOMPARE(log.getSystemLogFile(), QString());
    }

    // The logs are built off this thread, through a slow section (300 ms) that meets one
    // thing meanwhile: the export folder gone with the stick fails the report, a started
    // test leaves it be. It is told once, and this thread's 50 ms timer stays on time.
    void reportLeavesTheCallingThreadFree_data()
    {
        QTest::addColumn<QString>("event");
        for (const char* event : {"nothing", "stick pulled", "test started"})
            QTest::newRow(event) << event;
    }
    void reportLeavesTheCallingThreadFree()
    {
        QFETCH(QString, event);
        m_fixture->readyForATest();
        SystemLog log(nullptr);
        log.setClock([] { return kNow; });
        log.setSectionHook([](const QString& header) {
            if (header == QLatin1String(";error log"))
                QThread::msleep(300);
        });
        QSignalSpy told(&log, &SystemLog::SystemLogGenerated);
        TickLateness ticks;
        QVERIFY(runMeeting(
            ticks, 0, 100, [&] { log.scheduleSysLogGeneration(QDir(m_folder)); },
            [&] {
                if (event == "stick pulled")
                    QVERIFY(QDir(m_folder).removeRecursively());
                else if (event == "test started")
                    m_fixture->dm()->receiveAppEvent(eAppEvent::StartTest);
            },
            [&] { return told.count() > 0; }));
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.at(0).at(0).toBool(), event != "stick pulled");
        QCOMPARE(QFile::exists(m_folder + QStringLiteral("/pevanto_2024_03_07_14_05.txt")), event != "stick pulled");
        if (event == "test started")
            QCOMPARE(m_fixture->dm()->getAppState(), States::InitTest);
        QVERIFY2(ticks.onTime(), qPrintable(ticks.text()));
    }

    void emptyStatisticsKeepTheirHeaders()
    {
        SystemLog log(nullptr);
        log.setClock([] { return kNow; });
        const QByteArray report = generate(log, true);
        QVERIFY2(report.endsWith("\n;info\n\n\n;info_ext\n\n\n;perf_ind\n\n\n;perf_ind_ext\n\n"),
                 report.right(200).constData());
    }

    void unreadableConfigurationStillWritesTheReport()
    {
        QVERIFY(QFile::remove(m_fixture->root().path(kConfigFile)));
        SystemLog log(nullptr);
        log.setClock([] { return kNow; });
        log.setMachineName(QStringLiteral("M"));
        const QByteArray report = generate(log, false);
        QVERIFY2(report.contains("Hardware ID: HW-9\n\n\n;error log\n\n"), report.left(600).constData());
        QCOMPARE(log.getSystemLogFile(), QString());

        // A file that is no XML counts the same.
        QVERIFY(m_fixture->root().writeFile(kConfigFile, "<configuration><key name="));
        QVERIFY(generate(log, false).contains("\n;service log\n\n"));
    }

    void failedWriteKeepsThePreviousName()
    {
        QDateTime now = kNow.addSecs(-60);
        SystemLog log(nullptr);
        log.setClock([&now] { return now; });
        QSignalSpy spy(&log, &SystemLog::SystemLogGenerated);
        log.scheduleSysLogGeneration(QDir(m_folder));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.takeFirst().at(0).toBool(), true);
        QCOMPARE(log.getSystemLogFile(), QStringLiteral("pevanto_2024_03_07_14_04.txt"));

        now = kNow;
        QVERIFY(QDir().mkpath(m_folder + QStringLiteral("/pevanto_2024_03_07_14_05.txt")));
        log.generateSystemLog();
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        QCOMPARE(log.getSystemLogFile(), QStringLiteral("pevanto_2024_03_07_14_04.txt"));

        // A folder that is gone.
        log.scheduleSysLogGeneration(QDir(m_folder + QStringLiteral("/missing")));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(1).at(0).toBool(), false);
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/missing")));
    }

    void machineNameEmptiesTheInformationLists()
    {
        SystemLog log(nullptr);
        log.setClock([] { return kNow; });
        log.addCfgInfo(SystemLog::CfgInfoVersions, {QStringLiteral("old version line")});
        log.addCfgInfo(SystemLog::CfgInfoHardware, {QStringLiteral("old hardware line")});
        log.setMachineName(QStringLiteral("New"));
        log.addCfgInfo(static_cast<SystemLog::eCfgInfoType>(2), {QStringLiteral("no such list")});
        log.addCfgInfo(SystemLog::CfgInfoHardware, {QStringLiteral("new hardware line")});
        const QByteArray report = generate(log, true);
        QVERIFY(report.startsWith(";configuration\n\nNew\n\n"));
        QVERIFY(!report.contains("old "));
        QVERIFY(!report.contains("no such list"));
        QVERIFY(report.contains("Hardware ID: HW-9\n\nnew hardware line\nTop\tt1\n"));
    }

    void twoSchedulesWriteTwoReportsIntoTheLastFolder()
    {
        SystemLog log(nullptr);
        log.setClock([] { return kNow; });
        QSignalSpy spy(&log, &SystemLog::SystemLogGenerated);
        const QString first = m_fixture->root().path(QStringLiteral("/first"));
        QVERIFY(QDir().mkpath(first));
        log.scheduleSysLogGeneration(QDir(first));
        log.scheduleSysLogGeneration(QDir(m_folder));
        QVERIFY(log.isBusy());
        QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 2, 10000);
        QVERIFY(!log.isBusy());
        QVERIFY(QDir(first).isEmpty());
        QVERIFY(QFile::exists(m_folder + QStringLiteral("/pevanto_2024_03_07_14_05.txt")));
    }
};

QTEST_GUILESS_MAIN(TstSystemLog)
#include "tst_systemlog.moc"
