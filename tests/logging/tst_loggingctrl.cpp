#include "fakes/LogRecorder.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <cstdio>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Sends stderr into a file for the lifetime of the object.
class StderrCapture {
public:
    explicit StderrCapture(const QString& path)
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
    }

private:
    int m_saved = -1;
};

// Blocks in write() until the test opens the gate.
class GateSink : public ILogSink {
public:
    GateSink(QSemaphore& entered, QSemaphore& gate, std::shared_ptr<LogRecorder> rec)
        : ILogSink(CAT_NONE, CAT_SKPOUT), m_entered(entered), m_gate(gate), m_rec(std::move(rec))
    {
    }
    void write(const LoggingData& record) override
    {
        if (!m_blockedOnce) {
            m_blockedOnce = true;
            m_entered.release();
            m_gate.acquire();
        }
        m_rec->record(record);
    }

private:
    QSemaphore& m_entered;
    QSemaphore& m_gate;
    std::shared_ptr<LogRecorder> m_rec;
    bool m_blockedOnce = false;
};

class FixedTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int = -1) const override
    {
        if (QByteArray(context) == "ConfigfileManager" && QByteArray(sourceText) == "ConfigImportFailed"
            && disambiguation == nullptr)
            return QStringLiteral("Import of the configuration failed");
        return QString();
    }
    bool isEmpty() const override { return false; }
};
} // namespace

class TestLoggingCtrl : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("vlftest"));
        qunsetenv("CONSOLE_LOGGING");
    }
    void cleanup() { qunsetenv("CONSOLE_LOGGING"); }

    void recordLoggedBeforeInitialisationIsDeliveredOnce()
    {
        QTemporaryDir dir;
        const QDateTime before = QDateTime::currentDateTime();
        LoggingCtrl::log(CAT_INF, "INF", "early banner line", 17, "main.cpp", "main");
        const QDateTime after = QDateTime::currentDateTime();
        LoggingCtrl logger;
        auto rec = std::make_shared<LogRecorder>();
        logger.addSink(rec->makeSink());
        QVERIFY(logger.initialize(dir.path()));
        QVERIFY(rec->waitFor([](const LoggingData& r) { return r.text == "early banner line"; }));
        logger.release();
        QCOMPARE(rec->count("early banner line"), 1);
        const QList<LoggingData> all = rec->records();
        for (const LoggingData& r : all) {
            if (r.text == "early banner line") {
                QCOMPARE(r.category, int(CAT_INF));
                QCOMPARE(r.tag, QStringLiteral("INF"));
                QCOMPARE(r.file, QStringLiteral("main.cpp"));
                QCOMPARE(r.line, 17);
                QCOMPARE(r.function, QStringLiteral("main"));
                QCOMPARE(r.pid, QCoreApplication::applicationPid());
                QCOMPARE(r.threadId, quint64(::syscall(SYS_gettid)));
                // Stamped by the caller, shown in local time as before.
                QCOMPARE(r.time.timeSpec(), Qt::LocalTime);
                QVERIFY(r.time >= before && r.time <= after);
                QVERIFY(r.sequence > 0);
            }
        }
        QVERIFY(readAll(dir.path() + "/VLFTEST.trc").contains("early banner line"));
    }

    void errorRecordReachesTraceFile()
    {
        QTemporaryDir dir;
        LoggingCtrl logger;
        QVERIFY(logger.initialize(dir.path() + "/trace/sub"));
        KLOG_ERROR2("TPOF", "SetValue", QStringLiteral("link answered -200"));
        logger.release();
        const QByteArray trace = readAll(dir.path() + "/trace/sub/VLFTEST.trc");
        QVERIFY2(trace.contains(" ERR TPOF::SetValue: link answered -200\n"), trace.constData());
    }

    void nullTagBecomesQuestionMarks()
    {
        LoggingCtrl logger;
        auto rec = std::make_shared<LogRecorder>();
        logger.addSink(rec->makeSink());
        QVERIFY(logger.initialize());
        LoggingCtrl::log(CAT_WARN, nullptr, "no tag given", -1, nullptr, nullptr);
        logger.release();
        const QList<LoggingData> all = rec->records();
        auto it = std::find_if(all.begin(), all.end(), [](const LoggingData& r) { return r.text == "no tag given"; });
        QVERIFY(it != all.end());
        QCOMPARE(it->tag, QStringLiteral("???"));
    }

    void sinksGetTheirCategoryRangeAndServiceRecordsOnly()
    {
        QTemporaryDir dir;
        LoggingCtrl logger;
        auto messages = std::make_shared<LogRecorder>();
        auto service = std::make_shared<LogRecorder>();
        logger.addSink(messages->makeSink(CAT_FATAL, CAT_MSG));
        logger.addSink(service->makeSink(0, 0, ILogSink::Feed::ServiceRecords));
        QVERIFY(logger.initialize(dir.path()));
        KLOG_DEBUG2("Cls", "f", QStringLiteral("debug only"));
        KLOG_MEAS2("Cls", "f", QStringLiteral("measurement only"));
        KLOG_WARN2("Cls", "f", QStringLiteral("warning for all"));
        LoggingCtrl::logService(QStringLiteral("Resetting Database"));
        logger.release();

        QCOMPARE(messages->count("warning for all"), 1);
        QCOMPARE(messages->count("debug only"), 0);
        QCOMPARE(messages->count("measurement only"), 0);
        QCOMPARE(messages->count("Resetting Database"), 0);

        QCOMPARE(service->records().size(), 1);
        QCOMPARE(service->records().first().text, QStringLiteral("Resetting Database"));
        QVERIFY(service->records().first().serviceOnly);

        const QByteArray trace = readAll(dir.path() + "/VLFTEST.trc");
        QVERIFY(trace.contains("debug only"));
        QVERIFY(trace.contains("measurement only"));
        QVERIFY(!trace.contains("Resetting Database"));
    }

    void sinkAddedWhileRunningIsFed()
    {
        LoggingCtrl logger;
        QVERIFY(logger.initialize());
        auto rec = std::make_shared<LogRecorder>();
        logger.addSink(rec->makeSink());
        KLOG_INFO2("Cls", "f", QStringLiteral("after late sink"));
        QVERIFY(rec->waitFor([](const LoggingData& r) { return r.text == "after late sink"; }));
        logger.release();
    }

    void consoleLoggingLeavesOnlyTheConsole()
    {
        QTemporaryDir dir;
        qputenv("CONSOLE_LOGGING", "1");
        auto rec = std::make_shared<LogRecorder>();
        auto service = std::make_shared<LogRecorder>();
        {
            StderrCapture capture(dir.path() + "/stderr.txt");
            LoggingCtrl logger;
            logger.addSink(rec->makeSink());
            QVERIFY(logger.initialize(dir.path() + "/trace"));
            QVERIFY(logger.isConsoleOnly());
            logger.addSink(service->makeSink(0, 0, ILogSink::Feed::ServiceRecords));
            KLOG_ERROR2("Gui", "show", QStringLiteral("console only record"));
            LoggingCtrl::logService(QStringLiteral("console only service"));
            logger.release();
        }
        QCOMPARE(rec->count("console only"), 0);
        QCOMPARE(service->count("console only"), 0);
        QVERIFY(!QFile::exists(dir.path() + "/trace/VLFTEST.trc"));
        const QString console = QString::fromUtf8(readAll(dir.path() + "/stderr.txt"));
        QVERIFY2(QRegularExpression(QStringLiteral("(^|\\n)\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ERR Gui::show: console only record\\n"))
                     .match(console)
                     .hasMatch(),
                 qPrintable(console));
    }

    void loggingNeverWaitsForASlowSink()
    {
        QSemaphore entered;
        QSemaphore gate;
        auto rec = std::make_shared<LogRecorder>();
        LoggingCtrl logger;
        logger.addSink(std::make_unique<GateSink>(entered, gate, rec));
        QVERIFY(logger.initialize());
        KLOG_INFO2("Cls", "f", QStringLiteral("first"));
        QVERIFY(entered.tryAcquire(1, 5000)); // the sink now sits in write()
        for (int i = 0; i < 500; ++i)
            KLOG_INFO2("Cls", "f", QStringLiteral("slow %1").arg(i));
        // All 500 calls came back while the sink was still blocked.
        QCOMPARE(rec->count("slow "), 0);
        gate.release();
        logger.release();
        QCOMPARE(rec->count("slow "), 500);
        quint64 last = 0;
        int expected = 0;
        for (const LoggingData& r : rec->records()) {
            QVERIFY(r.sequence > last);
            last = r.sequence;
            if (r.text.startsWith("slow "))
                QCOMPARE(r.text, QStringLiteral("slow %1").arg(expected++));
        }
    }

    void recordsAfterReleaseWaitForTheNextStart()
    {
        auto rec = std::make_shared<LogRecorder>();
        LoggingCtrl logger;
        QVERIFY(logger.initialize());
        logger.release();
        KLOG_INFO2("Cls", "f", QStringLiteral("between runs"));
        logger.addSink(rec->makeSink());
        QVERIFY(logger.initialize());
        logger.release();
        QCOMPARE(rec->count("between runs"), 1);
    }

    void secondLoggerDoesNotStartWhileOneRuns()
    {
        auto first = std::make_shared<LogRecorder>();
        auto second = std::make_shared<LogRecorder>();
        LoggingCtrl a;
        LoggingCtrl b;
        a.addSink(first->makeSink());
        b.addSink(second->makeSink());
        QVERIFY(a.initialize());
        QVERIFY(!b.initialize());
        QVERIFY(!b.isRunning());
        KLOG_INFO2("Cls", "f", QStringLiteral("only the first"));
        a.release();
        QCOMPARE(first->count("only the first"), 1);
        QVERIFY(b.initialize()); // free again
        b.release();
        QCOMPARE(second->count("only the first"), 0);
    }

    void untranslatedTextFallsBackToKey()
    {
        QCOMPARE(LoggingCtrl::getUntranslatedText("ConfigfileManager", "ConfigImportFailed", ""),
                 QStringLiteral("ConfigImportFailed"));
        {
            FixedTranslator english;
            LoggingCtrl::setEnglishTranslator(&english);
            QCOMPARE(LoggingCtrl::getUntranslatedText("ConfigfileManager", "ConfigImportFailed", ""),
                     QStringLiteral("Import of the configuration failed"));
            QCOMPARE(LoggingCtrl::getUntranslatedText("ConfigfileManager", "NotInCatalogue"),
                     QStringLiteral("NotInCatalogue"));
        }
        // The catalogue is gone: back to the key, no dangling pointer.
        QCOMPARE(LoggingCtrl::getUntranslatedText("ConfigfileManager", "ConfigImportFailed", ""),
                 QStringLiteral("ConfigImportFailed"));
        LoggingCtrl::setEnglishTranslator(nullptr);
    }
};

QTEST_GUILESS_MAIN(TestLoggingCtrl)
#include "tst_loggingctrl.moc"
