#include "core/GlobalFuncs.h"
#include "core/IConnectionManager.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "gui/SystemInformation.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
// Hands out fixed address keys, also malformed ones.
class KeyedAddresses : public IConnectionManager {
public:
    QMultiMap<QString, QString> keys;
    bool askedForIpv6 = true;
    QMultiMap<QString, QString> getIpAddressList(bool withIpv6) override
    {
        askedForIpv6 = withIpv6;
        return keys;
    }
    bool isWiredConnection(const QString&) override { return false; }
    bool setWiredIp(const QString&) override { return false; }
};
} // namespace

// The information page's view model over a real data model in a temporary root.
class TstSystemInformation : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<DataModelFixture> m_fixture;

private slots:
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
    }
    void cleanup() { m_fixture.reset(); }

    void typeAndIgnitionTexts_data()
    {
        QTest::addColumn<int>("ratedKv");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("ignition");
        QTest::addColumn<QString>("ignitionText");
        QTest::newRow("unknown type, default ignition") << 9 << "Unknown" << 0 << "(#0) Default";
        QTest::newRow("45 kV, DAC") << 45 << "Pevanto 45" << 1 << "(#1) DAC";
        QTest::newRow("62 kV, unknown mode") << 62 << "Pevanto 62" << 2 << "(#-1) Unknown";
        QTest::newRow("unreadable mode") << 37 << "Pevanto 37" << -1 << "(#-1) Unknown";
    }
    void typeAndIgnitionTexts()
    {
        QFETCH(int, ratedKv);
        QFETCH(QString, type);
        QFETCH(int, ignition);
        QFETCH(QString, ignitionText);
        DataModell* dm = m_fixture->dm();
        stIdentification id;
        id.maxVoltageRMS = ratedKv * 1000000;
        id.valid = true;
        dm->setHVIdentification(id);
        stTBData boost;
        boost.identifier = QStringLiteral("TB-2");
        boost.serialNumber = QStringLiteral("4711");
        boost.ignitionPulse = ignition;
        boost.configValid = ignition >= 0;
        dm->setTestBoostData(boost);
        SystemInformation info;
        QCOMPARE(int(info.pevantoTypeInt()), ratedKv);
        QCOMPARE(info.pevantoType(), type);
        QCOMPARE(info.ignitionPuls(), ignitionText);
        // Without a valid record the boost module shows no identity.
        QCOMPARE(info.testboostId(), boost.configValid ? QStringLiteral("TB-2") : QString());
        QCOMPARE(info.testboostSerial(), boost.configValid ? QStringLiteral("4711") : QString());
    }

    void freeRecordSteps_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("many") << qint64(80000) << "5000+";
        QTest::newRow("between steps") << qint64(4500) << "4000+";
        QTest::newRow("just above the last step") << qint64(1001) << "1000+";
        QTest::newRow("the last step") << qint64(1000) << "<1000";
        QTest::newRow("few") << qint64(10) << "<1000";
        QTest::newRow("store full") << qint64(0) << "StorageFull"; // the key: no catalogue here
    }
    void freeRecordSteps()
    {
        QFETCH(qint64, count);
        QFETCH(QString, text);
        QCOMPARE(SystemInformation::freeRecordsText(count), text);
    }

    // Both figures are of the application-data folder below the root.
    void storageFiguresOfTheApplicationData()
    {
        SystemInformation info;
        QVERIFY(QDir().mkpath(GlobalFuncs::getAppDataPath()));
        const QRegularExpression percent(QStringLiteral("^(\\d+) %$"));
        const auto usage = percent.match(info.diskUsage());
        QVERIFY2(usage.hasMatch(), qPrintable(info.diskUsage()));
        QVERIFY(usage.captured(1).toInt() < 100);
        QVERIFY(QRegularExpression(QStringLiteral("^(5000|4000|3000|2000|1000)\\+$|^<1000$"))
                    .match(info.freeMeasurementsToSave()).hasMatch());
        QVERIFY(QDir(GlobalFuncs::getAppDataPath()).removeRecursively());
        QCOMPARE(info.diskUsage(), QStringLiteral("100 %"));
        QCOMPARE(info.freeMeasurementsToSave(), QStringLiteral("StorageFull"));
    }

    // True while an input is closed (its bit 0). The first change announces every input,
    // emergency off first; later ones only what changed.
    void safetyInputsAnnounceWhatChanged()
    {
        DataModell* dm = m_fixture->dm();
        SystemInformation info;
        using Signal = void (SystemInformation::*)();
        const QList<QPair<QString, Signal>> inputs = {
            {"keySwitch", &SystemInformation::keySwitchChanged}, {"emergencyOff", &SystemInformation::emergencyOffChanged},
            {"hvConnector", &SystemInformation::hvConnectorChanged}, {"fOhm", &SystemInformation::fOhmChanged},
            {"temp", &SystemInformation::tempChanged}, {"testboost", &SystemInformation::testboostChanged},
            {"hvFree", &SystemInformation::hvFreeChanged}, {"hvOff", &SystemInformation::hvOffChanged},
            {"extEmergencyOff", &SystemInformation::extEmergencyOffChanged}, {"hvOn", &SystemInformation::hvOnChanged}};
        QStringList seen;
        for (const auto& input : inputs)
            connect(&info, input.second, this, [&seen, name = input.first]() { seen << name; });

        dm->setSafetyCircuitState(SafetyCircuitBits(0x3F0));
        QCOMPARE(seen, QStringList({"emergencyOff", "keySwitch", "hvConnector", "fOhm", "temp", "testboost", "hvFree",
                                    "hvOff", "extEmergencyOff", "hvOn"}));
        QVERIFY(info.keySwitch() && info.fOhm() && !info.testboost() && !info.hvOn());
        seen.clear();
        dm->setSafetyCircuitState(SafetyCircuitBits(0x3F8));
        QCOMPARE(seen, QStringList{"fOhm"});
        QVERIFY(!info.fOhm() && info.keySwitch());
    }

    void boostPlugsFollowTheStateWord()
    {
        SystemInformation info;
        QSignalSpy hv(&info, &SystemInformation::testBoostHVPluggedChanged);
        QSignalSpy gnd(&info, &SystemInformation::testBoostGNDPluggedChanged);
        QVERIFY(info.testBoostHVPlugged() && info.testBoostGNDPlugged());
        info.testBoostStateChanged(stTBState{2, 6}, stTBState{2, 0});
        QVERIFY(!info.testBoostHVPlugged() && !info.testBoostGNDPlugged());
        QCOMPARE(hv.size(), 1);
        QCOMPARE(gnd.size(), 1);
        info.testBoostStateChanged(stTBState{2, 0}, stTBState{2, 6});
        info.testBoostStateChanged(stTBState{2, 6}, stTBState{2, 7});
        QVERIFY(info.testBoostHVPlugged() && info.testBoostGNDPlugged());
        QCOMPARE(hv.size(), 2);
        QCOMPARE(gnd.size(), 2);
        info.testBoostStateChanged(stTBState{2, 7}, stTBState{2, 4});
        QCOMPARE(hv.size(), 3);
        QCOMPARE(gnd.size(), 2);
    }

    // Names after the first ":" are kept whole; a key without a name gives an empty one.
    void networkItemsFromTheAddressKeys()
    {
        KeyedAddresses addresses;
        addresses.keys.insert(QStringLiteral("ETH"), QStringLiteral("192.168.1.20"));
        addresses.keys.insert(QStringLiteral("WIFI:Lab:5G"), QStringLiteral("10.0.0.7"));
        addresses.keys.insert(QStringLiteral("USB:usb0"), QStringLiteral("172.16.0.1"));
        GlobalFuncs::setConnectionManager(&addresses);
        SystemInformation info;
        QQmlListProperty<IconListViewItem> list = info.networkConnectionList();
        GlobalFuncs::setConnectionManager(nullptr);
        QVERIFY(!addresses.askedForIpv6);
        QCOMPARE(list.count(&list), 3);
        QStringList rows;
        for (int i = 0; i < list.count(&list); ++i) {
            const IconListViewItem* item = list.at(&list, i);
            rows << item->name() + '|' + item->icon() + '|' + item->value().toString();
        }
        QCOMPARE(rows, QStringList({"|qrc:/icons/ethernet.svg|192.168.1.20", "usb0||172.16.0.1",
                                    "Lab:5G|qrc:/icons/wlan.svg|10.0.0.7"}));
    }
};

QTEST_GUILESS_MAIN(TstSystemInformation)
#include "tst_systeminformation.moc"
