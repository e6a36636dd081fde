#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <functional>

// The table of a tan delta or MWT test: one row per accepted per-period record with its
// number, voltage and tan delta. Without columns (every other mode) it is invisible.
class MeasurementTable : public QAbstractTableModel {
    Q_OBJECT
    Q_PROPERTY(bool isVisible READ isVisible CONSTANT)
    Q_PROPERTY(QStringList headers READ headers CONSTANT)
public:
    enum ColumnType : int {
        IndexColumn = 0,
        VoltageColumn = 1,
        TanDeltaColumn = 2,
    };
    Q_ENUM(ColumnType)

    using RowFunction = std::function<QList<QVariant>(const stPeriodicMeasurementValues*)>;

    explicit MeasurementTable(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    bool isVisible() const { return columnCount() > 0; }
    QStringList headers() const;
    Q_INVOKABLE double getColumnWeigth(int column) const;
    Q_INVOKABLE QString getUnitForColumn(int column) const;

    void setColumns(const QList<ColumnType>& columns);
    void setUpdateFunction(RowFunction function);
    void updatePeriodicMeasurementValues(const stPeriodicMeasurementValues* record);
    void reset();

    QVariant formatValue(ColumnType type, const QVariant& value) const;
    static QString getHeaderStringForType(ColumnType type);
    static QString getUnitForType(ColumnType type);
    static double getColumnWeightForType(ColumnType type);

public slots:
    // The data model's tan delta decimals; the column shows units of 1e-3.
    void setTanDeltaPrecision(int precision);
    void setVoltagePrecision(int precision);

private:
    void refreshColumns(ColumnType type);

    QList<ColumnType> m_columns;
    QList<QList<QVariant>> m_rows;
    int m_tanDeltaDecimals = 2;
    int m_voltageDecimals = 1;
    RowFunction m_rowFunction;
};
