#include "fakes/FastClock.h"
#include "fakes/SimulatedHVLink.h"
#include "hvunit/TPOF.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestTPOFFirmware : public QObject {
    Q_OBJECT

    SimulatedHVLink link;
    HvUnitSimulator& sim = link.sim;
    QTemporaryDir dir;
    std::unique_ptr<TPOF> pof;
    FakeHVData* data = nullptr;
    FakeHVData* sub = nullptr;

    QString image(int size)
    {
        QByteArray bytes;
        for (int i = 0; i < size; ++i)
            bytes.append(char((i * 31 + 7) & 0xFF));
        const QString path = dir.path() + QStringLiteral("/fw%1.ldr").arg(size);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != size)
            return QString();
        return path;
    }

    static QByteArray fileBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        pof = link.start();
        QVERIFY(pof);
        data = link.data;
        sub = link.sub;
    }

    void init()
    {
        QTest::qWait(20);
        sim.clearFault();
        sim.model().reset();
        sim.clearRequests();
        sub->setHVUnitState(stHVUnitState(false, 0));
    }

    void cleanupTestCase() { pof.reset(); }

    void cleanup() { QVERIFY2(link.sharedWith().isEmpty(), qPrintable(link.sharedWith())); }

    void imageIsTakenAfterBusy()
    {
        const QString path = image(1000);
        sim.model().setFirmwareBehaviour(1000, false);
        QSignalSpy finished(pof.get(), &TPOF::finishedHVUpdate);
        // A poll queued before the transfer comes due while the image is on the line.
        int during = 1;
        QTimer::singleShot(0, pof.get(), [&] {
            unsigned long long v = 0;
            unsigned short n = 0;
            during = pof->GetValue(TPOF::CMD_StateWord, &v, 1, &n);
        });
        QElapsedTimer t;
        t.start();
        pof->sendHVCUpdate(path, 1, 1000, 0xCAFE);
        QVERIFY(t.elapsed() >= 1000);
        QCOMPARE(during, -100);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(pof->getUpdateState(), 0u);
        QCOMPARE(pof->getUpdateState(), 13u);
        QCOMPARE(sim.model().firmwareImage(), fileBytes(path)); // nothing spliced in
        const QList<QByteArray> reqs = sim.completeRequests();
        QCOMPARE(reqs.value(0), QByteArray(">p01000003E80000CAFE."));
        for (int i = 1; i < reqs.size(); ++i)
            QCOMPARE(reqs[i], QByteArray(">W."));
        QVERIFY(reqs.size() > 2);
        QCOMPARE(int(data->getOperatingMode()), 0);
        QVERIFY(!pof->hvAutoCheck());
    }

    void unitReportsAFailedUpdate()
    {
        sim.model().setFirmwareBehaviour(200, true);
        pof->sendHVCUpdate(image(300), 2, 300, 0x1234);
        QCOMPARE(pof->getUpdateState(), 17u);
        QCOMPARE(sim.completeRequests().value(0), QByteArray(">p020000012C00001234."));
    }

    void shortFileIsNeverAnnounced()
    {
        QSignalSpy finished(pof.get(), &TPOF::finishedHVUpdate);
        pof->sendHVCUpdate(image(499), 1, 500, 0x1234);
        QCOMPARE(pof->getUpdateState(), 15u);
        QCOMPARE(finished.size(), 1);
        pof->sendHVCUpdate(dir.path() + QStringLiteral("/missing.ldr"), 1, 500, 0x1234);
        QCOMPARE(pof->getUpdateState(), 15u);
        QTest::qWait(50);
        QVERIFY(sim.requests().isEmpty());
        QCOMPARE(sim.model().pendingFirmwareBytes(), 0);
    }

    void unreadCodeOfAnEarlierTransferDoesNotStopTheImage_data()
    {
        QTest::addColumn<bool>("earlierFails");
        QTest::newRow("earlier taken (0)") << false;
        QTest::newRow("earlier rejected (17)") << true;
    }

    void unreadCodeOfAnEarlierTransferDoesNotStopTheImage()
    {
        QFETCH(bool, earlierFails);
        sim.model().setFirmwareBehaviour(50, earlierFails);
        pof->sendHVCUpdate(image(40), 1, 40, 0x1234); // its code is never read
        sim.model().reset();
        sim.clearRequests();
        sim.model().setFirmwareBehaviour(50, false);
        const QString path = image(120);
        pof->sendHVCUpdate(path, 1, 120, 0x4321);
        QCOMPARE(pof->getUpdateState(), 0u);
        QCOMPARE(sim.completeRequests().value(0), QByteArray(">p010000007800004321."));
        QCOMPARE(sim.model().firmwareImage(), fileBytes(path));
        QCOMPARE(sim.model().pendingFirmwareBytes(), 0);
    }

    void pollDuringTheImageLeavesTheLinkUp()
    {
        sim.model().setFirmwareBehaviour(50, false);
        bool polled = true;
        bool downDuring = true;
        QTimer::singleShot(0, pof.get(), [&] {
            polled = pof->GetHVState();
            downDuring = sub->getHVUnitState().comError;
        });
        pof->sendHVCUpdate(image(600), 1, 600, 0x1234);
        QCOMPARE(pof->getUpdateState(), 0u);
        QVERIFY(!polled);
        QVERIFY(!downDuring);
    }

    void badArgumentsSendNothing()
    {
        QSignalSpy finished(pof.get(), &TPOF::finishedHVUpdate);
        pof->sendHVCUpdate(QString(), 1, 500, 0x1234);
        QCOMPARE(pof->getUpdateState(), 20u);
        pof->sendHVCUpdate(image(10), 3, 10, 0x1234);
        QCOMPARE(pof->getUpdateState(), 15u);
        QVERIFY(!pof->InitUpdate(1, 0, 5));
        QVERIFY(!pof->InitUpdate(1, 5, 0));
        QTest::qWait(50);
        QCOMPARE(finished.size(), 2);
        QVERIFY(sim.requests().isEmpty());
    }

    void silentUnitFailsTheAnnouncement()
    {
        sim.setFault(HvUnitSimulator::Fault::NoEcho);
        pof->sendHVCUpdate(image(10), 1, 10, 0x1234);
        QCOMPARE(pof->getUpdateState(), 15u);
        QVERIFY(sim.model().firmwareImage().isEmpty());
    }

    void unitBusyForEverTimesOut()
    {
        sim.model().setFirmwareBehaviour(60000, false);
        pof->setSteadyClock(&fastSteadyClock);
        const qint64 start = fastSteadyClock();
        pof->sendHVCUpdate(image(100), 1, 100, 0x1234);
        pof->setSteadyClock(&Heartbeat::now);
        QCOMPARE(pof->getUpdateState(), 16u);
        QVERIFY(fastSteadyClock() - start >= 29999);
        sim.model().reset();
    }
};

QTEST_GUILESS_MAIN(TestTPOFFirmware)
#include "tst_TPOFFirmware.moc"
