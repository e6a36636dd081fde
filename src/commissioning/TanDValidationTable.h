#pragma once

#include "commissioning/CommissioningValues.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <memory>

// The validation steps of a tan delta calibration as three columns (voltage, tan delta,
// sigma): the first validation's steps, then the second's.
class TanDValidationTable : public QAbstractTableModel {
    Q_OBJECT
    Q_PROPERTY(QStringList headers READ headers CONSTANT)
public:
    enum Roles { SuccessRole = 257 };

    explicit TanDValidationTable(QObject* parent = nullptr);
    ~TanDValidationTable() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE double getColumnWeight(int column) const;
    QStringList headers() const;

public slots:
    // The first validation fills the first entry, any later stage the second; views are
    // told by a reset.
    void result(Commissioning::TanDStepStestResult const& result);

private:
    struct Data;
    std::unique_ptr<Data, std::function<void(Data*)>> m;
};
