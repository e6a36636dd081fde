#include "core/Backlight.h"
#include "core/CommonOS.h"
#include "fakes/FakePlatform.h"
#include "core/FsRoot.h"
#include "core/GlobalFuncs.h"
#include "core/Platform.h"
#include "core/Rebooter.h"
#include "core/SystemClock.h"
#include "core/UsbStick.h"
#include "fakes/TempRoot.h"
#include "core/WatchdogDevice.h"

#include <QElapsedTimer>
#include <QtTest>

class TstPlatform : public QObject {
    Q_OBJECT
private slots:
    void fakesRecordTheCalls()
    {
        FakePlatform fakes;
        QCOMPARE(Platform::rebooter(), static_cast<IRebooter*>(&fakes.rebooter));
        QVERIFY(CommonOS::reboot(false));
        QVERIFY(CommonOS::reboot(true));
        QCOMPARE(fakes.rebooter.calls, (QStringList{QStringLiteral("reboot"), QStringLiteral("powerOff")}));
        fakes.rebooter.result = false;
        QVERIFY(!CommonOS::reboot(false));

        const QDateTime t(QDate(2026, 3, 1), QTime(12, 30, 5), Qt::UTC);
        QVERIFY(Platform::systemClock()->setSystemTime(t));
        QVERIFY(Platform::systemClock()->setHardwareClock(t));
        QCOMPARE(fakes.clock.systemTimes, QList<QDateTime>{t});
        QCOMPARE(fakes.clock.hardwareTimes, QList<QDateTime>{t});

        IWatchdogDevice* wd = Platform::watchdog();
        QVERIFY(wd->open());
        QVERIFY(wd->kick());
        wd->close();
        QVERIFY(!wd->kick());
        QCOMPARE(fakes.watchdog.calls(), (QStringList{QStringLiteral("open"), QStringLiteral("kick"),
                                                      QStringLiteral("close"), QStringLiteral("kick")}));

        QVERIFY(Platform::backlight()->setBrightness(40));
        QCOMPARE(Platform::backlight()->brightness(), 40);
        QCOMPARE(fakes.backlight.values, QList<int>{40});
    }

    void realLayersComeBack()
    {
        {
            FakePlatform fakes;
        }
        QVERIFY(dynamic_cast<Rebooter*>(Platform::rebooter()));
        QVERIFY(dynamic_cast<SystemClock*>(Platform::systemClock()));
        QVERIFY(dynamic_cast<WatchdogDevice*>(Platform::watchdog()));
        QVERIFY(dynamic_cast<Backlight*>(Platform::backlight()));
        QVERIFY(dynamic_cast<UsbStick*>(Platform::usbStick()));
    }

    void sleepBlocks()
    {
        QElapsedTimer t;
        t.start();
        CommonOS::sleep(60);
        QVERIFY(t.elapsed() >= 55);
    }

    void watchdogDeviceWritesKicksAndMagicClose()
    {
        TempRoot root;
        QVERIFY(root.isValid());
        QVERIFY(root.writeFile(QStringLiteral("/dev/watchdog"), QByteArray()));
        {
            WatchdogDevice wd;
            QVERIFY(!wd.kick()); // not open yet
            QVERIFY(wd.open());
            QVERIFY(wd.isOpen());
            QVERIFY(wd.kick());
            QVERIFY(wd.kick());
            wd.close();
            QVERIFY(!wd.isOpen());
            QVERIFY(!wd.kick());
        }
        QCOMPARE(root.readFile(QStringLiteral("/dev/watchdog")), QByteArray("\0\0V", 3));

        // Destroying an open device disarms it.
        QVERIFY(root.writeFile(QStringLiteral("/dev/watchdog"), QByteArray()));
        {
            WatchdogDevice wd;
            QVERIFY(wd.open());
            QVERIFY(wd.kick());
        }
        QCOMPARE(root.readFile(QStringLiteral("/dev/watchdog")), QByteArray("\0V", 2));
    }

    void watchdogDeviceMissing()
    {
        TempRoot root;
        WatchdogDevice wd;
        QVERIFY(!wd.open());
        QVERIFY(!wd.isOpen());
        wd.close(); // harmless
    }

    void backlightScalesToTheDevice()
    {
        TempRoot root;
        const QString dev = QStringLiteral("/sys/class/backlight/backlight0");
        QVERIFY(root.writeFile(dev + QStringLiteral("/max_brightness"), "255\n"));
        QVERIFY(root.writeFile(dev + QStringLiteral("/brightness"), "255\n"));
        // A second device later in name order is left alone.
        QVERIFY(root.writeFile(QStringLiteral("/sys/class/backlight/zz/max_brightness"), "7\n"));
        QVERIFY(root.writeFile(QStringLiteral("/sys/class/backlight/zz/brightness"), "7\n"));
        Backlight b;
        QCOMPARE(b.brightness(), 100);
        QVERIFY(b.setBrightness(50));
        QCOMPARE(root.readFile(dev + QStringLiteral("/brightness")), QByteArray("128\n"));
        QCOMPARE(b.brightness(), 50);
        QVERIFY(b.setBrightness(250));
        QCOMPARE(root.readFile(dev + QStringLiteral("/brightness")), QByteArray("255\n"));
        QVERIFY(b.setBrightness(-3));
        QCOMPARE(root.readFile(dev + QStringLiteral("/brightness")), QByteArray("0\n"));
        QCOMPARE(b.brightness(), 0);
        QCOMPARE(root.readFile(QStringLiteral("/sys/class/backlight/zz/brightness")), QByteArray("7\n"));

        QVERIFY(root.writeFile(dev + QStringLiteral("/max_brightness"), "0\n"));
        QVERIFY(!b.setBrightness(50));
        QCOMPARE(b.brightness(), -1);
    }

    void backlightMissing()
    {
        TempRoot root;
        Backlight b;
        QCOMPARE(b.brightness(), -1);
        QVERIFY(!b.setBrightness(50));
    }

    // A stick is a mounted file system; below a development root also a link to a folder.
    // A folder at the mount point is never one, whatever it holds.
    void whatIsAStick_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("developmentRoot");
        QTest::addColumn<bool>("present");
        QTest::newRow("nothing") << "nothing" << true << false;
        QTest::newRow("folder holding files") << "folder" << true << false;
        QTest::newRow("link to a folder") << "link" << true << true;
        QTest::newRow("link to nothing") << "dangling" << true << false;
        QTest::newRow("link to a file") << "file link" << true << false;
        QTest::newRow("link on the instrument's root") << "link" << false << false;
        QTest::newRow("folder on the instrument's root") << "folder" << false << false;
        QTest::newRow("mounted file system") << "mount" << false << true;
    }
    void whatIsAStick()
    {
        QFETCH(QString, kind);
        QFETCH(bool, developmentRoot);
        QFETCH(bool, present);
        TempRoot root;
        QString mountPoint = root.path(QStringLiteral("/media/USB"));
        QVERIFY(root.writeFile(QStringLiteral("/stick/file"), "x"));
        QVERIFY(root.mkdir(QStringLiteral("/media")));
        if (kind == QLatin1String("folder"))
            QVERIFY(root.writeFile(QStringLiteral("/media/USB/left.txt"), "x"));
        else if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(root.path(QStringLiteral("/stick")), mountPoint));
        else if (kind == QLatin1String("dangling"))
            QVERIFY(QFile::link(root.path(QStringLiteral("/gone")), mountPoint));
        else if (kind == QLatin1String("file link"))
            QVERIFY(QFile::link(root.path(QStringLiteral("/stick/file")), mountPoint));
        else if (kind == QLatin1String("mount"))
            mountPoint = QStringLiteral("/proc"); // only looked at
        if (!developmentRoot)
            FsRoot::setRoot(QStringLiteral("/"));
        QCOMPARE(UsbStick().isPresent(mountPoint), present);
        FsRoot::setRoot(root.root());
        if (developmentRoot)
            QCOMPARE(GlobalFuncs::isUsbStickPresent(), present);
    }

    void realClockAndRebooterStayAwayFromThisMachine()
    {
        TempRoot root;
        QVERIFY(!FsRoot::isRealRoot());
        const QDateTime t(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        SystemClock clock;
        QVERIFY(!clock.setSystemTime(t));
        QVERIFY(!clock.setSystemTime(QDateTime()));
        // No device below the root; a plain file is no RTC.
        QVERIFY(!clock.setHardwareClock(t));
        QVERIFY(root.writeFile(QStringLiteral("/dev/rtc0"), QByteArray()));
        QVERIFY(!clock.setHardwareClock(t));
        QVERIFY(!clock.setHardwareClock(QDateTime()));
        Rebooter rebooter;
        QVERIFY(!rebooter.reboot());
        QVERIFY(!rebooter.powerOff());
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
