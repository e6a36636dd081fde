#include "app/Application.h"
#include "core/CRC32.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/FakeConfig.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/FastClock.h"
#include "fakes/FakePlatform.h"
#include "fakes/RecordingGui.h"
#include "fakes/TempRoot.h"
#include "fakes/ThreadNames.h"
#include "hvsim/HvUnitSimulator.h"
#include "hvunit/SCPins.h"
#include "hvunit/TPOF.h"
#include "db/DB.h"
#include "logging/LoggingCtrl.h"
#include "maintenance/ActionHandler.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {
const QString kProgram = QStringLiteral("/opt/vlf/vlf");
const QString kDeviceConfig = QStringLiteral("/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml");
// Files that work cut short by a power cut leaves behind; the start-up clears them.
const char* const kLeftovers[][2] = {
    {"unfinished record", "/home/root/mappedPaths/appdata/measurements/20250101/K1_20250101_060000.vlf.tmp"},
    {"program copy", "/opt/vlf/vlf.new"},
    {"configuration import", "/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml.import"},
    {"previous configuration", "/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml.previous"},
};

// What the stick and the configuration folder hold at start (the run's option).
enum class Stick {
    OwnBackup,       // the backup of this instrument, which has no serial number yet
    Unreadable,      // "--invalid-backup": a backup nesting 49,000 levels; the device file and its .bak 7,000
    OtherInstrument, // "--other-instrument": the backup of another instrument
};

// A configuration with a value of the backup's and the identity and service keys given.
QByteArray configuration(const char* serial, const char* shunt, bool fromBackup)
{
    return QByteArray("<configuration><key name=\"PEVANTO\"><key name=\"General\">") +
           (fromBackup ? "<value name=\"FromBackup\" type=\"string\">1</value>" : "") +
           "</key><key name=\"Device\"><value name=\"SerialNumber\" type=\"string\">" + serial +
           "</value><value name=\"ShuntSwitching\" type=\"bool\">" + shunt + "</value></key></key></configuration>";
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes file with its CRC companion "<name>.crc".
bool writeWithCrc(const QString& file, const QByteArray& bytes)
{
    return writeFile(file, bytes) &&
           writeFile(file.left(file.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".crc"),
                     QByteArray::number(getCRC32FromFile(QFile::encodeName(file).constData()), 16));
}
} // namespace

class TstApplicationMaintenance : public QObject {
    Q_OBJECT
public:
    TstApplicationMaintenance(Application* app, TempRoot* root, FakePlatform* platform, const QList<QVariantList>* lists,
                              Stick stick)
        : m_app(app), m_root(root), m_platform(platform), m_lists(lists), m_stick(stick),
          m_validBackup(stick == Stick::OwnBackup)
    {
    }

private:
    QString updates() const { return GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates); }
    RecordingGui* gui() const { return static_cast<RecordingGui*>(m_app->gui()); }

    // Installs a package through the user interface and returns the states walked.
    QList<States::AppState> install(const QString& path, States::AppState last, int rebootsAfter)
    {
        QList<States::AppState> states;
        const auto c = connect(m_app->dataModel(), &DataModell::appStateChanged, this,
                               [&](States::AppState, States::AppState s) { states << s; });
        emit gui()->performUpdate(updatePackage(path));
        // The caller compares what was walked.
        const bool reached = QTest::qWaitFor(
            [&] { return states.contains(last) && m_platform->rebooter.calls.size() == rebootsAfter; }, 60000);
        Q_UNUSED(reached)
        disconnect(c);
        return states;
    }

private slots:
    void leftoversOfCutShortWorkAreGoneAfterStart_data()
    {
        QTest::addColumn<QString>("file");
        for (const auto& leftover : kLeftovers)
            QTest::newRow(leftover[0]) << QString::fromLatin1(leftover[1]);
    }

    void leftoversOfCutShortWorkAreGoneAfterStart()
    {
        QFETCH(QString, file);
        QVERIFY(!QFileInfo::exists(m_root->path(file)));
        // The device file was there, so the previous configuration was not needed.
        QVERIFY(!readFile(m_root->path(kDeviceConfig)).contains("Previous"));
    }

    // A damaged database is told at start; a write failing later is told when it happens.
    void databaseTroubleReachesTheHeader()
    {
        const auto shown = [this](const QString& key) {
            int n = 0;
            for (const auto& c : gui()->callsOf(QStringLiteral("showMessageDlg")))
                if (c.context == QLatin1String("ErrorMessages") && c.key == key && c.category == CAT_ERR && !c.okButton)
                    ++n;
            return n;
        };
        if (m_stick != Stick::Unreadable)
            QCOMPARE(shown(QStringLiteral("DatabaseReset")), 0);
        else
            QTRY_COMPARE(shown(QStringLiteral("DatabaseReset")), 1);
        QCOMPARE(shown(QStringLiteral("DatabaseNotWritable")), 0);

        DB* db = GlobalFuncs::getDB();
        db->setLogRowWriter([](QSqlQuery&) { return false; });
        for (int i = 0; i < 3; ++i) {
            KLOG_INFO2("Test", "databaseTroubleReachesTheHeader", "not stored");
            QTest::qWait(50);
        }
        QTRY_COMPARE(shown(QStringLiteral("DatabaseNotWritable")), 1);
        db->setLogRowWriter(nullptr);
        QVERIFY(db->flushLogQueues());
        QVERIFY(db->isWritable());
        QTest::qWait(100);
        QCOMPARE(shown(QStringLiteral("DatabaseNotWritable")), 1);
    }

    // A device file and backup no load takes are kept aside; the defaults are used, and said.
    void unreadableConfigurationIsKeptAsideAndSaid()
    {
        const QString device = m_root->path(kDeviceConfig);
        int said = 0;
        for (const auto& c : gui()->callsOf(QStringLiteral("showMessageDlg")))
            said += c.key == QLatin1String("ConfigSetAside") && c.category == CAT_ERR && !c.okButton;
        const bool unreadable = m_stick == Stick::Unreadable;
        QCOMPARE(said, int(unreadable));
        QCOMPARE(readFile(device + ".refused"), unreadable ? FakeConfig::nestedDocument("PEVANTO", 7000) : QByteArray());
        QCOMPARE(readFile(device + ".bak.refused").size(), unreadable ? readFile(device + ".refused").size() : 0);
        QVERIFY(readFile(device).contains("<configuration>"));
        QVERIFY(readFile(device).size() < 10000);
    }

    void languageListReachesTheGuiAtStart()
    {
        QCOMPARE(m_lists->size(), 1);
        QCOMPARE(m_lists->first().size(), 2);
        QCOMPARE(m_lists->first().last().toMap().value(QStringLiteral("name")).toString(), QStringLiteral("Czech"));
    }

    void backupConfigurationOnTheStickAtStart()
    {
        const QString backup = updates() + QStringLiteral("/PEVANTO_backup.cfg.xml");
        if (m_validBackup) {
            QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(backup), 15000);
            QTRY_COMPARE(m_platform->rebooter.calls, QStringList({QStringLiteral("reboot")}));
            // Without a serial number of its own the instrument takes its backup's.
            QVERIFY(readFile(m_root->path(kDeviceConfig)).contains("FromBackup"));
            QVERIFY(readFile(m_root->path(kDeviceConfig)).contains(">12345678901<"));
        } else if (m_stick == Stick::OtherInstrument) {
            // Left on the stick for its owner; this instrument stays itself, and is told so.
            QTRY_VERIFY_WITH_TIMEOUT(gui()->hasMessage("ConfigfileManager", "BackupOfAnotherInstrument"), 15000);
            QVERIFY(QFile::exists(backup));
            QVERIFY(m_platform->rebooter.calls.isEmpty());
            bool shunt = true;
            GlobalFuncs::getConfig()->queryBoolean(QStringLiteral("/Device/ShuntSwitching"), shunt);
            const QByteArray device = readFile(m_root->path(kDeviceConfig));
            QVERIFY(device.contains(">11111111111<") && !device.contains("FromBackup") && !shunt);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(gui()->hasMessage(QStringLiteral("ConfigfileManager"), QStringLiteral("ConfigIsInvalid")),
                                     15000);
            QVERIFY(QFile::exists(backup));
            QVERIFY(m_platform->rebooter.calls.isEmpty());
        }
    }

    void reportNamesTheUnitAtIdle()
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_app->dataModel()->getAppState(), States::Idle, 30000);
        QTemporaryDir folder;
        emit m_app->actionHandler()->exportLogFiles(folder.path(), false);
        QTRY_COMPARE_WITH_TIMEOUT(QDir(folder.path()).entryList({QStringLiteral("*.txt")}, QDir::Files).size(), 1, 15000);
        QTest::qWait(200);
        const QString report = QDir(folder.path()).entryList({QStringLiteral("*.txt")}, QDir::Files).first();
        QCOMPARE(QString::fromUtf8(readFile(folder.path() + QLatin1Char('/') + report)).section(QLatin1Char('\n'), 2, 2),
                 QStringLiteral("VLF-SIM 45kV"));
    }

    void softwarePackageReplacesTheProgram()
    {
        QVERIFY(writeFile(m_root->path(kProgram), "old program"));
        QTemporaryDir staging;
        const QByteArray program = QByteArray("\x7F" "ELF", 4) + "new program";
        QVERIFY(writeWithCrc(staging.path() + QStringLiteral("/application-4.3.0.img"), program));
        const QString package = updates() + QStringLiteral("/pevanto-Software-4.3.0.tar");
        QCOMPARE(QProcess::execute(QStringLiteral("tar"), {QStringLiteral("-cf"), package, QStringLiteral("-C"),
                                                          staging.path(), QStringLiteral(".")}),
                 0);
        const QList<States::AppState> states = install(package, States::Idle, m_validBackup ? 2 : 1);
        QCOMPARE(states, QList<States::AppState>({States::Updating, States::Idle}));
        QCOMPARE(m_platform->rebooter.calls.size(), m_validBackup ? 2 : 1);
        QCOMPARE(readFile(m_root->path(kProgram)), program);
        QCOMPARE(readFile(m_root->path(kProgram + QStringLiteral(".bak"))), QByteArray("old program"));
    }

    void firmwarePackageRestartsTheUnit()
    {
        const QString image = updates() + QStringLiteral("/pevantoapp-99.0.0.ldr");
        QVERIFY(writeWithCrc(image, QByteArray(300, '\x5A')));
        const int reboots = m_platform->rebooter.calls.size();
        const QList<States::AppState> states = install(image, States::Idle, reboots);
        QCOMPARE(states, QList<States::AppState>({States::Updating, States::Starting, States::Idle}));
        QCOMPARE(m_platform->rebooter.calls.size(), reboots);
    }

private:
    Application* m_app;
    TempRoot* m_root;
    FakePlatform* m_platform;
    const QList<QVariantList>* m_lists;
    Stick m_stick;
    bool m_validBackup;
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("CONSOLE_LOGGING");
    const Stick stick = argc < 2                                        ? Stick::OwnBackup
                        : qstrcmp(argv[1], "--invalid-backup") == 0     ? Stick::Unreadable
                        : qstrcmp(argv[1], "--other-instrument") == 0   ? Stick::OtherInstrument
                                                                        : Stick::OwnBackup;
    if (stick != Stick::OwnBackup) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    const QStringList threadsBefore = threadNames();

    TempRoot root;
    FakePlatform platform;
    QList<int> safetyLines;
    for (const SCPin& pin : SCPins)
        safetyLines << pin.line;
    FakeGpioTree gpio(safetyLines, {HVEnableLine});
    HvUnitSimulator sim;
    if (!sim.start())
        return 1;
    qputenv("SERIAL_COMDEVICE", sim.slavePath().toLocal8Bit());
    root.insertStick();
    writeFile(GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates) + QStringLiteral("/PEVANTO_backup.cfg.xml"),
              stick == Stick::Unreadable ? FakeConfig::nestedDocument("PEVANTO", 49000)
                                         : configuration("12345678901", "true", true));
    root.writeFile(QStringLiteral("/home/root/mappedPaths/appdata/languages/vlf-Czech.qm"), "x");
    const QByteArray device = stick == Stick::OwnBackup     ? QByteArray("<configuration><key name=\"PEVANTO\"></key></configuration>")
                              : stick == Stick::Unreadable ? FakeConfig::nestedDocument("PEVANTO", 7000)
                                                           : configuration("11111111111", "false", false);
    root.writeFile(kDeviceConfig, device);
    if (stick == Stick::Unreadable)
        root.writeFile(kDeviceConfig + QStringLiteral(".bak"), device);
    for (const auto& leftover : kLeftovers)
        root.writeFile(QString::fromLatin1(leftover[1]), "<configuration><key name=\"PEVANTO\">Previous</key></configuration>");
    // The unreadable run starts with a database that is no database.
    if (stick == Stick::Unreadable)
        root.writeFile(QStringLiteral("/home/root/mappedPaths/appdata/PEVANTO.sqlite3"), QByteArray(8192, 'x'));

    QList<QVariantList> lists;
    auto app = std::make_unique<Application>(argc, argv, [&lists] {
        auto gui = std::make_unique<RecordingGui>();
        QObject::connect(gui.get(), &IGUI::languageListChanged, [&lists](const QVariantList& l) { lists << l; });
        return gui;
    });
    // What an update leaves counts here, not how long the unit or the reboot message take.
    app->hvLink()->setSteadyClock(&fastSteadyClock);
    GlobalFuncs::setShownWaitScale(0.01);
    TstApplicationMaintenance tests(app.get(), &root, &platform, &lists, stick);
    const int rc = QTest::qExec(&tests, argc, argv);
    app.reset();
    sim.stop();

    const QStringList left = threadsLeftSince(threadsBefore);
    if (!left.isEmpty()) {
        std::fprintf(stderr, "FAIL! shutdown: threads left: %s\n", qPrintable(left.join(QStringLiteral(", "))));
        return 1;
    }
    return rc;
}

#include "tst_applicationmaintenance.moc"
