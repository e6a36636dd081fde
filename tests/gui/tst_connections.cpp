#include "core/GlobalFuncs.h"
#include "fakes/ConnectionManagerOnThread.h"
#include "fakes/FakeConfig.h"
#include "fakes/RecordingGui.h"
#include "fakes/TempRoot.h"
#include "gui/Connections.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// The connection pages' view model over a connection manager on its own thread with
// scripted network and Bluetooth backends, and a stick in a temporary root.
class TstConnections : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeConfig> m_config;
    std::unique_ptr<ConnectionManagerOnThread> m_rig;
    QString m_stick;

    // The items' names, or the file names of their icons.
    static QStringList column(const QList<IconListViewItem*>& items, bool icons = false)
    {
        QStringList out;
        for (const IconListViewItem* item : items)
            out << (icons ? item->icon().section(QLatin1Char('/'), -1) : item->name());
        return out;
    }
    void openFolder(const QString& path)
    {
        ConnectionManager* m = m_rig->manager();
        m_rig->onThread([m, path]() { m->doRefreshUsbPathList(path); });
    }

private slots:
    void init()
    {
        m_root = std::make_unique<TempRoot>();
        m_config = std::make_unique<FakeConfig>();
        GlobalFuncs::setConfig(m_config.get());
        QVERIFY(!m_root->insertStick().isEmpty());
        m_stick = m_root->path(QStringLiteral("/media/USB"));
        for (const char* file : {"Updates/app.tar", "alpha/.keep", "backup.cfg.xml", "FIRMWARE.LDR", "IEEE.tds",
                                 "manual.pdf", "notes.log", "readme.txt"})
            QVERIFY(m_root->writeFile(QStringLiteral("/media/USB/") + QLatin1String(file), "x"));
        QVERIFY(m_root->writeFile(QStringLiteral("/elsewhere/secret.cfg.xml"), "x"));
        QVERIFY(QFile::link(m_root->path(QStringLiteral("/elsewhere")), m_stick + QStringLiteral("/outside")));
        QVERIFY(QFile::link(m_stick + QStringLiteral("/alpha"), m_stick + QStringLiteral("/toAlpha")));
        m_rig = std::make_unique<ConnectionManagerOnThread>(m_stick);
    }
    void cleanup()
    {
        m_rig.reset();
        GlobalFuncs::setConfig(nullptr);
        m_config.reset();
        m_root.reset();
    }

    // Weakest first, strength 0..100 in six icons; the value is the network's name.
    void wlanScanListsNetworksWithStrengthIcons()
    {
        Connections view;
        m_rig->network()->setNetworks({{"Strong", "wifi_strong", 1, 0, 100}, {"Weak", "wifi_weak", 0, 0, -5},
                                       {"Half", "wifi_half", 1, 0, 50}});
        view.scanWlan();
        QTRY_COMPARE(view.wlanItems().size(), 3);
        QTRY_VERIFY(!view.scanningWlanNetworks());
        QCOMPARE(column(view.wlanItems()), QStringList({"Weak", "Half", "Strong"}));
        QCOMPARE(column(view.wlanItems(), true), QStringList({"strength0.svg", "strength3.svg", "strength5.svg"}));
        QCOMPARE(view.wlanItems().at(2)->value().toString(), QStringLiteral("wifi_strong"));
        QCOMPARE(m_rig->network()->scans(), 1);

        // The list is read again every few seconds; an unchanged list is not rebuilt.
        QSignalSpy rebuilt(&view, &Connections::wlanListChanged);
        m_rig->network()->setNetworks({{"Half", "wifi_half", 1, 0, 50}});
        QTRY_COMPARE_WITH_TIMEOUT(view.wlanItems().size(), 1, 3 * ConnectionManager::WlanRefreshMs);
        const int rebuilds = rebuilt.size();
        QTest::qWait(ConnectionManager::WlanRefreshMs + 500);
        QCOMPARE(rebuilt.size(), rebuilds);
    }

    void wlanConnectOutcomeReachesThePage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<QString>("network");
        QTest::newRow("connected") << "wifi_lab" << int(Qt::Checked) << true
                                   << QList<int>{Qt::PartiallyChecked, Qt::Checked} << "Lab";
        QTest::newRow("refused") << "wifi_lab" << int(Qt::Unchecked) << true
                                 << QList<int>{Qt::PartiallyChecked, Qt::Unchecked} << "";
        QTest::newRow("not listed") << "wifi_gone" << int(Qt::Checked) << false << QList<int>{} << "";
    }
    void wlanConnectOutcomeReachesThePage()
    {
        QFETCH(QString, name);
        QFETCH(int, outcome);
        QFETCH(bool, started);
        QFETCH(QList<int>, states);
        QFETCH(QString, network);
        Connections view;
        m_rig->network()->setNetworks({{"Lab", "wifi_lab", 1, 0, 70}});
        m_rig->network()->setConnectOutcome(name, Qt::CheckState(outcome));
        view.scanWlan();
        QTRY_COMPARE(view.wlanItems().size(), 1);
        QList<int> seen;
        connect(&view, &Connections::wlanStateChanged, this, [&]() { seen << view.wlanState(); });
        QCOMPARE(view.connectWlan(QVariant(name), QStringLiteral("secret")), started);
        QTRY_COMPARE(seen, states);
        QTest::qWait(50);
        QCOMPARE(seen, states);
        QCOMPARE(view.connectedWlanNetwork(), network);
        QCOMPARE(m_rig->network()->connects(), started ? QStringList{name + "/secret"} : QStringList());
        if (outcome == Qt::Checked && started) {
            m_rig->network()->loseConnection(name);
            QTRY_COMPARE(view.wlanState(), Qt::Unchecked);
            QCOMPARE(view.connectedWlanNetwork(), QString());
        }
    }

    // Folders first, then files, by name; a link off the stick cannot be used.
    void usbBrowserListsAndTypesEntries()
    {
        Connections view;
        // Until the list comes the page says it reads, not that the stick is empty.
        view.resetUsbPath();
        QVERIFY(view.scanningUsbPath());
        QTRY_COMPARE(view.usbItems().size(), 10);
        QVERIFY(!view.scanningUsbPath());
        QCOMPARE(view.currentUsbPath(), QStringLiteral("USB"));
        QCOMPARE(column(view.usbItems()),
                 QStringList({"alpha", "outside", "toAlpha", "Updates", "backup.cfg.xml", "FIRMWARE.LDR", "IEEE.tds",
                              "manual.pdf", "notes.log", "readme.txt"}));
        QCOMPARE(column(view.usbItems(), true),
                 QStringList({"folder.svg", "cancel.svg", "folder.svg", "folder.svg", "wrench.svg", "update.svg",
                              "TangentsDelta.svg", "message.svg", "list_bulleted.svg", "file.svg"}));

        // Into a folder and back by the entries the page shows; the old items stay valid
        // until the change is announced.
        QList<QPointer<IconListViewItem>> old;
        for (IconListViewItem* item : view.usbItems())
            old << item;
        const auto alive = [&old]() { return int(std::count_if(old.begin(), old.end(), [](auto& p) { return !p.isNull(); })); };
        int aliveAtChange = -1;
        connect(&view, &Connections::usbPathListChanged, this, [&]() { aliveAtChange = alive(); });
        QVERIFY(view.activateUsbEntity(QFileInfo(m_stick).canonicalFilePath() + QStringLiteral("/Updates")));
        QVERIFY(view.scanningUsbPath());
        QTRY_COMPARE(view.currentUsbPath(), QStringLiteral("USB/Updates"));
        QTRY_COMPARE(column(view.usbItems()), QStringList({"..", "app.tar"}));
        QCOMPARE(aliveAtChange, old.size());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(alive(), 0);
        QCOMPARE(column(view.usbItems(), true), QStringList({"return.svg", "update.svg"}));
        QVERIFY(view.activateUsbEntity(view.usbItems().first()->value().toString()));
        QTRY_COMPARE(view.currentUsbPath(), QStringLiteral("USB"));
    }

    // The page's filter is applied as the folder is listed, each entry typed once: a
    // folder of 30,000 files is listed well within the watchdog's patience.
    void usbBrowserFiltersThirtyThousandFilesAtOnce()
    {
        QVERIFY(m_root->mkdir(QStringLiteral("/media/USB/many/fw_4.2")));
        QVERIFY(m_root->writeFile(QStringLiteral("/media/USB/many/notes.txt"), "x"));
        for (int n = 0; n < 30000; ++n)
            QVERIFY(QFile(m_stick + QStringLiteral("/many/c%1.tds").arg(n, 5, 10, QLatin1Char('0')))
                        .open(QIODevice::WriteOnly));
        Connections view;
        view.setUsbExtensions({QStringLiteral(".TDS")});
#ifdef __SANITIZE_ADDRESS__
        // The sanitizers' build lists the same folder several times slower.
        const int boundMs = 15000;
#else
        const int boundMs = 2000;
#endif
        QElapsedTimer clock;
        clock.start();
        openFolder(QStringLiteral("many"));
        QTRY_COMPARE_WITH_TIMEOUT(view.usbItems().size(), 30002, boundMs);
        QVERIFY2(clock.elapsed() < boundMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(column(view.usbItems().mid(0, 3)), QStringList({"..", "fw_4.2", "c00000.tds"}));
    }

    void usbBrowserNeverLeavesTheStick_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("shown");
        QTest::newRow("relative folder") << QStringList{"Updates"} << "USB/Updates";
        QTest::newRow("rescan") << QStringList{"Updates", "."} << "USB/Updates";
        QTest::newRow("parent") << QStringList{"Updates", ".."} << "USB";
        QTest::newRow("parent of the root") << QStringList{".."} << "USB";
        QTest::newRow("climbing") << QStringList{"Updates", "../../.."} << "USB";
        QTest::newRow("system folder") << QStringList{"/etc"} << "USB";
        QTest::newRow("link out") << QStringList{"outside"} << "USB";
        QTest::newRow("link in") << QStringList{"toAlpha"} << "USB/alpha";
        QTest::newRow("missing") << QStringList{"Updates", "nothing"} << "USB";
    }
    void usbBrowserNeverLeavesTheStick()
    {
        QFETCH(QStringList, paths);
        QFETCH(QString, shown);
        for (const QString& path : qAsConst(paths))
            openFolder(path);
        const UsbEntry current = m_rig->manager()->currentUsbPath();
        QCOMPARE(current.name, shown);
        QVERIFY(current.path.startsWith(QFileInfo(m_stick).canonicalFilePath()));
        for (const UsbEntry& e : m_rig->manager()->usbPathList())
            QVERIFY2(e.type == UsbEntry::Unusable || e.path.startsWith(QFileInfo(m_stick).canonicalFilePath()),
                     qPrintable(e.path));
    }

    void activatingAnEntryActsByItsType_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("signal");
        // No data model here: every menu lock counts as closed (the program opens them).
        QTest::newRow("update") << "FIRMWARE.LDR" << false << "passwordRequired:admin_menu";
        QTest::newRow("configuration") << "backup.cfg.xml" << false << "passwordRequired:service_menu";
        QTest::newRow("criteria file") << "IEEE.tds" << false << "passwordRequired:admin_menu";
        QTest::newRow("document") << "manual.pdf" << false << "";
        QTest::newRow("log") << "notes.log" << false << "";
        QTest::newRow("other file") << "readme.txt" << false << "";
        QTest::newRow("link off the stick") << "outside" << false << "";
        QTest::newRow("unknown path") << "not-listed.tar" << true << "";
        QTest::newRow("empty path") << "" << true << "";
    }
    void activatingAnEntryActsByItsType()
    {
        QFETCH(QString, file);
        QFETCH(bool, result);
        QFETCH(QString, signal);
        Connections view;
        view.resetUsbPath();
        QTRY_COMPARE(view.usbItems().size(), 10);
        QStringList emitted;
        connect(&view, &Connections::performUpdate, this, [&](const QString& p) { emitted << "performUpdate:" + p; });
        connect(&view, &Connections::importConfig, this, [&](const QString& p, bool remove) {
            emitted << "importConfig:" + p + (remove ? ":remove" : "");
        });
        connect(&view, &Connections::importTanDeltaStandard, this,
                [&](const QString& p) { emitted << "importTanDeltaStandard:" + p; });
        connect(&view, &Connections::passwordRequired, this,
                [&](const QString& lock, const QString& p) { emitted << "passwordRequired:" + lock + ':' + p; });
        const QString path = file.isEmpty() ? QString() : QFileInfo(m_stick).canonicalFilePath() + '/' + file;
        QCOMPARE(view.activateUsbEntity(path), result);
        QCOMPARE(emitted, signal.isEmpty() ? QStringList() : QStringList{signal + ':' + path});
        QTest::qWait(50);
        QCOMPARE(view.currentUsbPath(), QStringLiteral("USB"));
    }

    void bluetoothStateFollowsAdapterAndCentral()
    {
        RecordingGui gui;
        GlobalFuncs::setGUI(&gui);
        Connections view;
        QCOMPARE(view.bluetoothState(), Qt::Unchecked);
        view.enableBluetooth(true);
        QTRY_COMPARE(view.bluetoothState(), Qt::PartiallyChecked);
        QSignalSpy central(&view, &Connections::connectedBluetoothDeviceChanged);
        m_rig->bluetooth()->setCentral(QStringLiteral("Service tablet"));
        QTRY_COMPARE(central.size(), 1);
        QCOMPARE(view.connectedBluetoothDevice(), QStringLiteral("Service tablet"));
        QTRY_COMPARE(view.bluetoothState(), Qt::Checked);
        view.enableBluetooth(false);
        QTRY_COMPARE(view.bluetoothState(), Qt::Unchecked);

        // Without an adapter switching on fails with an error the operator sees.
        m_rig.reset();
        m_rig = std::make_unique<ConnectionManagerOnThread>(m_stick, false);
        Connections bare;
        bare.enableBluetooth(true);
        QTRY_VERIFY(gui.hasMessage(QStringLiteral("ErrorMessages"), QStringLiteral("NoBluetoothAdapter")));
        const RecordingGui::Call call = gui.callsOf(QStringLiteral("showMessageDlg")).last();
        QCOMPARE(call.category, int(CAT_ERR));
        QVERIFY(!call.cancelButton && !call.okButton);
        QCOMPARE(bare.bluetoothState(), Qt::Unchecked);
        GlobalFuncs::setGUI(nullptr);
    }

    void namesAndAdHocModeAreKept()
    {
        Connections view;
        QTRY_COMPARE(view.deviceName(), QStringLiteral("PEVANTO"));
        QSignalSpy named(&view, &Connections::deviceNameChanged);
        view.setDeviceName(QStringLiteral("  Unit 7 "));
        QTRY_COMPARE(named.size(), 1);
        QCOMPARE(named.first().first().toString(), QStringLiteral("Unit 7"));
        QString stored;
        m_config->queryString(QStringLiteral("/Connections/DeviceName"), stored);
        QCOMPARE(stored, QStringLiteral("Unit 7"));
        view.setDeviceName(QString());
        QTRY_COMPARE(named.size(), 2);
        QCOMPARE(view.deviceName(), QStringLiteral("Unit 7"));

        view.setAdHocSsid(QStringLiteral("Field"));
        view.setAdhocNetwork(true);
        QTRY_VERIFY(view.adhocNetwork());
        QCOMPARE(m_rig->network()->adHocCalls(), QStringList{"on:Field"});
        // No scans in ad-hoc mode.
        view.scanWlan();
        QTest::qWait(50);
        QCOMPARE(m_rig->network()->scans(), 0);
    }
};

QTEST_MAIN(TstConnections)
#include "tst_connections.moc"
