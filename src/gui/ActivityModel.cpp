#include "gui/ActivityModel.h"

#include "core/GlobalFuncs.h"
#include "db/DB.h"

namespace {
template <typename T>
bool assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}
} // namespace

ActivityModel::ActivityModel(QObject* parent) : QAbstractListModel(parent) {}

bool ActivityModel::isInside(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.row() < m_entries.size();
}

int ActivityModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_entries.size(); }

QVariant ActivityModel::data(const QModelIndex& index, int role) const
{
    if (!isInside(index))
        return QVariant();
    const ActivityTypes::stActivityEntry& e = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return e.name;
    case EntryPathRole:
        return e.path;
    case EntryModeIdRole:
        return e.modeId;
    case EntryModeRole:
        return e.mode;
    case EntryClassificationRole:
        return e.classification;
    case EntryTypeRole:
        return e.type;
    case EntryPhaseRole:
        return e.phase;
    case EntryDateRole:
        return e.date;
    case EntryTimeRole:
        return e.time;
    case EntryVoltageRole:
        return e.voltage;
    case EntryCommentRole:
        return e.comment;
    case EntryCableNumberRole:
        return e.cableNumber;
    case EntryIsSelectedRole:
        return e.isSelected;
    case EntryIsVisibleRole:
        return e.isVisible;
    default:
        return QVariant();
    }
}

bool ActivityModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || !index.model() || index.row() >= m_entries.size())
        return false;
    ActivityTypes::stActivityEntry& e = m_entries[index.row()];
    bool changed = false;
    switch (role) {
    case Qt::CheckStateRole:
    case EntryIsSelectedRole:
        changed = assign(e.isSelected, value.toInt());
        break;
    case EntryIsVisibleRole:
        changed = assign(e.isVisible, value.toBool());
        break;
    case EntryCommentRole:
        changed = assign(e.comment, value.toString());
        break;
    case EntryCableNumberRole:
        changed = assign(e.cableNumber, value.toString());
        break;
    case EntryClassificationRole:
        changed = assign(e.classification, value.toString());
        break;
    default:
        break;
    }
    if (changed)
        emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags ActivityModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractListModel::flags(index);
    if (index.isValid())
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QHash<int, QByteArray> ActivityModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(EntryPathRole, "path");
    names.insert(EntryModeIdRole, "modeId");
    names.insert(EntryModeRole, "mode");
    names.insert(EntryClassificationRole, "classification");
    names.insert(EntryTypeRole, "type");
    names.insert(EntryPhaseRole, "phase");
    names.insert(EntryDateRole, "date");
    names.insert(EntryTimeRole, "time");
    names.insert(EntryVoltageRole, "voltage");
    names.insert(EntryCommentRole, "comment");
    names.insert(EntryCableNumberRole, "cableNumber");
    names.insert(EntryIsSelectedRole, "isSelected");
    names.insert(EntryIsVisibleRole, "isVisible");
    return names;
}

ActivityTypes::stActivityEntry ActivityModel::row(const QModelIndex& index) const
{
    return isInside(index) ? m_entries.at(index.row()) : ActivityTypes::stActivityEntry();
}

void ActivityModel::addActivityEntries(ActivityTypes::ActivityEntryList& entries)
{
    beginResetModel();
    m_entries.swap(entries);
    endResetModel();
}

void ActivityModel::addActivityEntry(const ActivityTypes::stActivityEntry& entry)
{
    ActivityTypes::ActivityEntryList list{entry};
    addActivityEntries(list);
}

void ActivityModel::removeAllActivities()
{
    ActivityTypes::ActivityEntryList list;
    addActivityEntries(list);
}

void ActivityModel::removeActivity(int row)
{
    if (row < 0 || row >= m_entries.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    // The database ignores an empty number, so a row without one clears nothing.
    if (DB* db = GlobalFuncs::getDB())
        db->deleteCableNumber(m_entries.at(row).cableNumber);
    m_entries.removeAt(row);
    endRemoveRows();
}
