#include "app/CheckAppState.h"
#include "fakes/TempRoot.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

namespace {
QList<QPair<int, int>> transitions(const QSignalSpy& spy)
{
    QList<QPair<int, int>> out;
    for (const QList<QVariant>& args : spy)
        out.append({args.at(0).value<eUSBState>(), args.at(1).value<eUSBState>()});
    return out;
}
using Steps = QList<QPair<int, int>>;
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

        // An empty mount point is no stick.
        QVERIFY(root.mkdir(QStringLiteral("/media/USB")));
        QTest::qWait(150);
        QCOMPARE(check.usbState(), USBState_NoStick);
        QVERIFY(changes.isEmpty());

        QVERIFY(root.writeFile(QStringLiteral("/media/USB/report.txt"), "x"));
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QCOMPARE(transitions(changes), Steps({{1, 2}, {2, 0}}));

        QVERIFY(QDir(root.path(QStringLiteral("/media/USB"))).removeRecursively());
        QTRY_COMPARE(check.usbState(), USBState_NoStick);
        QCOMPARE(transitions(changes), Steps({{1, 2}, {2, 0}, {0, 1}}));

        // A stick that is only emptied (mount point kept) is gone as well.
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/a"), "x"));
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QVERIFY(QFile::remove(root.path(QStringLiteral("/media/USB/a"))));
        QTRY_COMPARE(check.usbState(), USBState_NoStick);
        QCOMPARE(changes.size(), 6);
        QVERIFY(imports.isEmpty());
    }

    void stickPresentAtStartIsCheckedAtOnce()
    {
        TempRoot root;
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/x"), "x"));
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
        QVERIFY(QDir(root.path(QStringLiteral("/media/USB"))).removeRecursively());
        QTRY_COMPARE(check.usbState(), USBState_NoStick);
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/PEVANTO_backup.cfg.xml"), "<x/>"));
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QTest::qWait(100);
        QCOMPARE(imports.size(), 1);
    }

    void backupIgnoredAfterTheStartupWindow()
    {
        TempRoot root;
        CheckAppState check(nullptr, 20, 200);
        QSignalSpy imports(&check, &CheckAppState::importConfig);
        check.start();
        QTest::qWait(400);
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/PEVANTO_backup.cfg.xml"), "<x/>"));
        QTRY_COMPARE(check.usbState(), USBState_Ready);
        QTest::qWait(100);
        QVERIFY(imports.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCheckAppState)
#include "tst_checkappstate.moc"
