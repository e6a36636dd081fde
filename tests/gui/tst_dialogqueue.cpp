#include "gui/DialogQueue.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

// The lists of the dialog layer: messages by severity with their lifetimes, questions and
// their answers, progress and wait dialogs.
class TstDialogQueue : public QObject {
    Q_OBJECT
private:
    QDateTime m_now;
    std::unique_ptr<DialogQueue> q; // a fresh one per case

    // The texts of the listed messages, in their order.
    QStringList names() const
    {
        QStringList out;
        for (const auto& m : q->messages().items())
            out << m.item->name();
        return out;
    }

private slots:
    void init()
    {
        m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0));
        q = std::make_unique<DialogQueue>();
        q->setClock([this]() { return m_now; });
    }
    void cleanup() { q.reset(); }

    void messagesAreOrderedBySeverityThenNewestFirst()
    {
        QSignalSpy changed(q.get(), &DialogQueue::messageListChanged);
        q->show(CAT_WARN, QStringLiteral("older warning"), {}, {});
        q->show(CAT_ERR, QStringLiteral("error"), {}, {});
        q->show(CAT_WARN, QStringLiteral("newer warning"), {}, {});
        QCOMPARE(names(), QStringList({"error", "newer warning", "older warning"}));
        QCOMPARE(changed.size(), 3);
        const DialogQueue::Message& error = q->messages().items().first();
        QCOMPARE(error.item->icon(), QStringLiteral("qrc:/icons/error.svg"));
        QCOMPARE(error.item->value().toString(), QStringLiteral("#FFF43149"));
        QCOMPARE(error.expiry, m_now.addSecs(10));
        QVERIFY(q->timerActive());

        // Category 6 has no lifetime: an id, but nothing listed.
        const QUuid meas = q->showMessageOfCategory(QStringLiteral("measurement"), CAT_MEAS);
        QVERIFY(!meas.isNull());
        QCOMPARE(q->messages().items().size(), 3);
        QCOMPARE(changed.size(), 3);

        QVERIFY(q->hideMessage(CAT_WARN, QStringLiteral("older warning")));
        QVERIFY(!q->hideMessage(CAT_ERR, QStringLiteral("older warning")));
        QVERIFY(!q->hideMessage(CAT_INF, error.id));
        QVERIFY(q->hideMessage(CAT_ERR, q->messages().items().first().id));
        QCOMPARE(names(), QStringList({"newer warning"}));
    }

    void messagesExpireByCategoryDrivenByTheTimer()
    {
        q->show(CAT_INF, QStringLiteral("info"), {}, {}); // 5 s
        q->show(CAT_ERR, QStringLiteral("error"), {}, {}); // 10 s
        q->show(CAT_FATAL, QStringLiteral("fatal"), {}, {}); // 99 days
        QSignalSpy changed(q.get(), &DialogQueue::messageListChanged);

        m_now = m_now.addSecs(6);
        QTRY_COMPARE_WITH_TIMEOUT(names(), QStringList({"fatal", "error"}), 5000);
        QCOMPARE(changed.size(), 1);
        m_now = m_now.addSecs(5);
        QTRY_COMPARE_WITH_TIMEOUT(names(), QStringList({"fatal"}), 5000);

        m_now = m_now.addDays(98);
        QTest::qWait(1300);
        QCOMPARE(names(), QStringList({"fatal"}));
        QVERIFY(q->timerActive());
        m_now = m_now.addDays(2);
        QTRY_VERIFY_WITH_TIMEOUT(q->messages().items().isEmpty(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!q->timerActive(), 5000);
    }

    // Held until released: a timed line of its text becomes it, one shown later is it.
    void heldMessageStaysUntilReleased()
    {
        q->show(CAT_ERR, QStringLiteral("owed"), {}, {});
        const QUuid held = QUuid::createUuid();
        q->holdMessage(held, QStringLiteral("owed"), CAT_ERR);
        QCOMPARE(q->show(CAT_ERR, QStringLiteral("owed"), {}, {}), held);
        m_now = m_now.addSecs(11);
        q->checkMessageList(); // what the timer does: the other case shows it runs
        QCOMPARE(names(), QStringList({"owed"}));
        QVERIFY(q->releaseMessage(held));
        QVERIFY(names().isEmpty() && !q->releaseMessage(held));
    }

    void progressFractionsAndIncrements()
    {
        const QUuid x = q->showProgress(QStringLiteral("x"), 10, 0, 1, 20);
        QCOMPARE(q->progresses().items().first().item->value().toDouble(), 1.0);
        QCOMPARE(q->progresses().items().first().min, 0);
        QCOMPARE(q->progresses().items().first().max, 10);
        const QUuid y = q->showProgress(QStringLiteral("y"), 5, 5, 1, 0);
        QCOMPARE(q->progresses().items().first().id, y);
        QCOMPARE(q->progresses().items().first().item->value().toDouble(), 0.0);
        QCOMPARE(q->progresses().items().first().item->icon(), QStringLiteral("qrc:/icons/hourglass-empty.svg"));

        const QUuid z = q->showProgress(QStringLiteral("z"), 0, 10, 1, 9);
        QVERIFY(!q->incrementProgress(z)); // 10 is not below 10
        QCOMPARE(q->progresses().items().first().item->value().toDouble(), 1.0);

        // Incrementing an older entry brings it to the front.
        QVERIFY(q->incrementProgress(y) == false);
        QCOMPARE(q->progresses().items().first().id, y);
        QVERIFY(!q->incrementProgress(QUuid::createUuid()));
        QVERIFY(q->hideProgress(x));
        QVERIFY(!q->hideProgress(x));
        QCOMPARE(q->progresses().items().size(), 2);
    }

    // The same text again moves the shown fraction; the record follows, so the next
    // increment continues from there instead of jumping back.
    void progressShownAgainUpdatesItsRecord()
    {
        const QUuid id = q->showProgress(QStringLiteral("copy"), 0, 10, 1, 2);
        QSignalSpy changed(q.get(), &DialogQueue::progressListChanged);
        QCOMPARE(q->showProgress(QStringLiteral("copy"), 0, 10, 1, 6), id);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(q->progresses().items().size(), 1);
        QVERIFY(q->incrementProgress(id));
        QCOMPARE(q->progresses().items().first().value, 7);
        QCOMPARE(q->progresses().items().first().item->value().toDouble(), 0.7);
        // Same fraction again: nothing to tell.
        QCOMPARE(q->showProgress(QStringLiteral("copy"), 0, 10, 1, 7), id);
        QCOMPARE(changed.size(), 2);
    }

    void equalQuestionsMergeAndComeToTheFront()
    {
        const QUuid first = q->showQuestion(QStringLiteral("Delete?"));
        const QDateTime stamp = q->questions().items().first().item->timestamp();
        const QUuid other = q->showQuestion(QStringLiteral("Export?"), QStringLiteral("Yes"));
        QCOMPARE(q->questionButtonText(other, 0), QStringLiteral("Cancel"));
        QCOMPARE(q->questionButtonText(first, 1), QStringLiteral("OK"));
        QCOMPARE(q->questionButtonText(other, 1), QStringLiteral("Yes"));
        QCOMPARE(q->questionButtonText(other, 2), QString());
        QCOMPARE(q->questionButtonText(QUuid::createUuid(), 1), QString());
        QCOMPARE(q->questions().items().first().item->icon(), QStringLiteral("qrc:/icons/question.svg"));

        QTest::qWait(5);
        QSignalSpy changed(q.get(), &DialogQueue::questionListChanged);
        QCOMPARE(q->showQuestion(QStringLiteral("Delete?")), first);
        QCOMPARE(q->questions().items().size(), 2);
        QCOMPARE(changed.size(), 1);
        QVERIFY(q->questions().items().last().item->timestamp() > stamp);
    }

    void answeringAQuestionReportsResultAndCloseType_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("closeType");
        QTest::newRow("accepted") << 1 << int(IGUI::Accepted);
        QTest::newRow("rejected") << 0 << int(IGUI::Rejected);
        QTest::newRow("other") << 7 << int(IGUI::OtherResult);
    }
    void answeringAQuestionReportsResultAndCloseType()
    {
        QFETCH(int, result);
        QFETCH(int, closeType);
        const QUuid id = q->showQuestion(QStringLiteral("Go?"));
        QList<QString> order;
        connect(q.get(), &DialogQueue::questionListChanged, this, [&]() { order << QStringLiteral("list"); });
        connect(q.get(), &DialogQueue::questionAnswered, this, [&](QUuid answered, int r) {
            QCOMPARE(answered, id);
            order << QStringLiteral("answered %1").arg(r);
        });
        connect(q.get(), &DialogQueue::questionAnsweredCloseType, this, [&](QUuid answered, IGUI::CloseType t) {
            QCOMPARE(answered, id);
            order << QStringLiteral("closed %1").arg(int(t));
        });
        QVERIFY(q->hideQuestion(id, result));
        QCOMPARE(order, QStringList({QStringLiteral("list"), QStringLiteral("answered %1").arg(result),
                                     QStringLiteral("closed %1").arg(closeType)}));
        QVERIFY(!q->hideQuestion(id, result));
        QVERIFY(q->questions().items().isEmpty());
    }

    void answeringByTextReportsTheQuestionsId()
    {
        const QUuid id = q->showQuestion(QStringLiteral("Go?"));
        q->showQuestion(QStringLiteral("Other?"));
        QSignalSpy answered(q.get(), &DialogQueue::questionAnswered);
        QSignalSpy closed(q.get(), &DialogQueue::questionAnsweredCloseType);
        QVERIFY(q->hideQuestion(QStringLiteral("Go?"), 1));
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.first().at(0).toUuid(), id);
        QCOMPARE(closed.first().at(0).toUuid(), id);
        QCOMPARE(q->questions().items().size(), 1);
    }

    void waitMessagesAndTheSpecialCategories()
    {
        QSignalSpy waits(q.get(), &DialogQueue::waitListChanged);
        const QUuid id = q->showMessageOfCategory(QStringLiteral("Deleting"), CAT_PERSISTENT);
        QCOMPARE(q->showWaitMessage(QStringLiteral("Deleting")), id);
        QCOMPARE(q->waits().items().size(), 1);
        QCOMPARE(waits.size(), 1);
        QCOMPARE(q->waits().items().first()->value().toUuid(), id);
        QVERIFY(q->messages().items().isEmpty());

        const QUuid question = q->showMessageOfCategory(QStringLiteral("Stick?"), CAT_SKPOUT);
        QCOMPARE(q->questionButtonText(question, 1), QStringLiteral("OK"));
        QCOMPARE(q->questionButtonText(question, 0), QStringLiteral("Cancel"));

        // A button turns a message into a question with the category's icon.
        const QUuid info = q->show(CAT_INF, QStringLiteral("Note"), QStringLiteral("OK"), {});
        QCOMPARE(q->questions().items().first().id, info);
        QCOMPARE(q->questions().items().first().item->icon(), QStringLiteral("qrc:/icons/info.svg"));
        QCOMPARE(q->questionButtonText(info, 0), QString());

        QVERIFY(q->hideWaitMessage(QStringLiteral("Deleting")));
        QVERIFY(!q->hideWaitMessage(id));
        QVERIFY(q->waits().items().isEmpty());
    }

    // QML re-reads a list on its change signal and may still hold the item it showed: a
    // removed item lives until the change is announced and goes with the next deferred
    // delete.
    void removedItemsOutliveTheirAnnouncement_data()
    {
        QTest::addColumn<QString>("list");
        for (const char* list : {"question", "wait", "expired message"})
            QTest::newRow(list) << QString::fromLatin1(list);
    }
    void removedItemsOutliveTheirAnnouncement()
    {
        QFETCH(QString, list);
        QPointer<QObject> item;
        int announced = 0;
        bool aliveWhenAnnounced = false;
        const auto watch = [&] { ++announced, aliveWhenAnnounced = !item.isNull(); };
        if (list == QLatin1String("question")) {
            const QUuid id = q->showQuestion(QStringLiteral("Delete?"));
            item = q->questions().items().first().item;
            connect(q.get(), &DialogQueue::questionListChanged, this, watch);
            QVERIFY(q->hideQuestion(id, 1));
        } else if (list == QLatin1String("wait")) {
            const QUuid id = q->showWaitMessage(QStringLiteral("Working"));
            item = q->waits().items().first();
            connect(q.get(), &DialogQueue::waitListChanged, this, watch);
            QVERIFY(q->hideWaitMessage(id));
        } else {
            q->show(CAT_INF, QStringLiteral("Saved"), {}, {});
            item = q->messages().items().first().item;
            connect(q.get(), &DialogQueue::messageListChanged, this, watch);
            m_now = m_now.addSecs(6);
            q->checkMessageList();
        }
        QCOMPARE(announced, 1);
        QVERIFY(aliveWhenAnnounced);
        QVERIFY(item);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(item.isNull());
    }
};

// No screen: the lists need none, and Qt's offscreen plugin never frees its own.
QTEST_GUILESS_MAIN(TstDialogQueue)
#include "tst_dialogqueue.moc"
