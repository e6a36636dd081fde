#include "app/CheckAppState.h"
#include "config/ConfigAccessXML.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "fakes/FakePlatform.h"
#include "fakes/RecordingGui.h"
#include "fakes/TempRoot.h"
#include "maintenance/ConfigfileManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {
QList<QPair<int, int>> transitions(const QSignalSpy& spy)
{
    QList<QPair<int, int>> out;
    for (const QList<QVariant>& args : spy)
        out.append({args.at(0).value<eUSBState>(), args.at(1).value<eUSBState>()});
    return out;
}
using Steps = QList<QPair<int, int>>;

QByteArray configFile(const QByteArray& app)
{
    return "<configuration><key name=\"" + app + "\"><key name=\"General\"><value name=\"FromBackup\" "
           "type=\"string\">1</value></key></key></configuration>";
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// What the stick shows of an entry without following it.
QString describe(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("missing");
    return QStringLiteral("%1 %2 %3").arg(st.st_mode).arg(qint64(st.st_size)).arg(QFile::symLinkTarget(path));
}
} // namespace

class TstCheckAppState : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("pevanto")); }

    void stickInsertedFilledAndRemoved()
    {
        TempRoot root;
        CheckAppState check(nullptr, 20);
        QSignalSpy changes(&check, &CheckAppState::usbStateChanged);
        QSignalSpy imports(&check, &CheckAppState::importConfig);
        check.start();
        QCOMPARE(check.usbState(), USBState_NoStick);

        // A folder at the mount point is no stick, whatever it holds.
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/report.txt"), "x"));
        QTest::qWait(150);
        QCOMPARE(check.usbState(), USBState_NoStick);
        QVERIFY(changes.isEmpty());
        QVERIFY(QDir(root.path(QStringLiteral("/media/USB"))).removeRecursively());

        QVERIFY(!root.insertStick().isEmpty());
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QCOMPARE(transitions(changes), Steps({{1, 2}, {2, 0}}));
        QVERIFY(root.pullStick());
        QTRY_COMPARE(check.usbState(), USBState_NoStick);
        QCOMPARE(transitions(changes), Steps({{1, 2}, {2, 0}, {0, 1}}));

        // An empty stick is a stick all the same.
        QVERIFY(QDir(root.path(QStringLiteral("/stick"))).isEmpty());
        QVERIFY(!root.insertStick().isEmpty());
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QVERIFY(root.pullStick());
        QTRY_COMPARE(check.usbState(), USBState_NoStick);
        QCOMPARE(changes.size(), 6);
        QVERIFY(imports.isEmpty());
    }

    void stickPresentAtStartIsCheckedAtOnce()
    {
        TempRoot root;
        QVERIFY(!root.insertStick().isEmpty());
        CheckAppState check(nullptr, 20);
        QSignalSpy changes(&check, &CheckAppState::usbStateChanged);
        check.start();
        QCOMPARE(check.usbState(), USBState_Checking);
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QCOMPARE(transitions(changes), Steps({{1, 2}, {2, 0}}));
    }

    void backupConfigurationOfferedOnceDuringStartup()
    {
        TempRoot root;
        const QString backup = root.path(QStringLiteral("/media/USB/PEVANTO_backup.cfg.xml"));
        QCOMPARE(CheckAppState::backupConfigFile(), backup);
        QVERIFY(!root.insertStick().isEmpty());
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/PEVANTO_backup.cfg.xml"), "<x/>"));
        CheckAppState check(nullptr, 20, 5000);
        QSignalSpy imports(&check, &CheckAppState::importConfig);
        QList<int> stateAtImport;
        connect(&check, &CheckAppState::importConfig, this, [&]() { stateAtImport << check.usbState(); });
        check.start();
        QTRY_COMPARE(imports.size(), 1);
        QCOMPARE(imports.first().at(0).toString(), backup);
        QCOMPARE(imports.first().at(1).toBool(), true);
        QCOMPARE(stateAtImport, QList<int>({USBState_Ready}));

        // Pulled and put back: not offered a second time.
        QVERIFY(root.pullStick());
        QTRY_COMPARE(check.usbState(), USBState_NoStick);
        QVERIFY(!root.insertStick().isEmpty());
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QTest::qWait(100);
        QCOMPARE(imports.size(), 1);
    }

    // The start-up route of a backup: the stick check offers it, the import judges it.
    void backupAtStartIsImportedOnlyAsAPlainSmallFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("imported");
        QTest::newRow("plain backup") << "plain" << true;
        QTest::newRow("link to an absolute path") << "absolute link" << false;
        QTest::newRow("link to a relative path") << "relative link" << false;
        QTest::newRow("dangling link") << "dangling link" << false;
        QTest::newRow("FIFO") << "fifo" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("12 MB backup") << "large" << false;
    }

    void backupAtStartIsImportedOnlyAsAPlainSmallFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, imported);
        DataModelFixture fixture;
        QVERIFY(fixture.isValid());
        FakePlatform platform;
        RecordingGui gui;
        GlobalFuncs::setGUI(&gui);
        const TempRoot& root = fixture.root();
        const QString device = QStringLiteral("/home/root/mappedPaths/appdata/config/PEVANTO.cfg.xml");
        QVERIFY(root.writeFile(device, "<configuration><key name=\"PEVANTO\"></key></configuration>"));
        ConfigAccessXML store(root.path(QStringLiteral("/home/root/mappedPaths/appdata/config")));
        QCOMPARE(store.initialize(), 1);
        GlobalFuncs::setConfig(&store);
        const QByteArray deviceBefore = root.readFile(device);
        // A file of the device that a link would bring in.
        const QString secret = QStringLiteral("/home/root/other.cfg.xml");
        QVERIFY(root.writeFile(secret, configFile("PEVANTO")));

        QVERIFY(!root.insertStick().isEmpty());
        const QString backup = CheckAppState::backupConfigFile();
        const QByteArray name = QFile::encodeName(backup);
        if (kind == QLatin1String("plain")) {
            QVERIFY(root.writeFile(QStringLiteral("/media/USB/PEVANTO_backup.cfg.xml"), configFile("PEVANTO")));
        } else if (kind == QLatin1String("absolute link")) {
            QVERIFY(QFile::link(root.path(secret), backup));
        } else if (kind == QLatin1String("relative link")) {
            QVERIFY(::symlink("../home/root/other.cfg.xml", name.constData()) == 0);
        } else if (kind == QLatin1String("dangling link")) {
            QVERIFY(::symlink("/nowhere.cfg.xml", name.constData()) == 0);
        } else if (kind == QLatin1String("fifo")) {
            QVERIFY(::mkfifo(name.constData(), 0600) == 0);
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(backup + QStringLiteral("/inner")));
        } else {
            // Well-formed and of this instrument, but far beyond any real configuration.
            QFile f(backup);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<configuration><key name=\"PEVANTO\"><key name=\"General\">");
            const QByteArray value("<value name=\"Filler\" type=\"string\">0123456789</value>\n");
            while (f.size() < 12 * 1024 * 1024)
                f.write(value);
            f.write("</key></key></configuration>");
        }
        const QString stickBefore = describe(backup);

        ConfigfileManager manager;
        CheckAppState check(nullptr, 20, 5000);
        connect(&check, &CheckAppState::importConfig, &manager, &ConfigfileManager::importConfigFile);
        QSignalSpy imports(&check, &CheckAppState::importConfig);
        const long peakBefore = peakKiB();
        QElapsedTimer clock;
        clock.start();
        check.start();
        QTRY_COMPARE(imports.size(), 1);
        QTRY_VERIFY(!gui.callsOf(QStringLiteral("showMessageDlg")).isEmpty());
        // A refusal is far below the watchdog's heartbeat, and no file is read into memory.
        QVERIFY2(imported || clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(peakKiB() - peakBefore < 20 * 1024, qPrintable(QString::number(peakKiB() - peakBefore)));

        const auto shown = gui.callsOf(QStringLiteral("showMessageDlg"));
        if (imported) {
            QCOMPARE(shown.first().key, QStringLiteral("ConfigSuccessfullyImported"));
            QCOMPARE(platform.rebooter.calls, QStringList{QStringLiteral("reboot")});
            QVERIFY(root.readFile(device).contains("FromBackup"));
            QVERIFY(!QFileInfo::exists(backup));
        } else {
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().key, QStringLiteral("ConfigIsInvalid"));
            QCOMPARE(shown.first().category, int(CAT_ERR));
            QVERIFY(platform.rebooter.calls.isEmpty());
            QCOMPARE(root.readFile(device), deviceBefore);
            QCOMPARE(describe(backup), stickBefore);
        }
        GlobalFuncs::setConfig(fixture.config());
        GlobalFuncs::setGUI(nullptr);
    }

    void backupIgnoredAfterTheStartupWindow()
    {
        TempRoot root;
        CheckAppState check(nullptr, 20, 200);
        QSignalSpy imports(&check, &CheckAppState::importConfig);
        check.start();
        QTest::qWait(400);
        QVERIFY(!root.insertStick().isEmpty());
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/PEVANTO_backup.cfg.xml"), "<x/>"));
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QTest::qWait(100);
        QVERIFY(imports.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCheckAppState)
#include "tst_checkappstate.moc"
