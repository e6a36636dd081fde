#include "fakes/FakeW1Tree.h"
#include "fakes/LogCapture.h"
#include "hvunit/OneWireManager.h"
#include "fakes/TempRoot.h"

#include <QtTest>

class TstOneWireManager : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_root = std::make_unique<TempRoot>();
        m_tree = std::make_unique<FakeW1Tree>();
    }
    void cleanup()
    {
        m_tree.reset();
        m_root.reset();
    }

    void zeroCountLeavesSlavesFileUnread()
    {
        // The slaves file names two devices: they must not show up while the count says 0.
        m_tree->setSlavesFile("29-0000004c2a1b\n1c-000000ab12cd\n");
        m_tree->setSlaveCount("0\n");
        OneWireManager bus(nullptr, 1);
        bus.updateDeviceList();
        QCOMPARE(bus.getSlaveCount(), 0);
        QVERIFY(bus.getDeviceList().isEmpty());
    }

    void slaveLinesGiveFamiliesAndIds()
    {
        m_tree->setSlavesFile("29-0000004c2a1b\n1c-000000ab12cd \n");
        m_tree->setSlaveCount("2\n");
        OneWireManager bus(nullptr, 1);
        bus.updateDeviceList();
        const QList<stOneWireDevice> list = bus.getDeviceList();
        QCOMPARE(list.size(), 2);
        QCOMPARE(int(list[0].familyCode), 0x29);
        QCOMPARE(list[0].id, QStringLiteral("0000004c2a1b"));
        QCOMPARE(list[0].name(), QStringLiteral("29-0000004c2a1b"));
        QCOMPARE(int(list[1].familyCode), 0x1C);
        QCOMPARE(list[1].id, QStringLiteral("000000ab12cd"));
        QCOMPARE(list[1].name(), QStringLiteral("1c-000000ab12cd"));
    }

    void malformedLinesAreSkipped()
    {
        m_tree->setSlavesFile("nohyphen\n29-00-4c2a1b\nzz-000000000001\n1c-\n\n1c-000000ab12cd\nnot found.\n");
        m_tree->setSlaveCount("7\n");
        OneWireManager bus(nullptr, 1);
        bus.updateDeviceList();
        const QList<stOneWireDevice> list = bus.getDeviceList();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0], (stOneWireDevice{0x1C, QStringLiteral("000000ab12cd")}));
    }

    void onlyTheFirstCountDigitCounts()
    {
        m_tree->setSlavesFile("29-0000004c2a1b\n");
        m_tree->setSlaveCount("12\n");
        OneWireManager bus(nullptr, 1);
        QCOMPARE(bus.getSlaveCount(), 1);
        bus.updateDeviceList();
        QCOMPARE(bus.getDeviceList().size(), 1);
    }

    void missingCountFileGivesEmptyListAndLog()
    {
        LogCapture log;
        m_tree->setSlaves({QStringLiteral("29-0000004c2a1b")});
        OneWireManager bus(nullptr, 1);
        bus.updateDeviceList();
        QCOMPARE(bus.getDeviceList().size(), 1);
        QFile::remove(FakeW1Tree::masterFile(QStringLiteral("w1_master_slave_count")));
        QCOMPARE(bus.getSlaveCount(), -1);
        bus.updateDeviceList();
        QVERIFY(bus.getDeviceList().isEmpty());
        const QList<LoggingData> records = log.delivered(QStringLiteral("open file error"));
        QVERIFY(!records.isEmpty());
        QCOMPARE(records.first().category, int(CAT_METHOD));
        QCOMPARE(records.first().file, QStringLiteral("OneWireManager"));
        QCOMPARE(records.first().function, QStringLiteral("getSlaveCount"));
    }

    void searchSwitchWritesTheKernelValuesAndDrivesTheRefresh()
    {
        const QString search = FakeW1Tree::masterFile(QStringLiteral("w1_master_search"));
        m_tree->setSlaves({QStringLiteral("1c-000000ab12cd")});
        OneWireManager bus(nullptr, 1);
        // Written truncating: the older, longer content is gone.
        QCOMPARE(m_tree->read(search), QByteArray("-1"));
        QVERIFY(bus.isRefreshing());
        QTRY_COMPARE_WITH_TIMEOUT(bus.getDeviceList().size(), 1, 5000);

        QVERIFY(bus.enableSearch(false));
        QCOMPARE(m_tree->read(search), QByteArray("0"));
        QVERIFY(!bus.isRefreshing());
        // The last list stays while the search is off.
        m_tree->setSlaves({});
        QTest::qWait(1300);
        QCOMPARE(bus.getDeviceList().size(), 1);
    }

    void missingSearchFileFailsAndLeavesTimer()
    {
        LogCapture log;
        OneWireManager bus(nullptr, 1);
        QVERIFY(bus.isRefreshing());
        QFile::remove(FakeW1Tree::masterFile(QStringLiteral("w1_master_search")));
        QVERIFY(!bus.enableSearch(false));
        QVERIFY(bus.isRefreshing());
        // Never created by the write attempt.
        QVERIFY(!QFile::exists(FakeW1Tree::masterFile(QStringLiteral("w1_master_search"))));
        const QList<LoggingData> records = log.delivered(QStringLiteral("open file error"));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().function, QStringLiteral("enableSearch"));
    }

    void missingBusMasterGivesEmptyList()
    {
        QDir(FakeW1Tree::devicesDir()).removeRecursively();
        OneWireManager bus(nullptr, 1);
        QVERIFY(!bus.isRefreshing());
        bus.updateDeviceList();
        QVERIFY(bus.getDeviceList().isEmpty());
        QCOMPARE(bus.getSlaveCount(), -1);
    }

    void rawReadAndWrite()
    {
        const stOneWireDevice dev{0x29, QStringLiteral("0000004c2a1b")};
        QDir().mkpath(FakeW1Tree::devicesDir() + QStringLiteral("/29-0000004c2a1b"));
        const QString rw = m_tree->deviceFile(dev.name(), QStringLiteral("rw"));
        m_tree->write(rw, QByteArray("\x01\x02\x03\x04", 4));
        OneWireManager bus(nullptr, 1);

        QByteArray out("X");
        QVERIFY(bus.readData(dev, out, 3));
        QCOMPARE(out, QByteArray("X\x01\x02\x03", 4));
        QVERIFY(!bus.readData(dev, out, 10)); // short read

        QByteArray cmd("\xF0\x88", 2);
        QVERIFY(bus.writeData(dev, cmd));
        QCOMPARE(m_tree->read(rw), cmd);

        const stOneWireDevice gone{0x29, QStringLiteral("000000000000")};
        QVERIFY(!bus.readData(gone, out, 1));
        QVERIFY(!bus.writeData(gone, cmd));
    }

private:
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeW1Tree> m_tree;
};

QTEST_GUILESS_MAIN(TstOneWireManager)
#include "tst_onewiremanager.moc"
