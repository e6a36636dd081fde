// The program as a whole, started as its own process below a temporary root.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
const char* const kTrace = "/home/root/mappedPaths/appdata/trace/PEVANTO.trc";

class VlfRun {
public:
    explicit VlfRun(const QString& serialDevice)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VLF_ROOT"), m_root.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SERIAL_COMDEVICE"), serialDevice);
        env.remove(QStringLiteral("CONSOLE_LOGGING"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral(VLF_BINARY), QStringList());
    }
    ~VlfRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QByteArray trace() const
    {
        QFile f(m_root.path() + QLatin1String(kTrace));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool waitForTrace(const QByteArray& text, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (trace().contains(text))
                return true;
            if (m_process.state() == QProcess::NotRunning)
                return trace().contains(text);
            QTest::qWait(100);
        }
        return false;
    }
    bool signalAndWait(int signalNumber, int timeoutMs)
    {
        ::kill(static_cast<pid_t>(m_process.processId()), signalNumber);
        return m_process.waitForFinished(timeoutMs);
    }

    QTemporaryDir m_root;
    QProcess m_process;
};
} // namespace

class TstVlfProcess : public QObject {
    Q_OBJECT
private slots:
    void stopsCleanlyOnSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    // Without a usable serial device the program still runs: it keeps trying in
    // Starting until it is told to stop.
    void stopsCleanlyOnSignal()
    {
        QFETCH(int, signalNumber);
        VlfRun run(QStringLiteral("/nonexistent/ttyVLF"));
        QVERIFY(run.m_root.isValid());
        QVERIFY(run.m_process.waitForStarted(10000));
        QVERIFY2(run.waitForTrace("Start-up done, mains on", 30000), run.m_process.readAll().constData());
        QVERIFY(run.waitForTrace("None --MainsOn--> Starting", 10000));
        QTest::qWait(1500);
        QCOMPARE(run.m_process.state(), QProcess::Running);

        QVERIFY(run.signalAndWait(signalNumber, 30000));
        QCOMPARE(run.m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.m_process.exitCode(), 0);

        const QByteArray trace = run.trace();
        // The banner logged before the logger existed comes first.
        const int banner = trace.indexOf("=== Pevanto software version 4.2.0 ===");
        QVERIFY(banner >= 0);
        QVERIFY(banner < trace.indexOf("Application::installServices") || trace.indexOf("Application::installServices") < 0);
        QVERIFY(banner < trace.indexOf("Start-up done"));
        QVERIFY(!trace.contains("--> Idle"));
        QVERIFY(trace.contains(QStringLiteral("Signal %1: stopping").arg(signalNumber).toLatin1()));
        // The last records reach the file.
        QVERIFY(trace.trimmed().endsWith("Application::~Application: Shutdown complete"));
        QVERIFY(QFile::exists(run.m_root.path() + QStringLiteral("/home/root/mappedPaths/appdata/PEVANTO.sqlite3")));
    }
};

QTEST_GUILESS_MAIN(TstVlfProcess)
#include "tst_vlfprocess.moc"
