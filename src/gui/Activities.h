#pragma once

#include "gui/ActivityItem.h"
#include "gui/ActivityModel.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class TTestChart;

// The history of stored tests: a two-level list (one folder row per test day and cable
// number, followed by its tests) built from the record store, the operator's selection
// with a tri-state check on the folders, and collapsing of folders. All file work is the
// record store's; it is not owned and is handed in once the application has created it.
// Editing, deleting and exporting stored tests hang off the same rows.
class Activities : public QObject {
    Q_OBJECT
    Q_PROPERTY(ActivityModel* activityModel READ activityModel CONSTANT)
    Q_PROPERTY(ActivityItem* loadedData READ loadedData CONSTANT)
    Q_PROPERTY(int selectedFolders READ selectedFolders NOTIFY selectedFoldersChanged)
    Q_PROPERTY(int selectedMeasurments READ selectedMeasurments NOTIFY selectedMeasurmentsChanged)
public:
    explicit Activities(QObject* parent = nullptr);
    ~Activities() override;

    ActivityModel* activityModel() const { return m_model.get(); }
    ActivityItem* loadedData() { return &m_loadedData; }
    int selectedFolders() const { return m_selectedFolders; }
    int selectedMeasurments() const { return m_selectedMeasurments; }
    TTestChart* testChart() const { return m_testChart; }
    // Selection changes are counted this long after the last row change.
    static constexpr int SelectionDelayMs = 200;
    static constexpr int FirstLoadDelayMs = 3000;

    // The stored cable numbers that contain the filter; all of them for an empty filter.
    Q_INVOKABLE QStringList cableNumbers(const QString& filter = QString()) const;

    // A folder and all its tests, identified by date text and cable number together.
    Q_INVOKABLE void setChecked(const QString& date, const QString& cableNumber, Qt::CheckState checked);
    // The first row whose path ends with the file name.
    Q_INVOKABLE void setChecked(const QString& filename, bool isChecked);
    Q_INVOKABLE void setCollapsed(const QString& date, const QString& cableNumber, bool isCollapsed);
    Q_INVOKABLE void selectAllActivities(bool select);
    // Rebuilds the list from the record store once it is read (activityListLoaded); with
    // filter, only the rows whose cable number contains the text, in any letter case. A
    // request while the store is read reads it once more after that, with its filter.
    Q_INVOKABLE void loadActivityList(bool filter = false, const QString& cableNumber = QString());
    // Opens one stored test into loadedData; the record store answers with dataLoaded
    // or dataLoadFailed. Nothing while another test is being opened.
    Q_INVOKABLE void loadActivityData(const QString& filepath);

    // Edits of stored tests change the rows at once; the record store rewrites, deletes or
    // copies the files a moment later.
    static constexpr int FileRequestDelayMs = 5;
    static constexpr int RebuildDelayMs = 15;
    // Moves one test to another cable number; the list is rebuilt once its record is rewritten.
    Q_INVOKABLE void setCableNumber(const QModelIndex& index, const QString& cableNumber);
    // Moves the opened stored test to another cable number: the stored list forgets its old
    // number, the test and its own record take the new one.
    Q_INVOKABLE void setLoadedDataCableNumber(const QString& cableNumber);
    // Gives every test of a folder row another cable number.
    Q_INVOKABLE void setCableNumberForFolder(const QModelIndex& index, const QString& cableNumber);
    // Asks first; on OK removes the checked tests, the folders left empty and their files.
    // Nothing while a deletion or export runs.
    Q_INVOKABLE void deleteSelectedActivities();
    // Copies one stored record, named as the store names it, to the stick.
    Q_INVOKABLE void exportActivity(const QString& filename);
    // Copies the opened stored record at path (inside the store) to the stick: that very
    // file, not another one of the same name.
    Q_INVOKABLE void exportActivityFile(const QString& path);
    // Copies the checked tests to the stick.
    Q_INVOKABLE void exportSelectedActivities();

public slots:
    void setTestChart(TTestChart* chart);
    // The comment of a stored record changed on the results page; an empty path names
    // no record.
    void setMeasurementComment(const QString& absoluteFilename, const QString& comment);
    // Counts the selected folders and tests and sets each folder's check state from its tests.
    void updatePartialChecked();

signals:
    void testChartChanged();
    void selectedFoldersChanged();
    void selectedMeasurmentsChanged();
    void cableNumbersChanged();
    // To the record store.
    void loadData(QString filepath, ActivityItem* item);
    void dataLoaded();
    void dataLoadFailed();
    void activityListLoaded();

private:
    void setRole(int row, int role, const QVariant& value);
    QVariant role(int row, int role) const;
    // Paths of the test rows that are checked; partially checked rows never count.
    QStringList checkedPaths() const;
    void deleteChecked();
    void showExportFailure() const;
    void registerCableNumbers();
    // Writes the number into the record, then reads the list back.
    void writeCableNumber(const QString& path, const QString& cableNumber);

    std::unique_ptr<ActivityModel> m_model;
    TTestChart* m_testChart = nullptr;
    ActivityItem m_loadedData;
    QTimer m_selectionTimer;
    int m_selectedFolders = 0;
    int m_selectedMeasurments = 0;
    bool m_listBuilt = false; // by the page or by the first load after the start
    bool m_listing = false;
    bool m_listAgain = false;
    bool m_listFiltered = false;
    QString m_listFilter;
};
