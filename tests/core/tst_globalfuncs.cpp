#include "fakes/FakeConfig.h"
#include "core/FsRoot.h"
#include "core/GlobalFuncs.h"
#include "fakes/TempRoot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

class TstGlobalFuncs : public QObject {
    Q_OBJECT
private slots:
    void passwordRecords()
    {
        const QString rec = GlobalFuncs::encryptPassword(QStringLiteral("secret"));
        QCOMPARE(rec.size(), 57);
        QCOMPARE(rec.indexOf(QLatin1Char(':')), 16);
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("secret"), rec));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("Secret"), rec));
        QVERIFY(!GlobalFuncs::checkPassword(QString(), rec));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("secret"), QString()));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("secret"), QStringLiteral("nocolon")));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("secret"), rec + QStringLiteral(":x")));

        // Known digest: SHA-1("abc" + "pw")
        const QString fixed = GlobalFuncs::encryptPassword(QStringLiteral("pw"), QStringLiteral("abc"));
        QCOMPARE(fixed, QStringLiteral("abc:") +
                            QString::fromLatin1(QCryptographicHash::hash("abcpw", QCryptographicHash::Sha1).toHex()));
        // A colon in the salt becomes '#', so the record stays parseable.
        const QString colon = GlobalFuncs::encryptPassword(QStringLiteral("pw"), QStringLiteral("a:b"));
        QVERIFY(colon.startsWith(QStringLiteral("a#b:")));
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("pw"), colon));
    }

    void passwordRecordEdges()
    {
        // A drawn salt: 16 letters or digits; every record gets its own.
        static const QRegularExpression shape(QStringLiteral("^[A-Za-z0-9]{16}:[0-9a-f]{40}$"));
        const QString a = GlobalFuncs::encryptPassword(QStringLiteral("pw"));
        const QString b = GlobalFuncs::encryptPassword(QStringLiteral("pw"));
        QVERIFY2(shape.match(a).hasMatch(), qPrintable(a));
        QVERIFY(a != b);
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("pw"), b));

        // The colon rule keeps a 16-character salt at 57 characters.
        const QString colon = GlobalFuncs::encryptPassword(QStringLiteral("pw"), QStringLiteral("abcdefg:ijklmnop"));
        QCOMPARE(colon.size(), 57);
        QCOMPARE(colon.left(17), QStringLiteral("abcdefg#ijklmnop:"));
        QCOMPARE(colon.count(QLatin1Char(':')), 1);

        // Malformed records never match, not even with the right password.
        const QString good = GlobalFuncs::encryptPassword(QStringLiteral("pw"), QStringLiteral("salt"));
        const QString digest = good.mid(5);
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("pw"), good));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("pw"), QStringLiteral("salt:")));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("pw"), QLatin1Char(':') + digest));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("pw"), QStringLiteral("salt:") + digest.toUpper()));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("pw"), good + QLatin1Char(' ')));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("pw"), QStringLiteral("salt:") + digest.left(39)));
        QVERIFY(!GlobalFuncs::checkPassword(QString(), GlobalFuncs::encryptPassword(QStringLiteral("x"))));
        // An empty password still makes a record that checks only with the empty password.
        const QString empty = GlobalFuncs::encryptPassword(QString(), QStringLiteral("salt"));
        QVERIFY(GlobalFuncs::checkPassword(QString(), empty));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("pw"), empty));
    }

    void monthNames()
    {
        QCOMPARE(GlobalFuncs::getMonthName(0), QStringLiteral("January"));
        QCOMPARE(GlobalFuncs::getMonthName(11), QStringLiteral("December"));
        QVERIFY(GlobalFuncs::getMonthName(12).isEmpty());
        QVERIFY(GlobalFuncs::getMonthName(-1).isEmpty());
    }

    void pathsBelowRoot()
    {
        TempRoot root;
        QVERIFY(root.isValid());
        QCOMPARE(FsRoot::path(QStringLiteral("/sys/class/gpio")), root.root() + QStringLiteral("/sys/class/gpio"));
        QVERIFY(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint).startsWith(root.root()));
        QVERIFY(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements)
                    .startsWith(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint) + QLatin1Char('/')));
        QVERIFY(GlobalFuncs::initPaths());
        QVERIFY(QDir(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements)).exists());
        QVERIFY(QDir(GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Trace)).exists());
    }

    void exportFolderComesFromTheConfiguration_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("folder");
        QTest::newRow("missing") << QString() << QStringLiteral("Pevanto");
        QTest::newRow("plain") << QStringLiteral("Site7") << QStringLiteral("Site7");
        QTest::newRow("nested") << QStringLiteral("/Site7/Run\\2/") << QStringLiteral("Site7/Run/2");
        QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("Pevanto");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("Pevanto");
        // Never leaves the stick.
        QTest::newRow("escape") << QStringLiteral("../../home/root") << QStringLiteral("home/root");
        QTest::newRow("dots only") << QStringLiteral("./..") << QStringLiteral("Pevanto");
    }
    void exportFolderComesFromTheConfiguration()
    {
        QFETCH(QString, configured);
        QFETCH(QString, folder);
        TempRoot root;
        FakeConfig cfg;
        if (!configured.isNull())
            QCOMPARE(cfg.setString(QStringLiteral("/Settings/ExportPath"), configured), 0);
        GlobalFuncs::setConfig(&cfg);
        const QString usb = root.root() + QStringLiteral("/media/USB");
        const QString base = usb + QLatin1Char('/') + folder;
        QCOMPARE(GlobalFuncs::getUsbPath(GlobalFuncs::UsbLogFiles), base + QStringLiteral("/LogFiles"));
        QCOMPARE(GlobalFuncs::getUsbPath(GlobalFuncs::UsbScreenshots), base + QStringLiteral("/Screenshots"));
        QCOMPARE(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements), base + QStringLiteral("/Measurements"));
        // The others do not depend on it.
        QCOMPARE(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint), usb);
        QCOMPARE(GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates), usb);
        QCOMPARE(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements),
                 root.root() + QStringLiteral("/home/root/mappedPaths/appdata/measurements"));
        GlobalFuncs::setConfig(nullptr);
    }

    // The name names the database, the trace file and the exports; it is shown as configured.
    void systemNameNamesFilesSafely_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("missing") << QString() << QStringLiteral("pevanto");
        QTest::newRow("safe") << QStringLiteral("Bay 4 Prüfstand") << QStringLiteral("Bay 4 Prüfstand");
        QTest::newRow("65 characters") << QString(65, 'x') << QString(64, 'x');
        QTest::newRow("outside") << QStringLiteral("../../../../OUTSIDE/x") << QStringLiteral("OUTSIDEx");
        QTest::newRow("markup") << QStringLiteral("<b>B\\i-g_</b>%1") << QStringLiteral("bBi-g_b1");
        QTest::newRow("control") << QStringLiteral("tab\there") << QStringLiteral("tabhere");
        QTest::newRow("dots") << QStringLiteral("..") << QStringLiteral("pevanto");
        QTest::newRow("blanks and dots around") << QStringLiteral("\u00a0. .Bay 4.\u3000\t") << QStringLiteral("Bay 4.");
        QTest::newRow("246 bytes upper-cased") << QString(41, QChar(0x390)) << QString(37, QChar(0x390));
    }
    void systemNameNamesFilesSafely()
    {
        QFETCH(QString, configured);
        QFETCH(QString, fileName);
        FakeConfig cfg;
        if (!configured.isNull())
            QCOMPARE(cfg.setString(QStringLiteral("/General/SystemName"), configured), 0);
        GlobalFuncs::setConfig(&cfg);
        QCOMPARE(GlobalFuncs::getProjectAbbreviation(), fileName);
        QCOMPARE(GlobalFuncs::getSystemName(), configured.isNull() ? QStringLiteral("pevanto") : configured);
        GlobalFuncs::setConfig(nullptr);
    }

    void unknownPlacesAreEmpty()
    {
        QVERIFY(GlobalFuncs::getUsbPath(8).isEmpty());
        QVERIFY(GlobalFuncs::getUsbPath(-1).isEmpty());
        QVERIFY(GlobalFuncs::getApplicHelperFilesPath(4).isEmpty());
    }

    void waitKeepsEventsFlowing()
    {
        int fired = 0;
        QTimer t;
        connect(&t, &QTimer::timeout, this, [&] { ++fired; });
        t.start(10);
        QElapsedTimer clock;
        clock.start();
        GlobalFuncs::waitMs(200);
        QVERIFY(clock.elapsed() >= 190);
        QVERIFY(fired >= 3);
    }
};

QTEST_GUILESS_MAIN(TstGlobalFuncs)
#include "tst_globalfuncs.moc"
