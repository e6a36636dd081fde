#include "gui/MeasurementTable.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

#include <QCoreApplication>

namespace {
constexpr int kMaxDecimals = 10;

// Negative decimals would make arg() print six and toFixed() throw.
int boundedDecimals(int decimals) { return qBound(0, decimals, kMaxDecimals); }
} // namespace

MeasurementTable::MeasurementTable(QObject* parent) : QAbstractTableModel(parent)
{
    if (DataModell* dm = GlobalFuncs::getDM()) {
        setTanDeltaPrecision(dm->getTanDeltaPrecision());
        connect(dm, &DataModell::tanDeltaPrecisionChanged, this, &MeasurementTable::setTanDeltaPrecision);
    }
}

int MeasurementTable::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows.size(); }
int MeasurementTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns.size(); }

QVariant MeasurementTable::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size()
        || index.column() >= m_columns.size())
        return QVariant();
    const QList<QVariant>& row = m_rows.at(index.row());
    if (index.column() >= row.size())
        return QVariant();
    return formatValue(m_columns.at(index.column()), row.at(index.column()));
}

QHash<int, QByteArray> MeasurementTable::roleNames() const { return {{Qt::DisplayRole, "value"}}; }

QStringList MeasurementTable::headers() const
{
    QStringList out;
    for (ColumnType type : m_columns)
        out << getHeaderStringForType(type);
    return out;
}

double MeasurementTable::getColumnWeigth(int column) const
{
    if (column < 0 || column >= m_columns.size())
        return 0.0;
    double sum = 0;
    for (ColumnType type : m_columns)
        sum += getColumnWeightForType(type);
    return getColumnWeightForType(m_columns.at(column)) / sum;
}

QString MeasurementTable::getUnitForColumn(int column) const
{
    if (column < 0 || column >= m_columns.size())
        return QString();
    return getUnitForType(m_columns.at(column));
}

void MeasurementTable::setColumns(const QList<ColumnType>& columns) { m_columns = columns; }
void MeasurementTable::setUpdateFunction(RowFunction function) { m_rowFunction = std::move(function); }

void MeasurementTable::updatePeriodicMeasurementValues(const stPeriodicMeasurementValues* record)
{
    if (!record || !m_rowFunction || record->tanDelta == TanDeltaNone)
        return;
    QList<QVariant> values = m_rowFunction(record);
    const int index = m_columns.indexOf(IndexColumn);
    if (index >= 0) {
        const QVariant number(rowCount() + 1);
        if (values.size() > index)
            values.insert(index, number);
        else
            values.append(number);
    }
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_rows.append(values);
    endInsertRows();
}

void MeasurementTable::reset()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QVariant MeasurementTable::formatValue(ColumnType type, const QVariant& value) const
{
    switch (type) {
    case VoltageColumn:
        return QStringLiteral("%L1").arg(value.toDouble(), 0, 'f', m_voltageDecimals);
    case TanDeltaColumn:
        return QStringLiteral("%L1").arg(value.toDouble(), 0, 'f', m_tanDeltaDecimals);
    default:
        return value;
    }
}

QString MeasurementTable::getHeaderStringForType(ColumnType type)
{
    switch (type) {
    case VoltageColumn:
        return QCoreApplication::translate("TestParameters", "VoltageRMS");
    case TanDeltaColumn:
        return QCoreApplication::translate("TestParameters", "TanDeltaE-3");
    default:
        return QStringLiteral("#");
    }
}

QString MeasurementTable::getUnitForType(ColumnType type)
{
    if (type == VoltageColumn)
        return QCoreApplication::translate("Units", "kV", "unit kilo volt");
    return QString();
}

double MeasurementTable::getColumnWeightForType(ColumnType type) { return type == IndexColumn ? 0.5 : 1.0; }

void MeasurementTable::setTanDeltaPrecision(int precision)
{
    const int decimals = boundedDecimals(precision - 3);
    if (decimals == m_tanDeltaDecimals)
        return;
    m_tanDeltaDecimals = decimals;
    refreshColumns(TanDeltaColumn);
}

void MeasurementTable::setVoltagePrecision(int precision)
{
    const int decimals = boundedDecimals(precision);
    if (decimals == m_voltageDecimals)
        return;
    m_voltageDecimals = decimals;
    refreshColumns(VoltageColumn);
}

void MeasurementTable::refreshColumns(ColumnType type)
{
    if (m_rows.isEmpty())
        return;
    for (int column = 0; column < m_columns.size(); ++column) {
        if (m_columns.at(column) == type)
            emit dataChanged(index(0, column), index(m_rows.size() - 1, column), {Qt::DisplayRole});
    }
}
