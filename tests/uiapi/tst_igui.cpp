#include "fakes/RecordingGui.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QtTest>

// Back-end code on worker threads reaches the GUI through blocking queued calls
// of IGUI's slots; these only work with every argument type registered. A worker that
// waits for an answer is told each time: the program's own threads never do.
class TstIGui : public QObject {
    Q_OBJECT
    static void expectWaitsTold(int count)
    {
        for (int i = 0; i < count; ++i)
            QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^IGUI::wait called off the GUI thread")));
    }
private slots:
    void defaultsOfTheInterface()
    {
        struct MinimalGui : IGUI {
            void showImpl() override {}
            void quitImpl() override {}
        } gui;
        QVERIFY(!gui.requestUSBConnDlg());
        QVERIFY(gui.requestProgressDlg(QStringLiteral("x"), 0, 10, 1, 0).isNull());
        QVERIFY(gui.showMessageDlg(CAT_ERR, QStringLiteral("History"), QStringLiteral("Key"), false, true).isNull());
        QVERIFY(gui.showMessageDlg(CAT_MSG, TransObject(QStringLiteral("A"), QStringLiteral("B")), false, true).isNull());
        QCOMPARE(gui.width(), 0);
        QCOMPARE(gui.height(), 0);
    }

    void blockingQueuedCallsFromAWorkerThread()
    {
        RecordingGui gui;
        QUuid fromWorker;
        QUuid progress;
        QThread* worker = QThread::create([&] {
            QMetaObject::invokeMethod(&gui, "showMessageDlg", Qt::BlockingQueuedConnection,
                                      Q_RETURN_ARG(QUuid, fromWorker), Q_ARG(MessageCategories, CAT_ERR),
                                      Q_ARG(TransObject, TransObject(QStringLiteral("History"),
                                                                     QStringLiteral("ErrorWhileWritingData"))),
                                      Q_ARG(bool, false), Q_ARG(bool, true));
            QMetaObject::invokeMethod(&gui, "requestProgressDlg", Qt::BlockingQueuedConnection,
                                      Q_RETURN_ARG(QUuid, progress), Q_ARG(QString, QStringLiteral("Copy")),
                                      Q_ARG(int, 0), Q_ARG(int, 3), Q_ARG(int, 1), Q_ARG(int, 0));
            QMetaObject::invokeMethod(&gui, "closeDlg", Qt::BlockingQueuedConnection, Q_ARG(QUuid, progress),
                                      Q_ARG(IGUI::CloseType, IGUI::Accepted));
        });
        worker->start();
        QTRY_VERIFY(worker->isFinished());
        delete worker;

        QVERIFY(!fromWorker.isNull());
        QVERIFY(gui.hasMessage(QStringLiteral("History"), QStringLiteral("ErrorWhileWritingData")));
        QCOMPARE(gui.callsOf(QStringLiteral("showMessageDlg")).first().category, int(CAT_ERR));
        const auto closes = gui.callsOf(QStringLiteral("closeDlg"));
        QCOMPARE(closes.size(), 1);
        QCOMPARE(closes.first().id, progress);
        QCOMPARE(closes.first().closeType, int(IGUI::Accepted));
    }

    void workerCallsRunOnTheGuiThreadInOrder()
    {
        RecordingGui gui;
        expectWaitsTold(3); // the message, the progress and the USB question
        gui.usbAnswer = true;
        QUuid message;
        QUuid progress;
        bool usb = false;
        QThread* worker = QThread::create([&] {
            message = gui.showMessageDlg(CAT_ERR, TransObject(QStringLiteral("History"), QStringLiteral("Key")), false, true);
            progress = gui.requestProgressDlg(QStringLiteral("Copy"), 0, 3, 1, 0);
            gui.incrementProgressDlg(progress);
            gui.closeDlg(progress, IGUI::Accepted);
            usb = gui.requestUSBConnDlg();
            gui.saveToHistoryFailed();
        });
        worker->start();
        QTRY_VERIFY(worker->isFinished());
        QTRY_COMPARE(gui.calls.size(), 6); // the last two are queued, not waited for
        delete worker;

        QStringList order;
        for (const RecordingGui::Call& c : gui.calls) {
            order << c.operation;
            QCOMPARE(c.thread, gui.thread());
        }
        QCOMPARE(order, QStringList({QStringLiteral("showMessageDlg"), QStringLiteral("requestProgressDlg"),
                                     QStringLiteral("incrementProgressDlg"), QStringLiteral("closeDlg"),
                                     QStringLiteral("requestUSBConnDlg"), QStringLiteral("saveToHistoryFailed")}));
        QVERIFY(!message.isNull());
        QCOMPARE(gui.calls.at(0).id, message);
        QCOMPARE(gui.calls.at(1).id, progress);
        QCOMPARE(gui.calls.at(2).id, progress);
        QCOMPARE(gui.calls.at(3).id, progress);
        QVERIFY(usb);
    }

    void connectionPointsCarryTheirValuesFromAWorker()
    {
        RecordingGui gui;
        QThread* worker = QThread::create([&] {
            stPeriodicMeasurementValues v;
            v.voltage = -12000000;
            v.current = 4500000000LL;
            v.tanDelta = 1234;
            v.timeStamp = 60000;
            gui.updatePeriodicMeasurementValues(v);
            gui.showImportConfigDlg({QStringLiteral("a.xml"), QStringLiteral("b.xml")});
            gui.aliveCheckFailed(3);
            gui.evaluationCriterionChanged(TanDelta::evaluation::eEvaluationStandard(2));
            gui.remoteControlled(true);
            gui.resetDefValuesDone(false);
            updatePackage p;
            p.name = QStringLiteral("kernel-1.2.ldr");
            gui.showFirmwareUpdateDlg({p, p});
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        QCOMPARE(gui.calls.size(), 0); // queued: nothing ran on the worker
        QTRY_COMPARE(gui.calls.size(), 7);
        const auto arguments = [&gui](int i) { return gui.calls.at(i).arguments; };
        QCOMPARE(arguments(0), QStringList({"-12000000", "4500000000", "1234", "60000"}));
        QCOMPARE(arguments(1), QStringList({"a.xml", "b.xml"}));
        QCOMPARE(arguments(2), QStringList({"3"}));
        QCOMPARE(arguments(3), QStringList({"2"}));
        QCOMPARE(gui.calls.at(4).operation, QStringLiteral("remoteControlled"));
        QCOMPARE(arguments(4), QStringList({"1"}));
        QCOMPARE(gui.calls.at(5).operation, QStringLiteral("resetDefValuesDone"));
        QCOMPARE(arguments(5), QStringList({"0"}));
        QCOMPARE(gui.calls.at(6).operation, QStringLiteral("showFirmwareUpdateDlg"));
        QCOMPARE(arguments(6), QStringList({"kernel-1.2.ldr", "kernel-1.2.ldr"}));
        for (const RecordingGui::Call& c : gui.calls)
            QCOMPARE(c.thread, gui.thread());
    }

    void guiThreadCallsRunDirectly()
    {
        RecordingGui gui;
        const QUuid id = gui.showMessageDlg(CAT_INF, QStringLiteral("History"), QStringLiteral("Key"), false, true);
        gui.closeDlg(id, IGUI::Rejected);
        gui.safetyCircuitChanged();
        // No event loop ran: each call reached the hook before returning.
        QCOMPARE(gui.calls.size(), 3);
        QCOMPARE(gui.calls.at(0).id, id);
        QCOMPARE(gui.calls.at(1).closeType, int(IGUI::Rejected));
        QCOMPARE(gui.calls.at(2).operation, QStringLiteral("safetyCircuitChanged"));
        for (const RecordingGui::Call& c : gui.calls)
            QCOMPARE(c.thread, QThread::currentThread());
    }

    void workerCallDuringALocalEventLoop()
    {
        RecordingGui gui;
        expectWaitsTold(1);
        QEventLoop loop;
        QUuid fromWorker;
        QThread* worker = QThread::create([&] {
            fromWorker = gui.showMessageDlg(CAT_WARN, QStringLiteral("History"), QStringLiteral("Key"), true, true);
            gui.closeDlg(fromWorker, IGUI::Accepted);
            QMetaObject::invokeMethod(&loop, [&loop] { loop.exit(0); }, Qt::QueuedConnection);
        });
        // The GUI thread sits in a nested loop, as under a modal dialog.
        QTimer::singleShot(0, worker, [worker] { worker->start(); });
        QTimer::singleShot(20000, &loop, [&loop] { loop.exit(1); });
        QCOMPARE(loop.exec(), 0);
        QVERIFY(worker->wait(5000));
        delete worker;
        QVERIFY(!fromWorker.isNull());
        QCOMPARE(gui.callsOf(QStringLiteral("showMessageDlg")).size(), 1);
        const auto closes = gui.callsOf(QStringLiteral("closeDlg"));
        QCOMPARE(closes.size(), 1);
        QCOMPARE(closes.first().id, fromWorker);
    }

    void stopWaitingFreesAWaitingWorker()
    {
        RecordingGui gui;
        expectWaitsTold(2);
        gui.usbAnswer = true;
        QAtomicInt returned(0);
        bool answer = true;
        QThread* worker = QThread::create([&] {
            answer = gui.requestUSBConnDlg();
            returned.storeRelease(1);
        });
        worker->start();
        // The GUI thread runs no event loop here, as while it joins the workers.
        QThread::msleep(100);
        QCOMPARE(returned.loadAcquire(), 0);
        gui.stopWaiting();
        QVERIFY(worker->wait(5000));
        delete worker;
        QVERIFY(!answer);
        // Once stopped, a worker does not wait at all.
        QThread* late = QThread::create([&] { answer = gui.requestUSBConnDlg(); });
        answer = true;
        late->start();
        QVERIFY(late->wait(5000));
        delete late;
        QVERIFY(!answer);
    }

    void dialogAnswerSignalCrossesThreads()
    {
        RecordingGui gui;
        QSignalSpy spy(&gui, &IGUI::messageDglClosed);
        const QUuid id = QUuid::createUuid();
        QThread* worker = QThread::create([&] { emit gui.messageDglClosed(id, IGUI::Rejected); });
        QObject receiver;
        QUuid seen;
        int type = -1;
        connect(&gui, &IGUI::messageDglClosed, &receiver, [&](QUuid d, IGUI::CloseType t) {
            seen = d;
            type = t;
        }, Qt::QueuedConnection);
        worker->start();
        QTRY_COMPARE(seen, id);
        QCOMPARE(type, int(IGUI::Rejected));
        worker->wait();
        delete worker;
    }
};

QTEST_GUILESS_MAIN(TstIGui)
#include "tst_igui.moc"
