#include "fakes/FakeGpioTree.h"
#include "hvunit/GPIOManager.h"
#include "hvunit/GPIONull.h"
#include "hvunit/GPIOsys.h"
#include "fakes/LogCapture.h"
#include "fakes/TempRoot.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestGpio : public QObject {
    Q_OBJECT

    std::unique_ptr<LogCapture> m_log;
    QList<LoggingData> logged(const QString& text) { return m_log->delivered(text); }

private slots:
    void initTestCase()
    {
        m_log = std::make_unique<LogCapture>();
        QVERIFY(m_log->isRunning());
    }
    void cleanupTestCase() { m_log.reset(); }
    void init() { m_log->clear(); }
    void cleanup() { GPIOManager::destroyInstance(); }

    void managerWithoutExportFallsBackToNull()
    {
        TempRoot root;
        QVERIFY(root.mkdir("/sys/class/gpio"));
        GPIOManager* gpio = GPIOManager::getInstance();
        QCOMPARE(GPIOManager::getInstance(), gpio);
        QCOMPARE(gpio->cfg_io_pin(19, GPIOManager::input), false);
        QCOMPARE(gpio->get_pin(19), -1);
        QCOMPARE(gpio->set_pin(23, true), false);
        QCOMPARE(gpio->get_pin(19), -1);
        // Nothing was created below the root.
        QVERIFY(QDir(root.path("/sys/class/gpio")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

        const QList<LoggingData> records = logged("No GPIO Driver found!");
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].category, int(CAT_ERR));
        QCOMPARE(records[0].file, QStringLiteral("GPIONull"));
        QCOMPARE(records[0].function, QStringLiteral("GPIONull"));
        QVERIFY(logged("Using sysfs GPIO").isEmpty());
    }

    void managerChoosesSysfsAndCanBeRecreated()
    {
        {
            TempRoot root;
            FakeGpioTree tree({19});
            GPIOManager* gpio = GPIOManager::getInstance();
            QVERIFY(gpio->cfg_io_pin(19, GPIOManager::input));
            QCOMPARE(gpio->get_pin(19), 1);
            const QList<LoggingData> records = logged("Using sysfs GPIO");
            QCOMPARE(records.size(), 1);
            QCOMPARE(records[0].category, int(CAT_METHOD));
            QCOMPARE(records[0].file, QStringLiteral("GPIOsys"));
            QVERIFY(logged("No GPIO Driver found!").isEmpty());
            GPIOManager::destroyInstance();
            QCOMPARE(tree.unexported(), QByteArray("19"));
        }
        // A new root without a driver: the next instance chooses again.
        TempRoot other;
        QCOMPARE(GPIOManager::getInstance()->get_pin(19), -1);
    }

    void configureExportsAndSetsDirection()
    {
        TempRoot root;
        FakeGpioTree tree({5}, {23});
        GPIOsys sys;
        QVERIFY(sys.cfg_io_pin(5, 0));
        QCOMPARE(tree.exported(), QByteArray("5"));
        QCOMPARE(tree.direction(5), QByteArray("in"));
        QVERIFY(sys.cfg_io_pin(23, 1));
        QCOMPARE(tree.exported(), QByteArray("23"));
        QCOMPARE(tree.direction(23), QByteArray("out"));
    }

    void readsFirstCharacter_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("expected");
        QTest::newRow("one") << QByteArray("1\n") << 1;
        QTest::newRow("one without line end") << QByteArray("1") << 1;
        QTest::newRow("one followed by more") << QByteArray("10") << 1;
        QTest::newRow("zero") << QByteArray("0\n") << 0;
        QTest::newRow("other digit") << QByteArray("2\n") << 0;
        QTest::newRow("letter") << QByteArray("x") << 0;
        QTest::newRow("blank before one") << QByteArray(" 1") << 0;
    }
    void readsFirstCharacter()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, expected);
        TempRoot root;
        FakeGpioTree tree({7});
        GPIOsys sys;
        QVERIFY(sys.cfg_io_pin(7, 0));
        QVERIFY(tree.setValue(7, content));
        QCOMPARE(sys.get_pin(7), expected);
        // The open descriptor is read again from its start each time.
        QVERIFY(tree.setLine(7, true));
        QCOMPARE(sys.get_pin(7), 1);
        QVERIFY(tree.setLine(7, false));
        QCOMPARE(sys.get_pin(7), 0);
    }

    void emptyValueFileIsAReadError()
    {
        TempRoot root;
        FakeGpioTree tree({7});
        GPIOsys sys;
        QVERIFY(sys.cfg_io_pin(7, 0));
        QVERIFY(tree.setValue(7, QByteArray()));
        QTest::ignoreMessage(QtWarningMsg, "gpio read error");
        QCOMPARE(sys.get_pin(7), -1);
    }

    void unconfiguredLineFails()
    {
        TempRoot root;
        FakeGpioTree tree({7});
        GPIOsys sys;
        QTest::ignoreMessage(QtWarningMsg, "gpio idx not found");
        QCOMPARE(sys.get_pin(7), -1);
        QTest::ignoreMessage(QtWarningMsg, "gpio idx not found");
        QCOMPARE(sys.set_pin(7, true), false);
        QCOMPARE(tree.value(7), QByteArray("1\n"));
    }

    void missingValueFileFailsConfigurationAndReads()
    {
        TempRoot root;
        FakeGpioTree tree({});
        GPIOsys sys;
        QCOMPARE(sys.cfg_io_pin(40, 0), false);
        QCOMPARE(tree.exported(), QByteArray("40"));
        QTest::ignoreMessage(QtWarningMsg, "gpio value_fd < 0");
        QCOMPARE(sys.get_pin(40), -1);
        QTest::ignoreMessage(QtWarningMsg, "gpio write error");
        QCOMPARE(sys.set_pin(40, true), false);
    }

    void setPinWritesOneCharacterPerCall()
    {
        TempRoot root;
        FakeGpioTree tree({}, {23});
        GPIOsys sys;
        QVERIFY(sys.cfg_io_pin(23, 1));
        QVERIFY(sys.set_pin(23, true));
        QVERIFY(sys.set_pin(23, false));
        QVERIFY(sys.set_pin(23, true));
        QCOMPARE(tree.value(23), QByteArray("101"));
    }

    void configuringTwiceKeepsOneRecord()
    {
        TempRoot root;
        FakeGpioTree tree({}, {23});
        GPIOsys sys;
        QVERIFY(sys.cfg_io_pin(23, 0));
        QVERIFY(root.writeFile("/sys/class/gpio/export", QByteArray()));
        // Second configuration: no second export, the same record with a reopened file.
        QVERIFY(sys.cfg_io_pin(23, 1));
        QCOMPARE(tree.exported(), QByteArray());
        QCOMPARE(tree.direction(23), QByteArray("out"));
        // A stale first record would still hold the read-only descriptor.
        QVERIFY(sys.set_pin(23, true));
        QCOMPARE(tree.value(23), QByteArray("1"));
    }

    void destructionUnexportsEveryLine()
    {
        TempRoot root;
        FakeGpioTree tree({5}, {23});
        // A plain file would keep only the last write; a FIFO keeps every one in order.
        const QByteArray unexport = QFile::encodeName(root.path("/sys/class/gpio/unexport"));
        QVERIFY(QFile::remove(QString::fromLocal8Bit(unexport)));
        QVERIFY(::mkfifo(unexport.constData(), 0600) == 0);
        const int fd = ::open(unexport.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        {
            GPIOsys sys;
            QVERIFY(sys.cfg_io_pin(5, 0));
            QVERIFY(sys.cfg_io_pin(23, 1));
        }
        char buf[64] = {};
        const ssize_t n = ::read(fd, buf, sizeof buf);
        ::close(fd);
        QCOMPARE(QByteArray(buf, int(qMax<ssize_t>(n, 0))), QByteArray("523"));
    }

    void nullBackEndFailsEverything()
    {
        GPIONull null;
        QCOMPARE(null.cfg_io_pin(1, 1), false);
        QCOMPARE(null.set_pin(1, true), false);
        QCOMPARE(null.get_pin(1), -1);
    }
};

QTEST_GUILESS_MAIN(TestGpio)
#include "tst_gpio.moc"
