#pragma once

#include <QList>
#include <QObject>
#include <QQmlListProperty>
#include <QSet>

// A list of items that a view model owns and hands to QML as a read-only list property.
// QML may still hold an item while it re-reads the list, so a removed or replaced item is
// announced first and deleted later (deleteLater), never at once. Lists that change row
// by row for a view stay QAbstractListModels.
template <typename T>
class OwnedItemList {
public:
    OwnedItemList() = default;
    ~OwnedItemList() { qDeleteAll(m_items); }
    OwnedItemList(const OwnedItemList&) = delete;
    OwnedItemList& operator=(const OwnedItemList&) = delete;

    QQmlListProperty<T> property(QObject* owner) const
    {
        return QQmlListProperty<T>(owner, const_cast<QList<T*>*>(&m_items), &countOf, &itemAt);
    }

    const QList<T*>& items() const { return m_items; }
    int size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    T* at(int index) const { return m_items.value(index, nullptr); }
    int indexOf(const T* item) const { return m_items.indexOf(const_cast<T*>(item)); }

    // Taking items over; the caller announces the change.
    void insert(int index, T* item) { m_items.insert(index, item); }
    void append(T* item) { m_items.append(item); }
    void prepend(T* item) { m_items.prepend(item); }

    // Takes the new items over, announces the change once, then lets the old ones go.
    template <typename Notify>
    void replace(const QList<T*>& items, Notify notify)
    {
        const QList<T*> old = m_items;
        m_items = items;
        notify();
        // A set: a log list holds a hundred thousand items.
        const QSet<T*> kept(m_items.cbegin(), m_items.cend());
        for (T* item : old)
            if (!kept.contains(item))
                item->deleteLater();
    }

    // Removes one item, announces the change, then lets the item go.
    template <typename Notify>
    bool removeAt(int index, Notify notify)
    {
        if (index < 0 || index >= m_items.size())
            return false;
        T* item = m_items.takeAt(index);
        notify();
        item->deleteLater();
        return true;
    }

private:
    static int countOf(QQmlListProperty<T>* list) { return static_cast<const QList<T*>*>(list->data)->size(); }
    static T* itemAt(QQmlListProperty<T>* list, int index)
    {
        return static_cast<const QList<T*>*>(list->data)->value(index, nullptr);
    }

    QList<T*> m_items;
};
