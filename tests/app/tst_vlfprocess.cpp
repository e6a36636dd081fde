// The program as a whole, started as its own process below a temporary root.
#include "app/StopDeadline.h"
#include "core/FsRoot.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/SafetyLines.h"
#include "hvunit/SCPins.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <QStandardPaths>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
const char* const kTrace = "/home/root/mappedPaths/appdata/trace/PEVANTO.trc";

class VlfRun {
public:
    // prepare may change the environment and fill the root before the start.
    using Prepare = std::function<void(QProcessEnvironment&, const QString& root)>;

    explicit VlfRun(const QString& serialDevice, const Prepare& prepare = Prepare())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VLF_ROOT"), m_root.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SERIAL_COMDEVICE"), serialDevice);
        env.remove(QStringLiteral("CONSOLE_LOGGING"));
        if (prepare)
            prepare(env, m_root.path());
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
        QFile f(m_root.path() + m_trace);
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

    // The message log's texts, oldest first.
    QStringList messageLog() const
    {
        QStringList texts;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
            db.setDatabaseName(m_root.path() + QStringLiteral("/home/root/mappedPaths/appdata/PEVANTO.sqlite3"));
            if (db.open()) {
                QSqlQuery q(db);
                q.exec(QStringLiteral("SELECT message FROM messagelog ORDER BY id"));
                while (q.next())
                    texts << q.value(0).toString();
                q.finish();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
        return texts;
    }

    QTemporaryDir m_root;
    QProcess m_process;
    QString m_trace = QLatin1String(kTrace);
};

const char* const kConfig = "/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml";

// The safety inputs (closed) and the HV-enable line below the root; with a FIFO in place
// of the configuration file the GUI thread waits in the start-up until it is written.
VlfRun::Prepare instrumentRoot(bool configIsFifo)
{
    return [configIsFifo](QProcessEnvironment&, const QString& root) {
        FsRoot::setRoot(root);
        FakeGpioTree(safetyInputLines(), {HVEnableLine});
        FsRoot::setRoot(QString());
        const QString config = root + QLatin1String(kConfig);
        if (configIsFifo && QDir().mkpath(QFileInfo(config).absolutePath()))
            ::mkfifo(QFile::encodeName(config).constData(), 0600);
    };
}

// The simulator program on a pseudo-terminal; its slave side is the unit's line.
class SimRun {
public:
    explicit SimRun(const QStringList& arguments = QStringList())
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral(HVSIM_BINARY), arguments);
    }
    ~SimRun() { stop(); }
    // SIGTERM, as the run script's Ctrl-C: true when the simulator ended by itself.
    bool stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (m_process.waitForFinished(10000))
            return m_process.exitStatus() == QProcess::NormalExit;
        m_process.kill();
        m_process.waitForFinished(10000);
        return false;
    }
    QString slavePath()
    {
        if (!m_process.waitForStarted(10000))
            return QString();
        QElapsedTimer t;
        t.start();
        while (!m_process.canReadLine() && t.elapsed() < 10000)
            m_process.waitForReadyRead(100);
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
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
        // The cause is logged once, and the link keeps trying from Starting.
        QCOMPARE(trace.count("Can't open /nonexistent/ttyVLF: No such file or directory"), 1);
        QVERIFY(trace.count("Starting --HVInitError--> Starting") >= 2);
        QVERIFY(trace.contains(QStringLiteral("Signal %1: stopping").arg(signalNumber).toLatin1()));
        // The last records reach the file.
        QVERIFY(trace.trimmed().endsWith("Application::~Application: Shutdown complete"));
        QVERIFY(QFile::exists(run.m_root.path() + QStringLiteral("/home/root/mappedPaths/appdata/PEVANTO.sqlite3")));
    }

    // SIGTERM at any moment of the start-up ends the program within the stop's bound (4 s; the
    // sanitizers' build has its own) and a second with the HV-enable line low: twenty starts
    // against the simulated unit, five at a time (a lighter load for the tests beside), each
    // signalled at a random moment of its own stretch of the first 1.5 s. Two GUI threads
    // hang for good on their configuration file (a FIFO nobody writes), signalled once they
    // wait there: ended at the bound with 128 + 15. One is held there until the signal has
    // come, so that the start-up meets it in its own event processing: it stops in order.
    void sigtermAtAnyMomentOfTheStartUp()
    {
        constexpr int kRuns = 5;
        enum Kind { Random, Hangs, Held };
        for (int wave = 0; wave < 4; ++wave) {
            std::vector<SimRun> sims(kRuns);
            std::vector<std::unique_ptr<VlfRun>> runs;
            QVector<int> hanging;
            QVector<int> delays;
            QVector<qint64> due;
            QVector<qint64> signalled(kRuns, -1);
            QElapsedTimer clock;
            clock.start();
            const auto kind = [wave](int i) { return wave > 0 || i > 2 ? Random : i < 2 ? Hangs : Held; };
            const auto signal = [&](int i) {
                runs[i]->m_process.terminate();
                signalled[i] = clock.elapsed();
            };
            const auto signalDue = [&] {
                for (int i = 0; i < int(runs.size()); ++i)
                    if (signalled[i] < 0 && clock.elapsed() >= due[i])
                        signal(i);
            };
            for (int i = 0; i < kRuns; ++i) {
                runs.push_back(std::make_unique<VlfRun>(sims[i].slavePath(), instrumentRoot(kind(i) != Random)));
                const int stretch = (wave * kRuns + i) % 10;
                delays << (kind(i) == Random ? stretch * 150 + QRandomGenerator::global()->bounded(150) : 300);
                due << (kind(i) != Random ? std::numeric_limits<qint64>::max() : clock.elapsed() + delays.last());
                if (kind(i) != Random) {
                    // A reader at the FIFO: the signal handlers are in place, the GUI thread waits.
                    const QByteArray fifo = QFile::encodeName(runs[i]->m_root.path() + QLatin1String(kConfig));
                    int fd = -1;
                    while ((fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK)) < 0 && clock.elapsed() < 20000) {
                        signalDue();
                        QTest::qWait(5);
                    }
                    QVERIFY(fd >= 0);
                    signal(i);
                    const QByteArray config("<configuration><key name=\"PEVANTO\"></key></configuration>");
                    if (kind(i) == Hangs) {
                        hanging << fd; // open till the end: the reader waits for good
                    } else {
                        QCOMPARE(::write(fd, config.constData(), size_t(config.size())), ssize_t(config.size()));
                        ::close(fd);
                    }
                }
                signalDue();
            }
            for (bool pending = true; pending;) {
                QTest::qWait(5);
                signalDue();
                pending = false;
                for (int i = 0; i < kRuns; ++i)
                    pending = pending || signalled[i] < 0
                        || (runs[i]->m_process.state() != QProcess::NotRunning
                            && clock.elapsed() - signalled[i] < StopDeadline::kBoundMs + 1000);
            }
            for (int i = 0; i < kRuns; ++i) {
                VlfRun& run = *runs[i];
                const QString what =
                    QStringLiteral("wave %1, start %2: SIGTERM %3 ms after the start").arg(wave).arg(i).arg(delays[i]);
                QVERIFY2(run.m_process.state() == QProcess::NotRunning, qPrintable(what));
                QFile line(run.m_root.path() + QStringLiteral("/sys/class/gpio/gpio23/value"));
                QVERIFY(line.open(QIODevice::ReadOnly));
                QVERIFY2(!line.readAll().endsWith('1'), qPrintable(what));
                if (kind(i) != Random)
                    QCOMPARE(run.m_process.exitCode(), kind(i) == Hangs ? 128 + SIGTERM : 0);
                if (kind(i) == Held)
                    QVERIFY(run.trace().trimmed().endsWith("Application::~Application: Shutdown complete"));
            }
            for (int fd : hanging)
                ::close(fd);
            // The simulators end together, not one after the other.
            for (SimRun& sim : sims)
                sim.m_process.terminate();
        }
    }

    // A system name that is no safe file name names the database and the trace file by
    // its letters and digits, inside their folders.
    void systemNameNamesFilesInsideTheirFolders()
    {
        const QString appData = QStringLiteral("/home/root/mappedPaths/appdata");
        VlfRun run(QStringLiteral("/nonexistent/ttyVLF"), [&](QProcessEnvironment&, const QString& root) {
            QDir().mkpath(root + appData + QStringLiteral("/config"));
            QFile config(root + appData + QStringLiteral("/config/PEVANTO.cfg.xml"));
            if (config.open(QIODevice::WriteOnly))
                config.write("<configuration><key name=\"PEVANTO\"><key name=\"General\"><value name=\"SystemName\" "
                             "type=\"string\">../../../../OUT/&lt;b&gt;x%1</value></key></key></configuration>");
        });
        run.m_trace = appData + QStringLiteral("/trace/OUTBX1.trc");
        QVERIFY2(run.waitForTrace("Start-up done, mains on", 30000), run.m_process.readAll().constData());
        QVERIFY(run.signalAndWait(SIGTERM, 30000));
        QVERIFY(QFile::exists(run.m_root.path() + appData + QStringLiteral("/OUTBX1.sqlite3")));
        QVERIFY(!run.trace().contains("Database is not open"));
        QCOMPARE(QDir(run.m_root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"home"});
    }

    // A value out of bounds, in the device configuration, in a stick's backup or in the file
    // of what the HV unit is owed, is refused in one line; Idle comes within 5 s of the
    // start-up's end, and every heartbeat is answered up to the end or to an import (which
    // ends in a reboot on the instrument). An outsized owed file is kept aside, and a
    // SIGTERM ends the program within a second.
    void startsAsUsualWithValuesOutOfBounds_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("inBackup");
        QTest::addColumn<QByteArray>("refusal");
        QTest::addColumn<QByteArray>("owed"); // the file of what the HV unit is owed
        const auto value = [](const char* group, const char* key, const char* type, const QByteArray& text) {
            return "<key name=\"" + QByteArray(group) + "\"><value name=\"" + key + "\" type=\"" + type + "\">" + text +
                   "</value></key>";
        };
        const QByteArray encoder("/Device/EncoderDevice refused (not below /dev/input)");
        QTest::newRow("encoder on /dev/zero")
            << value("Device", "EncoderDevice", "string", "/dev/zero") << false << encoder << QByteArray();
        QTest::newRow("encoder on the link's device")
            << value("Device", "EncoderDevice", "string", "/dev/ttyUSB0") << false << encoder << QByteArray();
        QTest::newRow("500 kB time format") << value("Settings", "TimeFormat", "string", QByteArray(500000, 'h'))
                                            << false << QByteArray("a text longer than 4096 bytes at /Settings/TimeFormat")
                                            << QByteArray();
        QTest::newRow("forced-modes mask") << value("Device", "ForcedOperatingModes", "long", "-1") << false
                                           << QByteArray("/Device/ForcedOperatingModes refused (outside 0..") << QByteArray();
        QTest::newRow("virtual test boost and tan delta floor from a backup")
            << value("Device", "VLFBoosterEmulation", "bool", "true") +
                   value("HV Identification", "TanDeltaMinimum", "long", "5")
            << true << QByteArray("Imported configuration: 2 values refused") << QByteArray();
        // 43,001 times the old gains of the simulated unit, as the program writes them: 10 MB.
        QByteArray entry = QJsonDocument(QJsonArray { QJsonObject {
            { "what", "The gains 9870/10120" }, { "told", "Die Verstärkungen des HV-Geräts konnten nicht wiederhergestellt werden" },
            { "serial", "SIM-000000000000000000000" }, { "hardwareId", "VLF-SIM 45kV 1/2" },
            { "gains", QJsonArray { 9870, 10120 } }, { "parameters", QJsonArray() } } }).toJson();
        entry = entry.mid(2, entry.size() - 5); // inside the brackets
        QByteArray entries = entry;
        for (int i = 1; i < 43001; ++i)
            entries += ",\n" + entry;
        QTest::newRow("10 MB owed file") << QByteArray() << false << QByteArray("HVUnitOwed.json (larger than 65536 bytes); kept as")
                                         << "{\n    \"owed\": [\n" + entries + "\n    ]\n}\n";
    }
    void startsAsUsualWithValuesOutOfBounds()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, inBackup);
        QFETCH(QByteArray, refusal);
        QFETCH(QByteArray, owed);
        SimRun sim;
        const QString slave = sim.slavePath();
        VlfRun run(slave, [&](QProcessEnvironment& env, const QString& root) {
            instrumentRoot(false)(env, root);
            // The link on its default device, which the encoder may be pointed at too.
            env.remove("SERIAL_COMDEVICE");
            for (const char* folder : {"/dev", "/stick", "/media", "/home/root/mappedPaths/appdata/config"})
                QDir().mkpath(root + folder);
            QFile::link(slave, root + "/dev/ttyUSB0");
            QFile::link("/dev/zero", root + "/dev/zero");
            QFile file(root + (inBackup ? "/stick/PEVANTO_backup.cfg.xml" : kConfig));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<configuration><key name=\"PEVANTO\">" + value +
                                                                  "</key></configuration>") > 0);
            QFile owedFile(root + "/home/root/mappedPaths/appdata/config/HVUnitOwed.json");
            QVERIFY(owed.isEmpty() || (owedFile.open(QIODevice::WriteOnly) && owedFile.write(owed) == owed.size()));
            QVERIFY(!inBackup || QFile::link(root + "/stick", root + "/media/USB"));
        });
        QVERIFY2(run.waitForTrace("Start-up done, mains on", 30000), run.trace().right(2000).constData());
        QVERIFY2(run.waitForTrace("Starting --HVUnitInitialized--> Idle", 5000), run.trace().right(2000).constData());
        run.waitForTrace(refusal, 10000); // a backup is taken once the stick was looked at
        QTest::qWait(1500);
        QElapsedTimer stopping;
        stopping.start();
        QVERIFY(run.signalAndWait(SIGTERM, 30000));
        if (!owed.isEmpty()) {
            QVERIFY2(stopping.elapsed() <= 1000, qPrintable(QString::number(stopping.elapsed())));
            QCOMPARE(run.m_process.exitCode(), 0);
            QFile aside(run.m_root.path() + "/home/root/mappedPaths/appdata/config/HVUnitOwed.json.unread");
            QVERIFY(aside.open(QIODevice::ReadOnly) && aside.readAll() == owed);
        }
        const QByteArray trace = run.trace();
        const int start = trace.indexOf("Start-up done"), import = trace.indexOf("Backup configuration found");
        const QByteArray running = trace.mid(start, import > start ? import - start : -1);
        QVERIFY2(!running.contains("No heartbeat from") && !running.contains("ComError"),
                 running.right(3000).constData());
        QFile kept(run.m_root.path() + kConfig);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const QString owners = kept.readAll(); // the instrument's own, whatever the backup said
        QVERIFY(owners.contains(QRegularExpression("Emulation\"[^>]*>false<")));
        QVERIFY(!owners.contains(QRegularExpression("Minimum\"[^>]*>5<")));
        QCOMPARE(trace.count(refusal), 1);
    }

    // What the run script does, as the README tells it: the simulator program on a
    // pseudo-terminal (with the script's options), the program on its slave side without a
    // display and nothing said of the scene graph (it picks the software one itself), up to
    // Idle, then both stopped. A stick present at start adds its icon to the header.
    void runsAsTheRunScriptStartsIt()
    {
        QTemporaryDir gpioRoot;
        SimRun sim({QStringLiteral("--root"), gpioRoot.path(), QStringLiteral("--hv-on-key"), QStringLiteral("3")});
        const QString slave = sim.slavePath();
        QVERIFY(slave.startsWith(QLatin1String("/dev/")));
        VlfRun run(slave, [](QProcessEnvironment& env, const QString& root) {
            env.remove(QStringLiteral("QT_QUICK_BACKEND"));
            // The simulated stick: a link at the mount point to its contents.
            QDir().mkpath(root + QStringLiteral("/stick"));
            QDir().mkpath(root + QStringLiteral("/media"));
            QFile::link(root + QStringLiteral("/stick"), root + QStringLiteral("/media/USB"));
        });
        QVERIFY(run.m_process.waitForStarted(10000));
        QVERIFY2(run.waitForTrace("Starting --HVUnitInitialized--> Idle", 60000), run.trace().right(2000).constData());
        QTest::qWait(1500); // the header's text has been laid out and scrolls
        QVERIFY(run.signalAndWait(SIGTERM, 30000));
        QCOMPARE(run.m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.m_process.exitCode(), 0);
        const QByteArray trace = run.trace();
        QVERIFY(trace.contains("Scene graph: software, no OpenGL context can be made"));
        QVERIFY(trace.trimmed().endsWith("Application::~Application: Shutdown complete"));
        // The window came up and went down without a word from QML.
        const QByteArray output = run.m_process.readAll();
        QVERIFY2(!output.contains(".qml:") && !output.contains(".js:"), output.constData());
        QVERIFY(!trace.contains("Gui::qml"));
        QVERIFY(!trace.contains("The main window could not be loaded"));

        QVERIFY(sim.stop());
    }

    // On an X server without a GPU the log names the scene graph the program chose.
    void namesItsSceneGraphOnAVirtualDisplay()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            QSKIP("No Xvfb on this machine");
        QProcess server;
        QTemporaryDir dir;
        // Xvfb writes the number of the display it found free once it listens there. Without
        // -noreset it starts over when its last client leaves, and drops a connection that
        // comes meanwhile: the program's OpenGL probe is a first client that leaves just as
        // the program connects.
        server.setStandardOutputFile(dir.path() + QStringLiteral("/display"));
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                            QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("800x600x24")});
        QVERIFY(server.waitForStarted(10000));
        QByteArray display;
        QElapsedTimer waited;
        waited.start();
        while (display.isEmpty() && waited.elapsed() < 10000) {
            QTest::qWait(100);
            QFile displayFile(dir.path() + QStringLiteral("/display"));
            if (displayFile.open(QIODevice::ReadOnly))
                display = displayFile.readAll().trimmed();
        }
        QVERIFY(!display.isEmpty());
        {
            VlfRun run(QStringLiteral("/nonexistent/ttyVLF"), [&display](QProcessEnvironment& env, const QString&) {
                env.remove(QStringLiteral("QT_QUICK_BACKEND"));
                env.remove(QStringLiteral("QT_QPA_PLATFORM"));
                env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(display));
            });
            QVERIFY(run.m_process.waitForStarted(10000));
            const bool started = run.waitForTrace("Start-up done, mains on", 30000);
            const QByteArray output = run.m_process.readAll();
            if (!started && output.contains("could not connect to display"))
                QSKIP("The virtual display took no connection: an X server on this machine disturbed it");
            QVERIFY2(started, output.constData());
            const QByteArray trace = run.trace();
            QVERIFY2(trace.contains("SceneGraphChoice::apply: Scene graph: software, ")
                         || trace.contains("SceneGraphChoice::apply: Scene graph: OpenGL on "),
                     trace.right(3000).constData());
            // The OpenGL probe ran in a child: a software choice leaves no driver behind.
            if (trace.contains("SceneGraphChoice::apply: Scene graph: software, ")) {
                QFile maps(QStringLiteral("/proc/%1/maps").arg(run.m_process.processId()));
                QVERIFY(maps.open(QIODevice::ReadOnly));
                const QByteArray mapped = maps.readAll();
                QVERIFY2(!mapped.contains("_dri.so") && !mapped.contains("libgallium"), mapped.constData());
            }
            QVERIFY(run.signalAndWait(SIGTERM, 30000));
            // Says why it did not stop cleanly (e.g. a sanitizer's report).
            QVERIFY2(run.m_process.exitCode() == 0, run.m_process.readAll().left(6000).constData());
        }
        server.terminate();
        QVERIFY(server.waitForFinished(10000));
    }

    // One program drives the unit: a second start below the same root ends at once, saying
    // so, before it opens its serial line or starts anything; the first, killed with
    // SIGKILL, keeps no later start out.
    void secondProgramEndsAndAKilledOneKeepsNoneOut()
    {
        SimRun sim;
        VlfRun first(sim.slavePath(), instrumentRoot(false));
        QVERIFY2(first.waitForTrace("Starting --HVUnitInitialized--> Idle", 60000), first.trace().right(2000).constData());
        const auto sameRoot = [&first](QProcessEnvironment& env, const QString&) {
            env.insert(QStringLiteral("VLF_ROOT"), first.m_root.path());
        };
        VlfRun second(QStringLiteral("/nonexistent/ttySecond"), sameRoot);
        QVERIFY(second.m_process.waitForFinished(30000));
        QCOMPARE(second.m_process.exitCode(), 1);
        const QByteArray said = second.m_process.readAll();
        QVERIFY2(said.contains(QStringLiteral("Another program (process %1) drives the HV unit")
                                   .arg(first.m_process.processId())
                                   .toLatin1()),
                 said.constData());
        QVERIFY(!said.contains("ttySecond") && !said.contains("Start-up done"));

        QVERIFY(first.signalAndWait(SIGKILL, 10000));
        SimRun nextSim;
        VlfRun next(nextSim.slavePath(), sameRoot);
        QByteArray nextSaid;
        QTRY_VERIFY2_WITH_TIMEOUT((nextSaid += next.m_process.readAll()).contains("Starting --HVUnitInitialized--> Idle"),
                                  nextSaid.right(2000).constData(), 60000);
    }

    // However short the run, every record reaches the message log: those logged before
    // the logger ran, those of the start-up and the last one of the shutdown.
    void shortRunKeepsEveryRecordInTheMessageLog()
    {
        SimRun sim;
        const QString slave = sim.slavePath();
        QVERIFY(slave.startsWith(QLatin1String("/dev/")));
        VlfRun run(slave);
        QVERIFY(run.m_process.waitForStarted(10000));
        QVERIFY2(run.waitForTrace("Start-up done, mains on", 30000), run.trace().right(2000).constData());
        QTest::qWait(1000);
        QVERIFY(run.signalAndWait(SIGTERM, 30000));
        QCOMPARE(run.m_process.exitCode(), 0);

        const QStringList log = run.messageLog();
        QVERIFY2(log.size() > 5, qPrintable(log.join('\n')));
        QVERIFY(log.first().contains(QLatin1String("=== Pevanto software version 4.2.0 ===")));
        QVERIFY(log.contains(QStringLiteral("No configuration file yet; built-in defaults are used")));
        QVERIFY(log.contains(QStringLiteral("Start-up done, mains on")));
        QVERIFY(log.contains(QStringLiteral("Signal 15: stopping")));
        QCOMPARE(log.last(), QStringLiteral("Shutdown complete"));
    }
};

QTEST_GUILESS_MAIN(TstVlfProcess)
#include "tst_vlfprocess.moc"
