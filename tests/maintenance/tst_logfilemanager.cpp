#include "maintenance/LogfileManager.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "db/DbLogSink.h"
#include "fakes/DataModelFixture.h"
#include "fakes/LogRecorder.h"
#include "fakes/RecordingGui.h"
#include "fakes/StallMeter.h"
#include "logging/LoggingCtrl.h"

#include <QProcess>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <thread>

namespace {

const QDateTime kNow(QDate(2024, 3, 7), QTime(14, 5, 33));
const QString kTrace = QStringLiteral("/home/root/mappedPaths/appdata/trace");
const QString kReport = QStringLiteral("pevanto_2024_03_07_14_05.txt");
const QString kArchive = QStringLiteral("pevanto_2024_03_07_14_05.tar");

} // namespace

class TstLogfileManager : public QObject {
    Q_OBJECT

    QTranslator m_english;
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<LoggingCtrl> m_logger;
    std::shared_ptr<LogRecorder> m_records;
    std::unique_ptr<RecordingGui> m_gui;
    std::unique_ptr<LogfileManager> m_manager;

    const TempRoot& root() const { return m_fixture->root(); }
    QString stickFolder() const { return GlobalFuncs::getUsbPath(GlobalFuncs::UsbLogFiles); }

    // The service log as the database holds it, once everything logged has arrived.
    QString serviceLog()
    {
        const QString marker = QStringLiteral("marker %1").arg(QDateTime::currentMSecsSinceEpoch());
        LoggingCtrl::logService(marker);
        if (!m_records->waitFor([&](const LoggingData& r) { return r.text == marker; }))
            return QStringLiteral("<not delivered>");
        QByteArray out;
        DB::getInstance()->getServiceMessages(out, QLatin1Char('\t'), QLatin1Char('\n'), QStringLiteral("yyyy"));
        return QString::fromUtf8(out);
    }

    // The messages shown other than the wait message.
    QStringList messagesShown() const
    {
        QStringList keys;
        for (const RecordingGui::Call& c : m_gui->callsOf(QStringLiteral("showMessageDlg")))
            if (c.category != CAT_PERSISTENT)
                keys << QStringLiteral("%1 %2 %3").arg(c.category).arg(c.key, c.arguments.join(QLatin1Char('|')));
        return keys;
    }

    void writeTraceFiles()
    {
        QVERIFY(root().writeFile(kTrace + QStringLiteral("/PEVANTO.trc"), "newest trace\n"));
        QVERIFY(root().writeFile(kTrace + QStringLiteral("/PEVANTO_1.trc"), "older trace\n"));
        QVERIFY(root().writeFile(kTrace + QStringLiteral("/-rf.trc"), "a name like an option\n"));
        QVERIFY(root().writeFile(kTrace + QStringLiteral("/notes.txt"), "not a trace file\n"));
    }

private slots:
    void initTestCase() { QVERIFY(m_english.load(QStringLiteral(VLF_ENGLISH_QM))); }

    void init()
    {
        // The wait message is kept up its full time where a case looks at the time.
        GlobalFuncs::setShownWaitScale(0.01);
        QCoreApplication::setApplicationName(QStringLiteral("PEVANTO"));
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        LoggingCtrl::setEnglishTranslator(&m_english);
        qunsetenv("CONSOLE_LOGGING");
        m_records = std::make_shared<LogRecorder>();
        m_logger = std::make_unique<LoggingCtrl>();
        m_logger->addSink(m_records->makeSink(INT_MIN, INT_MAX, ILogSink::Feed::ServiceRecords));
        m_logger->addSink(m_records->makeSink());
        DbLogSink::attach(*m_logger, *DB::getInstance());
        m_logger->initialize();
        m_gui = std::make_unique<RecordingGui>();
        GlobalFuncs::setGUI(m_gui.get());
        QVERIFY(!root().insertStick().isEmpty());
        QVERIFY(root().writeFile(QStringLiteral("/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml"),
                                 "<configuration><key name=\"PEVANTO\"><value name=\"A\">1</value></key></configuration>"));
        m_fixture->dm()->setUSBState(USBState_Ready);
        m_manager = std::make_unique<LogfileManager>();
        m_manager->setClock([] { return kNow; });
    }

    void cleanup()
    {
        m_manager.reset();
        GlobalFuncs::setGUI(nullptr);
        m_gui.reset();
        m_logger.reset();
        LoggingCtrl::setEnglishTranslator(nullptr);
        m_fixture.reset();
    }

    void exportWithTraceFilesToAFolderNamedLikeACommand()
    {
        QCOMPARE(m_fixture->config()->setString(QStringLiteral("/Settings/ExportPath"), QStringLiteral("a b;touch x")), 0);
        writeTraceFiles();
        QTemporaryDir cwd;
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(cwd.path()));
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);

        const bool started = m_manager->exportLogFiles(true);
        QDir::setCurrent(oldCwd);
        QVERIFY(started);
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);

        const QString folder = stickFolder();
        QVERIFY(folder.endsWith(QStringLiteral("/media/USB/a b;touch x/LogFiles")));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({kArchive, kReport}));
        QVERIFY(QDir(cwd.path()).isEmpty());

        QProcess tar;
        tar.start(QStringLiteral("tar"), {QStringLiteral("-t"), QStringLiteral("-f"), folder + QLatin1Char('/') + kArchive});
        QVERIFY(tar.waitForFinished(10000));
        QStringList listed = QString::fromUtf8(tar.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        listed.sort();
        QCOMPARE(listed, QStringList({"-rf.trc", "PEVANTO.trc", "PEVANTO_1.trc"}));
        tar.start(QStringLiteral("tar"), {QStringLiteral("-x"), QStringLiteral("-O"), QStringLiteral("-f"),
                                          folder + QLatin1Char('/') + kArchive, QStringLiteral("--"), QStringLiteral("PEVANTO_1.trc")});
        QVERIFY(tar.waitForFinished(10000));
        QCOMPARE(tar.readAllStandardOutput(), QByteArray("older trace\n"));

        // What the operator sees: the wait message, closed, then the result naming the folder.
        const QString shown = LogfileManager::displayPath(folder);
        QVERIFY(shown.startsWith(QStringLiteral("USB/")));
        QVERIFY(shown.endsWith(QStringLiteral("/a b;touch x/LogFiles")));
        const QList<RecordingGui::Call> calls = m_gui->calls;
        QCOMPARE(calls.size(), 4);
        QCOMPARE(calls[0].category, int(CAT_PERSISTENT));
        QCOMPARE(calls[0].context + calls[0].key, QStringLiteral("LogfileManagerExportingLogToDir"));
        QCOMPARE(calls[0].arguments, QStringList{shown});
        QCOMPARE(calls[1].context + calls[1].key, QStringLiteral("UpdateManagerTakeAWhile"));
        QCOMPARE(calls[2].operation, QStringLiteral("closeDlg"));
        QCOMPARE(calls[2].id, calls[0].id);
        QCOMPARE(messagesShown().last(), QStringLiteral("5 SystemLogSuccessfullyExported %1").arg(shown));
        QVERIFY(serviceLog().contains(QStringLiteral("System log successfully exported at %1\n").arg(shown)));
    }

    void reportOnlyExport()
    {
        writeTraceFiles();
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QVERIFY(m_manager->exportLogFiles());
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(QDir(stickFolder()).entryList(QDir::Files), QStringList{kReport});
    }

    void noStickAndTheRequestDeclined()
    {
        QVERIFY(root().pullStick());
        m_gui->usbAnswer = false;
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QVERIFY(!m_manager->exportLogFiles(true));
        QCOMPARE(m_gui->callsOf(QStringLiteral("requestUSBConnDlg")).size(), 1);
        QVERIFY(messagesShown().isEmpty());
        QTest::qWait(50);
        QCOMPARE(spy.size(), 0);
        QVERIFY(!QDir(stickFolder()).exists());
    }

    void emptyFolderFailsAtOnce()
    {
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QVERIFY(!m_manager->exportLogFiles(QString(), true));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        QVERIFY(m_gui->calls.isEmpty());
        QVERIFY(!m_manager->isExporting());
    }

    void failureBeforeTheReportIsShown_data()
    {
        QTest::addColumn<bool>("folderBlocked");
        QTest::newRow("folder cannot be created") << true;
        QTest::newRow("no trace file to archive") << false;
    }

    void failureBeforeTheReportIsShown()
    {
        QFETCH(bool, folderBlocked);
        const QString folder = root().path(QStringLiteral("/export/logs"));
        if (folderBlocked) {
            writeTraceFiles();
            QVERIFY(root().writeFile(QStringLiteral("/export"), "a file where the folder belongs"));
        }
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QVERIFY(!m_manager->exportLogFiles(folder, true));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        QCOMPARE(m_gui->callsOf(QStringLiteral("closeDlg")).size(), 1);
        QCOMPARE(messagesShown().last(), QStringLiteral("2 SystemLogExportFailed %1").arg(folder));
        QVERIFY(serviceLog().contains(QStringLiteral("Export of log files at %1 failed\n").arg(folder)));
        if (!folderBlocked)
            QVERIFY(QDir(folder).entryList(QDir::Files).isEmpty());
        QVERIFY(!m_manager->isExporting());
    }

    void unreadableDatabaseFailsTheExport()
    {
        DB::getInstance()->release();
        const QString folder = root().path(QStringLiteral("/export/logs"));
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QVERIFY(m_manager->exportLogFiles(folder, false));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        QCOMPARE(messagesShown().last(), QStringLiteral("2 SystemLogExportFailed %1").arg(folder));
        QFile report(folder + QLatin1Char('/') + kReport);
        QVERIFY(report.open(QIODevice::ReadOnly));
        QCOMPARE(report.readAll().count("could not be read"), 4);
    }

    void quickExportKeepsTheWaitMessage()
    {
        GlobalFuncs::setShownWaitScale(1);
        const QString folder = root().path(QStringLiteral("/export"));
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(m_manager->exportLogFiles(folder, false));
        QVERIFY(spy.wait(10000));
        QVERIFY2(clock.elapsed() >= 1495, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_gui->calls.at(2).operation, QStringLiteral("closeDlg"));
        // Outside the stick the result names the folder as it is.
        QCOMPARE(messagesShown().last(), QStringLiteral("5 SystemLogSuccessfullyExported %1").arg(folder));
        QVERIFY(QFile::exists(folder + QLatin1Char('/') + kReport));
    }

    // The report's file write waits for the pool while this thread serves its events;
    // everything meanwhile happens from timers.
    void slowExportIsNotHeldLonger()
    {
        GlobalFuncs::setShownWaitScale(1);
        PoolHold pool;
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QElapsedTimer released;
        QTimer::singleShot(1100, this, [&] {
            QCOMPARE(spy.size(), 0);
            released.start();
            pool.release();
        });
        QVERIFY(m_manager->exportLogFiles(stickFolder(), false));
        QVERIFY(spy.wait(10000));
        QVERIFY(released.isValid());
        QVERIFY2(released.elapsed() < 1000, qPrintable(QString::number(released.elapsed())));
        QCOMPARE(spy.at(0).at(0).toBool(), true);
    }

    // An export (its report held on the pool 200 ms) meets one thing meanwhile: a pulled
    // stick fails it, its button pressed again or a test started leave it be. It is told
    // once, and the window's 50 ms timer stays on time.
    void exportMeetsSomethingMidway_data() { meetingRows(); }
    void exportMeetsSomethingMidway()
    {
        QFETCH(QString, event);
        DataModell* dm = m_fixture->dm();
        m_fixture->readyForATest();
        QSignalSpy told(m_manager.get(), &LogfileManager::SystemLogGenerated);
        TickLateness ticks;
        bool started = false;
        QVERIFY(runMeeting(
            ticks, 200, 50, [&] { started = m_manager->exportLogFiles(stickFolder(), false); },
            m_fixture->meeting(
                event, [&] { QVERIFY(!m_manager->exportLogFiles(stickFolder(), false)); },
                [&] {
                    root().pullStick();
                    dm->setUSBState(USBState_NoStick);
                }),
            [&] { return told.count() > 0; }));
        QVERIFY(started);
        const bool whole = event != "stick pulled";
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.at(0).at(0).toBool(), whole);
        QCOMPARE(messagesShown().size(), 1);
        QCOMPARE(QFile::exists(stickFolder() + QLatin1Char('/') + kReport), whole);
        if (event == "test started")
            QCOMPARE(dm->getAppState(), States::InitTest);
        QVERIFY2(ticks.onTime(), qPrintable(ticks.text()));
    }

    void stickRemovedDuringTheExport()
    {
        PoolHold pool;
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        int retried = -1;
        connect(m_manager.get(), &LogfileManager::SystemLogGenerated, this, [&] {
            if (retried >= 0)
                return;
            // While the old report still waits, a new export is refused.
            m_fixture->dm()->setUSBState(USBState_Ready);
            retried = m_manager->exportLogFiles(stickFolder(), false) ? 1 : 0;
            QTimer::singleShot(200, this, [&] { pool.release(); });
        });
        QTimer::singleShot(100, this, [this] { m_fixture->dm()->setUSBState(USBState_NoStick); });
        QVERIFY(m_manager->exportLogFiles(stickFolder(), false));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        QCOMPARE(retried, 0);
        QCOMPARE(messagesShown(),
                 QStringList{QStringLiteral("2 SystemLogExportFailed %1").arg(LogfileManager::displayPath(stickFolder()))});

        // The report that finishes afterwards changes nothing.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stickFolder() + QLatin1Char('/') + kReport), 10000);
        QTest::qWait(300);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(messagesShown().size(), 1);
        QCOMPARE(m_gui->callsOf(QStringLiteral("closeDlg")).size(), 1);
        QVERIFY(m_manager->exportLogFiles(stickFolder(), false));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(1).at(0).toBool(), true);
    }

    void folderOutsideTheStickIsNotWatched()
    {
        PoolHold pool;
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QTimer::singleShot(50, this, [this] { m_fixture->dm()->setUSBState(USBState_NoStick); });
        QTimer::singleShot(1200, this, [&] { pool.release(); });
        // A folder whose name merely contains "/USB".
        const QString folder = root().path(QStringLiteral("/data/USB/logs"));
        QVERIFY(m_manager->exportLogFiles(folder, false));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
    }

    void managerEndedWhileTheReportWaits()
    {
        PoolHold pool;
        QVERIFY(m_manager->exportLogFiles(stickFolder(), false));
        QTimer::singleShot(300, this, [&] {
            m_manager.reset();
            pool.release();
        });
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager && QFile::exists(stickFolder() + QLatin1Char('/') + kReport), 10000);
        QTest::qWait(100);
        QVERIFY(messagesShown().isEmpty());
    }

    void secondExportIsRefusedWhileOneRuns()
    {
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        QVERIFY(m_manager->exportLogFiles(stickFolder(), false));
        QVERIFY(!m_manager->exportLogFiles(root().path(QStringLiteral("/other")), false));
        QVERIFY(m_records->waitFor([](const LoggingData& r) { return r.text.contains(QStringLiteral("refused")); }));
        QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 1, 10000);
        QTest::qWait(200);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(messagesShown().size(), 1);
        QVERIFY(!QDir(root().path(QStringLiteral("/other"))).exists());
    }

    void exportQueuedFromAnotherThread()
    {
        const QString folder = root().path(QStringLiteral("/remote"));
        QSignalSpy spy(m_manager.get(), &LogfileManager::SystemLogGenerated);
        bool invoked = false;
        std::thread remote([&] {
            invoked = QMetaObject::invokeMethod(m_manager.get(), "exportLogFiles", Qt::QueuedConnection,
                                                Q_ARG(QString, folder), Q_ARG(bool, false));
        });
        remote.join();
        QVERIFY(invoked);
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QVERIFY(QFile::exists(folder + QLatin1Char('/') + kReport));
    }

    void deleteLogfilesKeepsTheServiceLog()
    {
        LoggingCtrl::logService(QStringLiteral("kept service entry"));
        KLOG_ERROR2("Test", "deleteLogfiles", "fault before the reset");
        QVERIFY(serviceLog().contains(QStringLiteral("kept service entry")));
        QByteArray messages;
        QVERIFY(DB::getInstance()->getMessages(messages));
        QVERIFY(messages.contains("fault before the reset"));

        m_manager->deleteLogfiles();
        QCOMPARE(messagesShown(), QStringList{QStringLiteral("5 LogDataReset ")});
        const QString service = serviceLog();
        QVERIFY(service.contains(QStringLiteral("kept service entry")));
        QVERIFY(service.contains(QStringLiteral("Log data has been reset\n")));
        messages.clear();
        QVERIFY(DB::getInstance()->getMessages(messages));
        QVERIFY(!messages.contains("fault before the reset"));

        // The sinks feed the new message log.
        KLOG_ERROR2("Test", "deleteLogfiles", "fault after the reset");
        QVERIFY(m_records->waitFor([](const LoggingData& r) { return r.text == QLatin1String("fault after the reset"); }));
        QTRY_VERIFY_WITH_TIMEOUT(
            [] {
                QByteArray m;
                return DB::getInstance()->getMessages(m) && m.contains("fault after the reset");
            }(),
            5000);
    }

    void deleteLogfilesWithoutDatabase()
    {
        GlobalFuncs::setDB(nullptr);
        m_manager->deleteLogfiles();
        QCOMPARE(messagesShown(), QStringList{QStringLiteral("2 ErrorResetLogData ")});
        DB::getInstance()->registerGlobally();
    }
};

QTEST_GUILESS_MAIN(TstLogfileManager)
#include "tst_logfilemanager.moc"
