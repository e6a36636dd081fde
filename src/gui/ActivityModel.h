#pragma once

#include "uiapi/ActivityTypes.h"

#include <QAbstractListModel>
#include <QList>

// The flat list behind the history of stored tests: folder rows (a test day and cable
// number) each followed by the rows of their tests, in the order the record store
// delivered them. QML reads the rows through named roles; the history writes the
// selection, visibility, comment, cable number and classification.
class ActivityModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum eEntryRole : int {
        EntryPathRole = Qt::UserRole + 1,
        EntryModeIdRole,
        EntryModeRole,
        EntryClassificationRole,
        EntryTypeRole,
        EntryPhaseRole,
        EntryDateRole,
        EntryTimeRole,
        EntryVoltageRole,
        EntryCommentRole,
        EntryCableNumberRole,
        EntryIsSelectedRole,
        EntryIsVisibleRole,
    };
    Q_ENUM(eEntryRole)

    explicit ActivityModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

    // A copy of the row; the row must be inside the list.
    ActivityTypes::stActivityEntry row(const QModelIndex& index) const;
    // Replaces every row in one reset; the caller's list comes back with the old rows.
    void addActivityEntries(ActivityTypes::ActivityEntryList& entries);

public slots:
    // The model then holds this one row only.
    virtual void addActivityEntry(const ActivityTypes::stActivityEntry& entry);
    virtual void removeAllActivities();
    // Also drops the row's cable number from the stored list; the next rebuild adds back
    // the numbers still in use.
    virtual void removeActivity(int row);

private:
    bool isInside(const QModelIndex& index) const;

    ActivityTypes::ActivityEntryList m_entries;
};
