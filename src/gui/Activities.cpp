#include "gui/Activities.h"

#include "core/GlobalFuncs.h"
#include "core/TransObject.h"
#include "core/WhenFinished.h"
#include "uiapi/IGUI.h"
#include "logging/MessageCategories.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "testrun/TTestChart.h"

#include <QDebug>
#include <QFileInfo>
#include <QPointer>
#include <QQmlEngine>
#include <QSet>

#include <algorithm>
#include <memory>

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
    // Not over a list the page has built meanwhile: a rebuild would drop the operator's selection.
    QTimer::singleShot(FirstLoadDelayMs, this, [this] {
        if (!m_listBuilt)
            loadActivityList(false, QString());
    });
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

void Activities::setMeasurementComment(const QString& absoluteFilename, const QString& comment)
{
    // An empty path would name the first folder row and no record.
    if (!m_testChart || absoluteFilename.isEmpty())
        return;
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        if (role(r, ActivityModel::EntryPathRole).toString() == absoluteFilename) {
            setRole(r, ActivityModel::EntryCommentRole, comment);
            break;
        }
    }
    TTestChart* chart = m_testChart;
    QTimer::singleShot(FileRequestDelayMs, chart,
                       [chart, absoluteFilename, comment] { chart->changeMeasurementComment(absoluteFilename, comment); });
}

void Activities::setCableNumber(const QModelIndex& index, const QString& cableNumber)
{
    if (index.model() != m_model.get() || index.row() < 0 || index.row() >= m_model->rowCount())
        return;
    if (role(index.row(), ActivityModel::EntryCableNumberRole).toString() == cableNumber)
        return;
    writeCableNumber(role(index.row(), ActivityModel::EntryPathRole).toString(), cableNumber);
}

void Activities::writeCableNumber(const QString& path, const QString& cableNumber)
{
    QPointer<Activities> self(this);
    auto rebuild = [self] {
        if (self)
            self->loadActivityList(false, QString());
    };
    if (!m_testChart || path.isEmpty()) {
        QTimer::singleShot(RebuildDelayMs, this, rebuild);
        return;
    }
    // The list is read back from the files: only once the record holds the new number.
    TTestChart* chart = m_testChart;
    QTimer::singleShot(FileRequestDelayMs, chart, [chart, path, cableNumber, rebuild] {
        whenFinished(chart, chart->changeMeasurementCableNumber(path, cableNumber), [rebuild](bool) { rebuild(); });
    });
}

// The opened test's own record, found by its path: a row of a rebuilt list may hold
// another test.
void Activities::setLoadedDataCableNumber(const QString& cableNumber)
{
    const QString old = m_loadedData.getCableNumber();
    if (cableNumber == old)
        return;
    if (DB* db = GlobalFuncs::getDB())
        db->deleteCableNumber(old);
    m_loadedData.setCableNumber(cableNumber);
    writeCableNumber(m_loadedData.filepath(), cableNumber);
}

void Activities::setCableNumberForFolder(const QModelIndex& index, const QString& cableNumber)
{
    if (index.model() != m_model.get() || index.row() < 0 || index.row() >= m_model->rowCount())
        return;
    const int folder = index.row();
    const QString oldNumber = role(folder, ActivityModel::EntryCableNumberRole).toString();
    if (oldNumber == cableNumber)
        return;
    setRole(folder, ActivityModel::EntryCableNumberRole, cableNumber);
    const QString date = role(folder, ActivityModel::EntryDateRole).toString();
    TTestChart* chart = m_testChart;
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        if (r == folder || role(r, ActivityModel::EntryDateRole).toString() != date
            || role(r, ActivityModel::EntryCableNumberRole).toString() != oldNumber)
            continue;
        setRole(r, ActivityModel::EntryCableNumberRole, cableNumber);
        const QString path = role(r, ActivityModel::EntryPathRole).toString();
        if (chart && !path.isEmpty())
            QTimer::singleShot(FileRequestDelayMs, chart,
                               [chart, path, cableNumber] { chart->changeMeasurementCableNumber(path, cableNumber); });
    }
}

void Activities::deleteSelectedActivities()
{
    IGUI* gui = GlobalFuncs::getGUI();
    // Not asked while a deletion or export runs: the answer could not be carried out.
    if (!gui || (m_testChart && m_testChart->busy()))
        return;
    const QUuid question = gui->showMessageDlg(
        CAT_SKPOUT, TransObject(QStringLiteral("Menu"), QStringLiteral("DeleteMeasurements")), true, true);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(gui, &IGUI::messageDglClosed, this,
                          [this, question, connection](QUuid dialog, IGUI::CloseType type) {
                              if (dialog != question)
                                  return;
                              disconnect(*connection);
                              if (type == IGUI::Accepted)
                                  deleteChecked();
                          });
}

void Activities::deleteChecked()
{
    // The rows go at once, their files with the record store: not while it is busy.
    if (!m_testChart || m_testChart->busy())
        return;
    // First pass: the checked tests leave the list, each remembering its folder row.
    QList<int> folders;
    QStringList paths;
    int folder = 0;
    for (int r = 0; r < m_model->rowCount();) {
        if (role(r, ActivityModel::EntryTypeRole).toInt() == ActivityTypes::Folder) {
            folder = r++;
            continue;
        }
        if (role(r, ActivityModel::EntryIsSelectedRole).toInt() != Qt::Checked) {
            ++r;
            continue;
        }
        folders << folder;
        paths << role(r, ActivityModel::EntryPathRole).toString();
        m_model->removeActivity(r);
    }
    // The counters can lag behind the rows; and an empty list would clear the whole store.
    if (paths.isEmpty())
        return;

    // Second pass: the folders' classification from the tests they keep. Only rows below a
    // remembered folder were removed after it was remembered, so its row still holds.
    OperatingModes* modes = OperatingModes::getInstance();
    for (const int f : qAsConst(folders)) {
        const QString date = role(f, ActivityModel::EntryDateRole).toString();
        const QString number = role(f, ActivityModel::EntryCableNumberRole).toString();
        OperatingModes::Classifications flags;
        for (int r = 0; r < m_model->rowCount(); ++r) {
            if (role(r, ActivityModel::EntryTypeRole).toInt() == ActivityTypes::Measurement
                && role(r, ActivityModel::EntryDateRole).toString() == date
                && role(r, ActivityModel::EntryCableNumberRole).toString() == number)
                flags |= modes->getClassification(
                    OperatingModes::fromInt(role(r, ActivityModel::EntryModeIdRole).toInt()));
        }
        setRole(f, ActivityModel::EntryClassificationRole, modes->getClassificationString(flags));
    }

    // Third pass, from the bottom: folders without a test below them go.
    for (int r = m_model->rowCount() - 1; r >= 0; --r) {
        if (role(r, ActivityModel::EntryTypeRole).toInt() != ActivityTypes::Folder)
            continue;
        if (r + 1 == m_model->rowCount() || role(r + 1, ActivityModel::EntryTypeRole).toInt() == ActivityTypes::Folder)
            m_model->removeActivity(r);
    }

    if (m_testChart)
        m_testChart->deleteMeasurements(paths);
}

QStringList Activities::checkedPaths() const
{
    QStringList paths;
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        if (role(r, ActivityModel::EntryTypeRole).toInt() == ActivityTypes::Measurement
            && role(r, ActivityModel::EntryIsSelectedRole).toInt() == Qt::Checked)
            paths << role(r, ActivityModel::EntryPathRole).toString();
    }
    return paths;
}

void Activities::exportSelectedActivities()
{
    const QStringList paths = checkedPaths();
    // An empty list would export the whole store.
    if (paths.isEmpty() || !m_testChart)
        return;
    m_testChart->copyMeasurements(paths);
}

void Activities::exportActivity(const QString& filename)
{
    if (!m_testChart)
        return;
    // Record names have four parts ("serial-day-time-mode.vlf"); the second names the day
    // folder. A name with a separator would reach outside the store.
    const QStringList parts = filename.split(QLatin1Char('-'));
    const QString day = parts.value(1);
    if (parts.size() < 3 || filename.contains(QLatin1Char('/')) || filename.contains(QLatin1Char('\\'))
        || day.isEmpty() || day == QLatin1String(".") || day == QLatin1String("..")) {
        qDebug() << "Wrong file name format" << filename << parts.size();
        showExportFailure();
        return;
    }
    const QFileInfo file(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + QLatin1Char('/') + day
                         + QLatin1Char('/') + filename);
    if (!file.isFile()) {
        qDebug() << "File not found" << file.absoluteFilePath();
        showExportFailure();
        return;
    }
    m_testChart->copyMeasurements({file.absoluteFilePath()});
}

void Activities::exportActivityFile(const QString& path)
{
    if (!m_testChart)
        return;
    const QString store = QFileInfo(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements)).canonicalFilePath();
    const QFileInfo file(path);
    if (store.isEmpty() || !file.isFile() || !file.canonicalFilePath().startsWith(store + QLatin1Char('/'))) {
        qDebug() << "Not a stored record" << path;
        showExportFailure();
        return;
    }
    m_testChart->copyMeasurements({file.canonicalFilePath()});
}

void Activities::showExportFailure() const
{
    IGUI* gui = GlobalFuncs::getGUI();
    if (!gui)
        return;
    QString target = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements);
    target.replace(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint), QStringLiteral("USB:"));
    gui->showMessageDlg(CAT_ERR, TransObject(QStringLiteral("History"), QStringLiteral("UnableToExportData"), {target}),
                        false, true);
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

QVariant Activities::role(int row, int role) const
{
    return m_model->data(m_model->index(row), role);
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
    m_listBuilt = true;
    m_listFiltered = filter;
    m_listFilter = cableNumber;
    // One reading at a time; a request meanwhile reads once more after it, since the store
    // may have changed since that reading began.
    if (m_listing) {
        m_listAgain = true;
        return;
    }
    m_listing = true;
    whenFinished(this, m_testChart->loadActivities(), [this](ActivityTypes::ActivityEntryList list) {
        m_listing = false;
        if (m_listAgain) {
            m_listAgain = false;
            loadActivityList(m_listFiltered, m_listFilter);
            return;
        }
        if (m_listFiltered) {
            const QString wanted = m_listFilter;
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&wanted](const stActivityEntry& e) {
                                          return !e.cableNumber.contains(wanted, Qt::CaseInsensitive);
                                      }),
                       list.end());
        }
        m_model->removeAllActivities();
        m_model->addActivityEntries(list);
        registerCableNumbers();
        // A reset announces no row change, so the counters would keep the old selection.
        updatePartialChecked();
        emit activityListLoaded();
    });
}

void Activities::loadActivityData(const QString& filepath)
{
    if (filepath.isEmpty() || !m_testChart || m_testChart->opening())
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
