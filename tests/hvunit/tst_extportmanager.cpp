#include "hvunit/ExtPortCheckBytes.h"
#include "hvunit/ExtPortManager.h"
#include "fakes/FakeW1Tree.h"
#include "hvunit/OneWireManager.h"
#include "fakes/TempRoot.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString Switch = QStringLiteral("29-0000004c2a1b");
const QString Memory = QStringLiteral("1c-000000ab12cd");
const stOneWireDevice MemoryDev{0x1C, QStringLiteral("000000ab12cd")};
} // namespace

class TstExtPortManager : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<stExtPortDevice>(); }

    void init()
    {
        m_root = std::make_unique<TempRoot>();
        m_tree = std::make_unique<FakeW1Tree>();
        m_tree->addSwitch(Switch, 0xFF);
        m_tree->addMemory(Memory, char(0xAA));
    }
    void cleanup()
    {
        m_tree.reset();
        m_root.reset();
    }

    // --- check bytes and memory writes -----------------------------------------------

    void checkBytesOfAbcOnPage3()
    {
        QCOMPARE(extPortCrc16(3, "abc"), quint16(0x97C8));
        QCOMPARE(extPortCheckBytes(3, "abc"), QByteArray("\x37\x68", 2));
    }

    void productionDateRecordByteForByte()
    {
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        const QByteArray before = m_tree->memory(Memory);

        QVERIFY(port.setDeviceDate(MemoryDev, ExtPortDate_Production, QDateTime(QDate(2024, 3, 1), QTime(9, 5))));

        QByteArray expected;
        expected.append(char(29));
        expected.append("DP");
        expected.append("202403010905");
        expected.append(QByteArray(14, '-'));
        expected.append('\0');
        expected.append("\x50\xF6", 2);
        const QByteArray after = m_tree->memory(Memory);
        QCOMPARE(after.size(), 512);
        QCOMPARE(after.mid(96, 32), expected);
        // Nothing outside the record moved.
        QCOMPARE(after.left(96), before.left(96));
        QCOMPARE(after.mid(128), before.mid(128));
        QCOMPARE(port.getDeviceProdDate(MemoryDev), QDateTime(QDate(2024, 3, 1), QTime(9, 5)));
    }

    void maintenanceDateGoesToPage5()
    {
        ExtPortManager port;
        QVERIFY(port.setDeviceDate(MemoryDev, ExtPortDate_Maintenance, QDateTime(QDate(2025, 12, 31), QTime(23, 59))));
        const QByteArray mem = m_tree->memory(Memory);
        QCOMPARE(mem.mid(160, 3), QByteArray("\x1D" "DM"));
        QCOMPARE(mem.mid(163, 12), QByteArray("202512312359"));
        QCOMPARE(mem.mid(190, 2), extPortCheckBytes(5, mem.mid(160, 30)));
        QCOMPARE(port.getDeviceMaintDate(MemoryDev), QDateTime(QDate(2025, 12, 31), QTime(23, 59)));
        // An invalid date is not written.
        QVERIFY(!port.setDeviceDate(MemoryDev, ExtPortDate_Maintenance, QDateTime()));
        QCOMPARE(m_tree->memory(Memory), mem);
    }

    void payloadLimitsOfAPage()
    {
        ExtPortManager port;
        const QByteArray before = m_tree->memory(Memory);

        QByteArray tooLong(31, 'x');
        QVERIFY(!port.writeExtPortMemory(MemoryDev, 64, tooLong));
        QCOMPARE(tooLong.size(), 31);
        QCOMPARE(m_tree->memory(Memory), before);

        // A payload that would run over the end of its page.
        QByteArray crossing(10, 'y');
        QVERIFY(!port.writeExtPortMemory(MemoryDev, 90, crossing));
        QCOMPARE(m_tree->memory(Memory), before);
        QByteArray fits(4, 'y');
        QVERIFY(port.writeExtPortMemory(MemoryDev, 90, fits));
        QCOMPARE(m_tree->memory(Memory).mid(90, 7), QByteArray("yyyy") + extPortCheckBytes(2, "yyyy") + char(0xAA));

        // 30 bytes at the page start fill the page exactly; the check bytes are appended
        // to the caller's array.
        QByteArray full(30, 'z');
        QVERIFY(port.writeExtPortMemory(MemoryDev, 64, full));
        QCOMPARE(full.size(), 32);
        const QByteArray after = m_tree->memory(Memory);
        QCOMPARE(after.mid(64, 32), QByteArray(30, 'z') + extPortCheckBytes(2, QByteArray(30, 'z')));
        QCOMPARE(after.at(63), char(0xAA));
        QCOMPARE(after.at(96), char(0xAA));
        QCOMPARE(after.size(), 512);
    }

    void memoryErrors()
    {
        ExtPortManager port;
        QByteArray out;
        QVERIFY(!port.readExtPortMemory(MemoryDev, 500, 20, out)); // past the end
        const stOneWireDevice absent{0x1C, QStringLiteral("000000000001")};
        QVERIFY(!port.readExtPortMemory(absent, 0, 1, out));
        QByteArray data("ab");
        QVERIFY(!port.writeExtPortMemory(absent, 0, data));
        QVERIFY(!QFile::exists(m_tree->deviceFile(absent.name(), QStringLiteral("eeprom"))));
        QCOMPARE(port.getDeviceID(absent), QString());
        QVERIFY(!port.getDeviceProdDate(absent).isValid());
        QCOMPARE(port.getDeviceConfig(absent).first, -1);
    }

    void identifierWriteIsBoundedAndPadded()
    {
        m_tree->putAccessory(Memory, "128311062000", "12345678901");
        ExtPortManager port;
        const QByteArray before = m_tree->memory(Memory);

        QVERIFY(!port.setDeviceID(MemoryDev, QStringLiteral("1283110620001")));
        QCOMPARE(m_tree->memory(Memory), before);

        QVERIFY(port.setDeviceID(MemoryDev, QStringLiteral("2012295")));
        const QByteArray after = m_tree->memory(Memory);
        const QByteArray field = QByteArray("2012295").leftJustified(12, '\0');
        QCOMPARE(after.mid(35, 12), field);
        QCOMPARE(after.mid(47, 2), extPortCheckBytes(1, field));
        QCOMPARE(after.left(35), before.left(35));
        QCOMPARE(after.mid(49), before.mid(49));
        QCOMPARE(port.getDeviceID(MemoryDev), QStringLiteral("2012295"));
    }

    void fieldsOfAnAccessory()
    {
        m_tree->putAccessory(Memory, "128311042000", "98765432101", "0017");
        ExtPortManager port;
        QCOMPARE(port.getDeviceID(MemoryDev), QStringLiteral("128311042000"));
        QCOMPARE(port.getDeviceSN(MemoryDev), QStringLiteral("98765432101"));
        QCOMPARE(port.getDeviceProdDate(MemoryDev), QDateTime(QDate(2020, 1, 15), QTime(10, 30)));
        QCOMPARE(port.getDeviceMaintDate(MemoryDev), QDateTime(QDate(2023, 6, 30), QTime(8, 0)));
        const QPair<int, QByteArray> config = port.getDeviceConfig(MemoryDev);
        QCOMPARE(config.first, 0);
        QCOMPARE(config.second.size(), 23);
        QCOMPARE(config.second.left(3), QByteArray("17\0", 3));

        m_tree->putMemory(Memory, 195, "12");
        QCOMPARE(port.getDeviceConfig(MemoryDev).first, 12);
    }

    // --- port lines -------------------------------------------------------------------

    void inputsAreActiveLow()
    {
        m_tree->setSwitchState(Switch, 0xF0);
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        QCOMPARE(port.getPIODevice(false), Switch);
        QCOMPARE(port.getPIODevice(true), Memory);
        QCOMPARE(port.getPIOPortState(false), 0x0F);

        bool level = true;
        QVERIFY(!port.getPIO(0, level)); // nothing cached yet
        QVERIFY(port.checkPIOPortState());
        QCOMPARE(port.cachedPortState(false), 0x0F);
        for (unsigned short io = 0; io < 8; ++io) {
            QVERIFY(port.getPIO(io, level));
            QCOMPARE(level, io < 4);
        }
        QVERIFY(!port.getPIO(8, level));
    }

    void outputsAreWrittenInverted()
    {
        m_tree->setSwitchState(Switch, 0xFF);
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        const QString output = m_tree->deviceFile(Switch, QStringLiteral("output"));
        const QString pio = m_tree->deviceFile(Memory, QStringLiteral("pio"));

        QVERIFY(port.setPIO(2, true));
        QCOMPARE(m_tree->read(output), QByteArray(1, char(0xFB)));
        QVERIFY(!port.setPIO(8, true));

        m_tree->setPio(Memory, 0xFF);
        QVERIFY(port.setPIOExt(1, true));
        QCOMPARE(m_tree->read(pio), QByteArray(1, char(0xFD)));
        m_tree->setPio(Memory, 0xFC); // both active
        QVERIFY(port.setPIOExt(0, false));
        QCOMPARE(m_tree->read(pio), QByteArray(1, char(0xFD)));
        QVERIFY(!port.setPIOExt(2, true));

        port.resetPIOs();
        QCOMPARE(m_tree->read(output), QByteArray(1, char(0xFF)));
        QCOMPARE(m_tree->read(pio), QByteArray(1, char(0x03)));

        // Without the switch nothing is written to the accessory either.
        m_tree->setPio(Memory, 0xAB);
        m_tree->setSlaves({Memory});
        port.oneWireManager()->updateDeviceList();
        QVERIFY(!port.setPIOPortState(char(0xFF), false));
        port.resetPIOs();
        QCOMPARE(m_tree->read(pio), QByteArray(1, char(0xAB)));
    }

    void statusControlGivesPowerAndInterval()
    {
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        QVERIFY(port.getPortControlStatus());
        QVERIFY(port.powerSupplyPresent());
        QCOMPARE(port.portTimerInterval(), 1000);

        m_tree->setStatusControl(Switch, 0x7F);
        QVERIFY(port.getPortControlStatus());
        QVERIFY(!port.powerSupplyPresent());
        QCOMPARE(port.portTimerInterval(), 1000);

        m_tree->setStatusControl(Switch, 0x80);
        QVERIFY(port.getPortControlStatus());
        m_tree->removeStatusControl(Switch);
        QVERIFY(!port.getPortControlStatus());
        QVERIFY(!port.powerSupplyPresent());
        QCOMPARE(port.portTimerInterval(), 10000);
    }

    // --- search, announcement, removal --------------------------------------------------

    void accessoryIsAnnouncedOnceAfter250ms()
    {
        m_tree->putAccessory(Memory, "2012295", "12345678901");
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        QSignalSpy spy(&port, &ExtPortManager::detectedExtPortDevice);

        QElapsedTimer clock;
        clock.start();
        port.isExtPortDeviceConnected();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(port.knownDevices().size(), 1);
        QVERIFY(port.isPortTimerActive());
        // Outputs reset to inactive on reading.
        QCOMPARE(m_tree->read(m_tree->deviceFile(Memory, QStringLiteral("pio"))), QByteArray(1, char(0x03)));
        QCOMPARE(m_tree->read(m_tree->deviceFile(Switch, QStringLiteral("output"))), QByteArray(1, char(0xFF)));

        QVERIFY(spy.wait(3000));
        QVERIFY2(clock.elapsed() >= 249, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(spy.count(), 1);
        const stExtPortDevice dev = spy.at(0).at(0).value<stExtPortDevice>();
        QCOMPARE(spy.at(0).at(1).toBool(), true);
        QCOMPARE(dev.oneWireDevice, MemoryDev);
        QCOMPARE(dev.identifier, QStringLiteral("2012295"));
        QCOMPARE(dev.serialNumber, QStringLiteral("12345678901"));
        QCOMPARE(dev.productionDate, QDateTime(QDate(2020, 1, 15), QTime(10, 30)));
        QCOMPARE(dev.maintenanceDate, QDateTime(QDate(2023, 6, 30), QTime(8, 0)));
        QCOMPARE(dev.configVersion, 0);
        QCOMPARE(dev.configData.left(1), QByteArray("1"));
        QVERIFY(dev.reported);

        // Further searches and attach calls announce nothing more.
        port.isExtPortDeviceConnected();
        port.extPortDeviceAttached();
        QTest::qWait(400);
        QCOMPARE(spy.count(), 1);

        // Unplugged: announced at the next search.
        m_tree->setSlaves({Switch});
        port.oneWireManager()->updateDeviceList();
        port.isExtPortDeviceConnected();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(1).toBool(), false);
        QCOMPARE(spy.at(1).at(0).value<stExtPortDevice>().identifier, QStringLiteral("2012295"));
        QVERIFY(port.knownDevices().isEmpty());
        QVERIFY(!port.isPortTimerActive());
    }

    void dateWrittenThroughARecordUpdatesTheKnownAccessory()
    {
        m_tree->putAccessory(Memory, "2012295", "12345678901");
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        port.isExtPortDeviceConnected();
        QCOMPARE(port.knownDevices().size(), 1);
        const stExtPortDevice record = port.knownDevices().first();

        // Seconds are not stored: the known record holds what the memory holds.
        QVERIFY(port.setDeviceDate(record, ExtPortDate_Maintenance, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 59))));
        QCOMPARE(port.knownDevices().first().maintenanceDate, QDateTime(QDate(2026, 1, 2), QTime(3, 4)));
        QCOMPARE(port.knownDevices().first().productionDate, record.productionDate);
        QVERIFY(port.setDeviceDate(record, ExtPortDate_Production, QDateTime(QDate(2021, 5, 6), QTime(7, 8))));
        QCOMPARE(port.knownDevices().first().productionDate, QDateTime(QDate(2021, 5, 6), QTime(7, 8)));
    }

    void emptySerialIsRetriedButNeverAnnounced()
    {
        m_tree->putAccessory(Memory, "2012295", "");
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        QSignalSpy spy(&port, &ExtPortManager::detectedExtPortDevice);
        port.isExtPortDeviceConnected();
        QTest::qWait(700);
        QCOMPARE(spy.count(), 0);
        QVERIFY(port.pendingDevices().contains(MemoryDev));
        QVERIFY(port.knownDevices().isEmpty());

        // The retry picks up the serial number once it reads.
        m_tree->putAccessory(Memory, "2012295", "12345678901");
        QVERIFY(spy.wait(2000));
        QCOMPARE(spy.at(0).at(1).toBool(), true);
        QVERIFY(port.pendingDevices().isEmpty());
    }

    void emptyIdentifierIsNeverAnnounced()
    {
        m_tree->putAccessory(Memory, "", "12345678901");
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        QSignalSpy spy(&port, &ExtPortManager::detectedExtPortDevice);
        port.isExtPortDeviceConnected();
        QTest::qWait(600);
        QCOMPARE(spy.count(), 0);
        QVERIFY(port.pendingDevices().contains(MemoryDev));
    }

    void slaveGoneFromBusIsDroppedFromPending()
    {
        m_tree->putAccessory(Memory, "2012295", "");
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        port.oneWireManager()->updateDeviceList();
        port.isExtPortDeviceConnected();
        QVERIFY(port.pendingDevices().contains(MemoryDev));

        m_tree->setSlaves({Switch});
        port.oneWireManager()->updateDeviceList();
        QTRY_VERIFY_WITH_TIMEOUT(port.pendingDevices().isEmpty(), 2000);
        // Back on the bus with its data complete: found by the next search.
        m_tree->putAccessory(Memory, "2012295", "12345678901");
        m_tree->setSlaves({Switch, Memory});
        port.oneWireManager()->updateDeviceList();
        QSignalSpy spy(&port, &ExtPortManager::detectedExtPortDevice);
        port.isExtPortDeviceConnected();
        QVERIFY(spy.wait(2000));
    }

    void searchRunsOnlyWhileEnabled()
    {
        m_tree->putAccessory(Memory, "2012295", "12345678901");
        m_tree->setSlaves({Switch, Memory});
        ExtPortManager port;
        QSignalSpy spy(&port, &ExtPortManager::detectedExtPortDevice);
        QVERIFY(port.enableSearch(true));
        QVERIFY(port.enableSearch(true));
        QVERIFY(port.isSearchEnabled());
        // 1 s list refresh, 4 s search, 250 ms announcement.
        QVERIFY(spy.wait(8000));
        QCOMPARE(spy.at(0).at(1).toBool(), true);

        QVERIFY(port.enableSearch(false));
        QVERIFY(!port.isSearchEnabled());
    }

private:
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeW1Tree> m_tree;
};

QTEST_GUILESS_MAIN(TstExtPortManager)
#include "tst_extportmanager.moc"
