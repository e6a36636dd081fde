#include "commissioning/TanDValidationTable.h"

#include "core/Pimpl.h"

#include <utility>
#include <vector>

struct TanDValidationTable::Data {
    std::vector<std::pair<Commissioning::TanDCalibrationStage, QList<Commissioning::ValidationResult>>> entries {
        { Commissioning::TanDCalibrationSecondStepTest, {} },
        { Commissioning::TanDCalibrationThirdStepTest, {} },
    };

    const Commissioning::ValidationResult* step(int row) const
    {
        for (const auto& entry : entries) {
            if (row < entry.second.size())
                return &entry.second.at(row);
            row -= entry.second.size();
        }
        return nullptr;
    }
};

TanDValidationTable::TanDValidationTable(QObject* parent) : QAbstractTableModel(parent), m(Pimpl::create<Data>()) {}

TanDValidationTable::~TanDValidationTable() = default;

int TanDValidationTable::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    int rows = 0;
    for (const auto& entry : m->entries)
        rows += entry.second.size();
    return rows;
}

int TanDValidationTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant TanDValidationTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.parent().isValid() || index.row() >= rowCount())
        return QVariant();
    const Commissioning::ValidationResult* step = m->step(index.row());
    if (!step)
        return QVariant();
    if (role == SuccessRole)
        return step->good;
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case 0: return QStringLiteral("%1 kV").arg(step->voltage / 1000000.0, 0, 'f', 1);
    case 1: return QStringLiteral("%1 10^-3").arg(step->tanDelta / 1000.0, 0, 'f', 2);
    case 2: return QStringLiteral("%1 10^-3").arg(step->sigma / 1000.0, 0, 'f', 3);
    default: return QVariant();
    }
}

QHash<int, QByteArray> TanDValidationTable::roleNames() const
{
    return { { Qt::DisplayRole, "value" }, { SuccessRole, "success" } };
}

double TanDValidationTable::getColumnWeight(int) const { return 1.0 / columnCount(); }

QStringList TanDValidationTable::headers() const
{
    return { QStringLiteral("Spannung"), QStringLiteral("TanD"), QStringLiteral("σ") };
}

void TanDValidationTable::result(Commissioning::TanDStepStestResult const& result)
{
    auto& entry = m->entries[result.stage == Commissioning::TanDCalibrationFirstStepTest ? 0 : 1];
    beginResetModel();
    entry.first = result.stage;
    entry.second = result.steps;
    endResetModel();
}
