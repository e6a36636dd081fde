#include "uiapi/OwnedItemList.h"

#include <QPointer>
#include <QQmlListReference>
#include <QtTest>

namespace {
struct Record {
    QObject* item = nullptr;
    int tag = 0;
};

void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

QList<QPointer<QObject>> watched(const QList<QObject*>& items) { return {items.cbegin(), items.cend()}; }

int alive(const QList<QPointer<QObject>>& items)
{
    return int(std::count_if(items.cbegin(), items.cend(), [](const QPointer<QObject>& p) { return !p.isNull(); }));
}
} // namespace

// What QML edits goes through Qt's own list reference, as from a page.
class ListOwner : public QObject {
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<QObject> items READ items NOTIFY itemsChanged)
public:
    QQmlListProperty<QObject> items() { return list.property(this, [this] { emit itemsChanged(); }); }
    OwnedItemList<QObject> list;
signals:
    void itemsChanged();
};

// The list of items a view model hands to QML: an item taken out lives until QML has been
// told and the event loop has passed, and the list deletes what it still holds.
class TstOwnedItemList : public QObject {
    Q_OBJECT
private slots:
    void removedItemsGoOnlyAfterTheirAnnouncement_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"replace", "removeAt", "removeIf"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }
    void removedItemsGoOnlyAfterTheirAnnouncement()
    {
        QFETCH(QString, how);
        auto* list = new OwnedItemList<QObject>;
        const QList<QObject*> items{new QObject, new QObject, new QObject};
        for (QObject* item : items)
            list->append(item);
        const auto tracked = watched(items);
        int announced = 0;
        int aliveWhenAnnounced = 0;
        const auto notify = [&] { ++announced, aliveWhenAnnounced = alive(tracked); };
        if (how == QLatin1String("replace"))
            list->replace({items.at(2), items.at(0)}, notify);
        else if (how == QLatin1String("removeAt"))
            QVERIFY(list->removeAt(1, notify) && !list->removeAt(2, notify) && !list->removeAt(-1, notify));
        else
            list->removeIf([&](QObject* item) { return item == items.at(1); }, notify);
        QCOMPARE(announced, 1);
        QCOMPARE(aliveWhenAnnounced, 3);
        QCOMPARE(list->size(), 2);
        QVERIFY(list->indexWhere([&](QObject* item) { return item == items.at(1); }) < 0);
        QCOMPARE(alive(tracked), 3); // until the event loop has passed
        runDeferredDeletes();
        QCOMPARE(alive(tracked), 2);
        QVERIFY(tracked.at(1).isNull());
        delete list;
        QCOMPARE(alive(tracked), 0);
    }

    void recordsShowTheirItems()
    {
        OwnedItemList<QObject, Record> list;
        auto* first = new QObject;
        auto* second = new QObject;
        list.append({first, 7});
        list.prepend({second, 8});
        list.move(1, 0);
        list[1].tag = 9;
        QObject owner;
        QQmlListProperty<QObject> property = list.property(&owner);
        QCOMPARE(property.count(&property), 2);
        QCOMPARE(property.at(&property, 0), first);
        QCOMPARE(property.at(&property, 1), second);
        QCOMPARE(property.at(&property, 2), nullptr);
        QCOMPARE(list.at(1).tag, 9);
        QPointer<QObject> gone = first;
        int announced = 0;
        list.removeIf([](const Record& r) { return r.tag == 7; }, [&] { ++announced; });
        list.removeIf([](const Record& r) { return r.tag == 7; }, [&] { ++announced; });
        QCOMPARE(announced, 1);
        QVERIFY(gone);
        runDeferredDeletes();
        QVERIFY(gone.isNull());
    }

    // A page that copied the rows without a change signal may still show them.
    void replacedLaterGoOneReplacementLater()
    {
        OwnedItemList<QObject> list;
        const QList<QObject*> first{new QObject, new QObject};
        const auto tracked = watched(first);
        list.replaceLater(first);
        list.replaceLater({new QObject});
        runDeferredDeletes();
        QCOMPARE(alive(tracked), 2);
        list.replaceLater({});
        QCOMPARE(alive(tracked), 2);
        runDeferredDeletes();
        QCOMPARE(alive(tracked), 0);
    }

    void qmlEditsTheListAndNothingItHoldsIsDeletedUnderIt()
    {
        auto* owner = new ListOwner;
        QSignalSpy changed(owner, &ListOwner::itemsChanged);
        QQmlEngine engine;
        QQmlListReference ref(owner, "items", &engine);
        QVERIFY(ref.canAppend() && ref.canClear() && ref.canReplace() && ref.canRemoveLast());
        const QList<QObject*> made{new QObject, new QObject, new QObject};
        const auto tracked = watched(made);
        QQmlEngine::setObjectOwnership(made.at(0), QQmlEngine::JavaScriptOwnership);
        QVERIFY(ref.append(made.at(0)) && ref.append(made.at(1)));
        QCOMPARE(QQmlEngine::objectOwnership(made.at(0)), QQmlEngine::CppOwnership);
        QVERIFY(ref.replace(0, made.at(2)));
        QCOMPARE(ref.at(0), made.at(2));
        QVERIFY(ref.removeLast());
        QCOMPARE(ref.count(), 1);
        // Taken out and put back: the list holds it once more.
        QVERIFY(ref.append(made.at(1)));
        QVERIFY(ref.clear());
        QCOMPARE(ref.count(), 0);
        QCOMPARE(changed.size(), 6);
        runDeferredDeletes();
        QCOMPARE(alive(tracked), 3);
        // The next deferred replacement lets go of what QML took out.
        owner->list.replaceLater({made.at(2)});
        QCOMPARE(alive(tracked), 3);
        runDeferredDeletes();
        QCOMPARE(alive(tracked), 1);
        QVERIFY(tracked.at(2));
        delete owner;
        QCOMPARE(alive(tracked), 0);
    }
};

QTEST_MAIN(TstOwnedItemList)
#include "tst_owneditemlist.moc"
