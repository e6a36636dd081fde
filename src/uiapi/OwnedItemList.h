#pragma once

#include <QList>
#include <QObject>
#include <QQmlEngine>
#include <QQmlListProperty>
#include <QSet>

#include <functional>
#include <type_traits>

// A list of items that a view model owns and hands to QML as a list property; an entry is
// the item itself or a record that carries it as `item`.
// QML may still hold an item while it re-reads the list, so a removed or replaced item is
// announced first and deleted later (deleteLater), never at once. Lists that change row
// by row for a view stay QAbstractListModels.
template <typename T, typename Entry = T*>
class OwnedItemList {
public:
    OwnedItemList() = default;
    ~OwnedItemList()
    {
        QSet<T*> owned = m_retired;
        owned.unite(itemSet());
        qDeleteAll(owned);
    }
    OwnedItemList(const OwnedItemList&) = delete;
    OwnedItemList& operator=(const OwnedItemList&) = delete;

    // Read-only for QML.
    QQmlListProperty<T> property(QObject* owner) const
    {
        return QQmlListProperty<T>(owner, const_cast<OwnedItemList*>(this), &countOf, &itemAt);
    }
    // QML may also append, replace, remove the last and clear; notify announces each such
    // change. An item QML appends becomes the list's; one it takes out lives on until the
    // next deferred replacement or the list's end, as QML may still hold it.
    QQmlListProperty<T> property(QObject* owner, std::function<void()> notify)
    {
        m_notify = std::move(notify);
        return QQmlListProperty<T>(owner, this, &appendTo, &countOf, &itemAt, &clearOf, &replaceIn, &removeLastOf);
    }

    static T* itemOf(const Entry& entry)
    {
        if constexpr (std::is_same<Entry, T*>::value)
            return entry;
        else
            return entry.item;
    }
    const QList<Entry>& items() const { return m_items; }
    int size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    Entry at(int index) const { return m_items.value(index); }
    // The record at a valid index, to change what it holds besides its item.
    Entry& operator[](int index) { return m_items[index]; }
    template <typename Pred>
    int indexWhere(Pred pred) const
    {
        for (int i = 0; i < m_items.size(); ++i)
            if (pred(m_items.at(i)))
                return i;
        return -1;
    }

    // Taking items over; the caller announces the change.
    void insert(int index, const Entry& entry) { m_items.insert(index, entry); }
    void append(const Entry& entry) { m_items.append(entry); }
    void prepend(const Entry& entry) { m_items.prepend(entry); }
    void move(int from, int to) { m_items.move(from, to); }

    // Takes the new items over, announces the change once, then lets the old ones go.
    template <typename Notify>
    void replace(const QList<Entry>& items, Notify notify)
    {
        const QList<Entry> old = m_items;
        m_items = items;
        notify();
        // A set: a log list holds a hundred thousand items.
        const QSet<T*> kept = itemSet();
        for (const Entry& entry : old)
            if (!kept.contains(itemOf(entry)))
                letGo(itemOf(entry));
    }

    // Removes one entry, announces the change, then lets its item go.
    template <typename Notify>
    bool removeAt(int index, Notify notify)
    {
        if (index < 0 || index >= m_items.size())
            return false;
        T* item = itemOf(m_items.takeAt(index));
        notify();
        letGo(item);
        return true;
    }

    // Removes every entry pred holds for and announces that once, when any went.
    template <typename Pred, typename Notify>
    void removeIf(Pred pred, Notify notify)
    {
        QList<T*> removed;
        for (int i = 0; i < m_items.size();) {
            if (pred(m_items.at(i)))
                removed << itemOf(m_items.takeAt(i));
            else
                ++i;
        }
        if (removed.isEmpty())
            return;
        notify();
        for (T* item : qAsConst(removed))
            letGo(item);
    }

    // Takes the new items over unannounced, for a list QML copies once without a change
    // signal: a page may still show the items replaced, so they go one replacement later.
    void replaceLater(const QList<Entry>& items)
    {
        const QList<Entry> old = m_items;
        m_items = items;
        const QSet<T*> kept = itemSet();
        for (T* item : qAsConst(m_retired))
            if (!kept.contains(item))
                item->deleteLater();
        m_retired.clear();
        for (const Entry& entry : old)
            retire(itemOf(entry));
    }

private:
    QSet<T*> itemSet() const
    {
        QSet<T*> items;
        for (const Entry& entry : m_items)
            items.insert(itemOf(entry));
        return items;
    }
    void letGo(T* item)
    {
        m_retired.remove(item);
        item->deleteLater();
    }
    // Out of the list, maybe still held by QML: kept until the list lets go of it.
    void retire(T* item)
    {
        if (indexWhere([item](const Entry& entry) { return itemOf(entry) == item; }) < 0)
            m_retired.insert(item);
    }
    // QML hands an item over: from now on it is ours, not the engine's to collect.
    T* adopt(T* item)
    {
        m_retired.remove(item);
        QQmlEngine::setObjectOwnership(item, QQmlEngine::CppOwnership);
        return item;
    }

    static OwnedItemList* self(QQmlListProperty<T>* list) { return static_cast<OwnedItemList*>(list->data); }
    static int countOf(QQmlListProperty<T>* list) { return self(list)->size(); }
    static T* itemAt(QQmlListProperty<T>* list, int index) { return itemOf(self(list)->at(index)); }
    static void appendTo(QQmlListProperty<T>* list, T* item)
    {
        if (item)
            self(list)->m_items.append(self(list)->adopt(item));
        self(list)->m_notify();
    }
    static void replaceIn(QQmlListProperty<T>* list, int index, T* item)
    {
        OwnedItemList* l = self(list);
        if (!item || index < 0 || index >= l->size())
            return;
        T* old = l->m_items.at(index);
        l->m_items[index] = l->adopt(item);
        l->retire(old);
        l->m_notify();
    }
    static void removeLastOf(QQmlListProperty<T>* list)
    {
        OwnedItemList* l = self(list);
        if (!l->isEmpty())
            l->retire(l->m_items.takeLast());
        l->m_notify();
    }
    static void clearOf(QQmlListProperty<T>* list)
    {
        OwnedItemList* l = self(list);
        const QList<T*> old = l->m_items;
        l->m_items.clear();
        for (T* item : old)
            l->retire(item);
        l->m_notify();
    }

    QList<Entry> m_items;
    QSet<T*> m_retired;
    std::function<void()> m_notify;
};
