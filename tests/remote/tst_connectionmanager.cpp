#include "core/GlobalFuncs.h"
#include "fakes/ConnectionManagerOnThread.h"
#include "fakes/FakeConfig.h"
#include "fakes/TempRoot.h"
#include "remote/ConnectionManager.h"
#include "remote/NullNetworkBackend.h"
#include "remote/QtBluetoothBackend.h"

#include <QtTest>

#include <memory>

// The connection manager on its own thread: addresses, the wired setting called from
// another thread, and the backends of a machine without network service or adapter.
class TstConnectionManager : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeConfig> m_config;

private slots:
    void init()
    {
        m_root = std::make_unique<TempRoot>();
        m_config = std::make_unique<FakeConfig>();
        GlobalFuncs::setConfig(m_config.get());
    }
    void cleanup()
    {
        GlobalFuncs::setConfig(nullptr);
        m_config.reset();
        m_root.reset();
    }

    // Addresses are keyed by type and name. The data model asks from the GUI thread; the
    // wired setting runs on the manager's thread.
    void addressesAndTheWiredSetting_data()
    {
        QTest::addColumn<bool>("withIpv6");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("IPv4") << false << QStringList{"ETH:eth0=192.168.1.20", "WIFI:wlan0=10.0.0.7"};
        QTest::newRow("with IPv6") << true
                                   << QStringList{"ETH:eth0=fe80::1", "ETH:eth0=192.168.1.20", "WIFI:wlan0=10.0.0.7"};
    }
    void addressesAndTheWiredSetting()
    {
        QFETCH(bool, withIpv6);
        QFETCH(QStringList, entries);
        ConnectionManagerOnThread rig(m_root->path(QStringLiteral("/media/USB")));
        rig.setAddresses({{"ETH", "eth0", QHostAddress("192.168.1.20")},
                          {"ETH", "eth0", QHostAddress("fe80::1")},
                          {"WIFI", "wlan0", QHostAddress("10.0.0.7")}});
        IConnectionManager* cm = GlobalFuncs::getConnectionManager();
        const QMultiMap<QString, QString> map = cm->getIpAddressList(withIpv6);
        QStringList seen;
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            seen << it.key() + '=' + it.value();
        QCOMPARE(seen, entries);

        QVERIFY(cm->isWiredConnection(QStringLiteral("eth0")));
        QVERIFY(!cm->isWiredConnection(QStringLiteral("wlan0")));
        QVERIFY(!cm->isWiredConnection(QString()));
        QVERIFY(cm->setWiredIp(QStringLiteral("192.168.1.50")));
        rig.network()->setWiredResult(false);
        QVERIFY(!cm->setWiredIp(QStringLiteral("192.168.1.51")));
        QCOMPARE(rig.network()->wiredAddresses(), QStringList({"192.168.1.50", "192.168.1.51"}));

        // A stopped thread would never answer: the call fails at once.
        rig.thread()->quit();
        QVERIFY(rig.thread()->wait(5000));
        QVERIFY(!cm->setWiredIp(QStringLiteral("192.168.1.52")));
        rig.thread()->start();
    }

    // The adapter list is read below the test's root, so the build machine's own adapter,
    // if it has one, is never seen.
    void machineWithoutNetworkServiceOrAdapter()
    {
        auto* cm = new ConnectionManager(std::make_unique<NullNetworkBackend>(), std::make_unique<QtBluetoothBackend>(),
                                         m_root->path(QStringLiteral("/media/USB")), {});
        QThread thread;
        thread.setObjectName(QStringLiteral("ConnectionManagerThread"));
        cm->moveToThread(&thread);
        thread.start();
        QStringList errors;
        int wlanLists = 0;
        connect(cm, &ConnectionManager::bluetoothError, this, [&](const QString& key) { errors << key; });
        connect(cm, &ConnectionManager::wlanListChanged, this, [&]() { ++wlanLists; });
        bool connected = true;
        QMetaObject::invokeMethod(cm, [&]() {
            cm->start();
            cm->doRefreshWlanList();
            connected = cm->connectWlanNetwork(QStringLiteral("any"), QStringLiteral("pw"));
            cm->setAdHocNetwork(true);
            cm->doEnableBluetooth(true);
        }, Qt::BlockingQueuedConnection);
        QTRY_COMPARE(wlanLists, 2); // emptied, then the scan's (empty) result
        QVERIFY(!cm->isRefreshingWlanList());
        QVERIFY(cm->wlanList().isEmpty());
        QVERIFY(!connected);
        QCOMPARE(cm->wlanState(), Qt::Unchecked);
        QVERIFY(!cm->isAdHocNetwork());
        QTRY_COMPARE(errors, QStringList{"NoBluetoothAdapter"});
        QCOMPARE(cm->bluetoothState(), Qt::Unchecked);
        QVERIFY(!cm->setWiredIp(QStringLiteral("192.168.1.50")));
        QVERIFY(cm->getIpAddressList(true).isEmpty());
        QMetaObject::invokeMethod(cm, [cm]() { delete cm; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
};

QTEST_GUILESS_MAIN(TstConnectionManager)
#include "tst_connectionmanager.moc"
