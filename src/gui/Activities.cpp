#include "gui/Activities.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "testrun/TTestChart.h"

#include <QQmlEngine>
#include <QSet>

#include <algorithm>

using ActivityTypes::stActivityEntry;

namespace {
QString folderKey(const stActivityEntry& e) { return e.cableNumber + QLatin1Char('|') + e.date; }
} // namespace

Activities::Activities(QObject* parent) : QObject(parent), m_model(std::make_unique<ActivityModel>())
{
    QQmlEngine::setObjectOwnership(m_model.get(), QQmlEngine::CppOwnership);
    m_selectionTimer.setInterval(SelectionDelayMs);
    m_selectionTimer.setSingleShot(true);
    // A folder click or "select all" changes many rows; they are counted once.
    connect(m_model.get(), &ActivityModel::dataChanged, &m_selectionTimer, qOverload<>(&QTimer::start));
    connect(&m_selectionTimer, &QTimer::timeout, this, &Activities::updatePartialChecked);
    connect(this, &Activities::dataLoaded, &m_loadedData, &ActivityItem::dataLoaded);
    connect(&m_loadedData, &ActivityItem::commentChanged, this, &Activities::setMeasurementComment);
    QTimer::singleShot(FirstLoadDelayMs, this, [this] { loadActivityList(false, QString()); });
}

Activities::~Activities() { m_selectionTimer.stop(); }

void Activities::setTestChart(TTestChart* chart)
{
    if (chart == m_testChart)
        return;
    if (m_testChart) {
        disconnect(this, &Activities::loadData, m_testChart, nullptr);
        disconnect(m_testChart, nullptr, this, nullptr);
    }
    m_testChart = chart;
    if (m_testChart) {
        // The record store lives on this thread: the load runs within the emit.
        connect(this, &Activities::loadData, m_testChart, &TTestChart::loadData);
        connect(m_testChart, &TTestChart::dataLoaded, this, &Activities::dataLoaded);
        connect(m_testChart, &TTestChart::dataLoadFailed, this, &Activities::dataLoadFailed);
    }
    emit testChartChanged();
}

void Activities::setMeasurementComment(const QString&, const QString&)
{
    // Written to the stored record with the editing of stored tests.
}

QStringList Activities::cableNumbers(const QString& filter) const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getCableNumbers(filter) : QStringList();
}

void Activities::setRole(int row, int role, const QVariant& value)
{
    m_model->setData(m_model->index(row), value, role);
}

void Activities::setChecked(const QString& date, const QString& cableNumber, Qt::CheckState checked)
{
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        const QModelIndex index = m_model->index(r);
        if (index.data(ActivityModel::EntryDateRole).toString() == date
            && index.data(ActivityModel::EntryCableNumberRole).toString() == cableNumber)
            setRole(r, ActivityModel::EntryIsSelectedRole, int(checked));
    }
    m_selectionTimer.start();
}

void Activities::setChecked(const QString& filename, bool isChecked)
{
    // Every path ends with an empty name.
    if (filename.isEmpty())
        return;
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        if (m_model->index(r).data(ActivityModel::EntryPathRole).toString().endsWith(filename)) {
            // Checked, not partially: deletion and export take checked tests only.
            setRole(r, ActivityModel::EntryIsSelectedRole, isChecked ? int(Qt::Checked) : int(Qt::Unchecked));
            return;
        }
    }
}

void Activities::selectAllActivities(bool select)
{
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r)
        setRole(r, ActivityModel::EntryIsSelectedRole, select ? int(Qt::Checked) : int(Qt::Unchecked));
    m_selectionTimer.start();
}

void Activities::setCollapsed(const QString& date, const QString& cableNumber, bool isCollapsed)
{
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        const QModelIndex index = m_model->index(r);
        if (index.data(ActivityModel::EntryTypeRole).toInt() == ActivityTypes::Measurement
            && index.data(ActivityModel::EntryDateRole).toString() == date
            && index.data(ActivityModel::EntryCableNumberRole).toString() == cableNumber)
            setRole(r, ActivityModel::EntryIsVisibleRole, !isCollapsed);
    }
}

void Activities::updatePartialChecked()
{
    const int rows = m_model->rowCount();
    QSet<QString> withSelected;
    QSet<QString> withUnselected;
    int measurements = 0;
    for (int r = 0; r < rows; ++r) {
        const stActivityEntry e = m_model->row(m_model->index(r));
        if (e.type != ActivityTypes::Measurement)
            continue;
        if (e.isSelected != Qt::Unchecked) {
            withSelected.insert(folderKey(e));
            ++measurements;
        } else {
            withUnselected.insert(folderKey(e));
        }
    }
    int folders = 0;
    for (int r = 0; r < rows; ++r) {
        const stActivityEntry e = m_model->row(m_model->index(r));
        if (e.type != ActivityTypes::Folder)
            continue;
        const QString key = folderKey(e);
        Qt::CheckState state = Qt::Unchecked;
        if (withSelected.contains(key)) {
            ++folders;
            state = withUnselected.contains(key) ? Qt::PartiallyChecked : Qt::Checked;
        }
        setRole(r, ActivityModel::EntryIsSelectedRole, int(state));
    }
    if (folders != m_selectedFolders) {
        m_selectedFolders = folders;
        emit selectedFoldersChanged();
    }
    if (measurements != m_selectedMeasurments) {
        m_selectedMeasurments = measurements;
        emit selectedMeasurmentsChanged();
    }
}

void Activities::loadActivityList(bool filter, const QString& cableNumber)
{
    // Without a record store (a view model on its own) there is nothing to list.
    if (!m_testChart)
        return;
    m_model->removeAllActivities();
    ActivityTypes::ActivityEntryList list = m_testChart->loadActivities();
    if (filter) {
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&cableNumber](const stActivityEntry& e) {
                                      return !e.cableNumber.contains(cableNumber, Qt::CaseInsensitive);
                                  }),
                   list.end());
    }
    m_model->addActivityEntries(list);
    registerCableNumbers();
    // A reset announces no row change, so the counters would keep the old selection.
    updatePartialChecked();
}

void Activities::loadActivityData(const QString& filepath)
{
    if (filepath.isEmpty() || !m_testChart)
        return;
    m_loadedData.clearData();
    emit loadData(filepath, &m_loadedData);
}

void Activities::registerCableNumbers()
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    QStringList stored = dm->getCableNumbers(QString());
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        const QString number = m_model->index(r).data(ActivityModel::EntryCableNumberRole).toString();
        if (number.isEmpty() || stored.contains(number))
            continue;
        dm->addCableNumber(number);
        // Once per number, not once per row.
        stored << number;
    }
}
