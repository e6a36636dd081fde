#include "fakes/RecordingGui.h"

#include <QThread>
#include <QtTest>

// Back-end code on worker threads reaches the GUI through blocking queued calls
// of IGUI's slots; these only work with every argument type registered.
class TstIGui : public QObject {
    Q_OBJECT
private slots:
    void defaultsOfTheInterface()
    {
        struct MinimalGui : IGUI {
            void show() override {}
            void quit() override {}
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
