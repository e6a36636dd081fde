#pragma once

#include "uiapi/ActivityTypes.h"
#include "core/GlobalFuncs.h"
#include "testrun/ITestHistory.h"
#include "datamodel/OperatingModes.h"
#include "testrun/TestData.h"
#include "testrun/UnreadableRecords.h"
#include "core/TransObject.h"
#include "logging/MessageCategories.h"

#include <QFile>
#include <QFuture>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class IActivityItem;
class IGUI;

// Controller of the stored test records: captures the finished test and saves it,
// opens a stored record for the history, lists, edits, renames, deletes and exports
// record files. Every file job runs in the global thread pool. The test's thread waits
// for its capture and save; the history's flows on the GUI thread go on in a slot when
// their job ends, and each refuses a second start while it runs.
class TTestChart : public QObject, public ITestHistory {
    Q_OBJECT
public:
    explicit TTestChart(QObject* parent = nullptr);
    ~TTestChart() override;

    bool hasHistory() const override { return true; }
    static bool isParameterSupportedByOperationMode(OpModeParameters::eParameter parameter,
                                                    OperatingModes::OperatingMode mode);

    // Writes the captured record to its day folder of location.
    bool saveData(GlobalFuncs::Path location) override;
    // Copies one record (or CSV) file into the measurements folder of the stick.
    bool copyMeasurementFile(QFile& file);
    bool copyMeasurementFile(QFile& file, QString& targetDirectory);

    // The window in which deletion and export show their messages and progress; not owned.
    void setGui(IGUI* gui) { m_gui = gui; }
    bool opening() const { return m_opening; }
    // A deletion or an export runs.
    bool busy() const { return m_deleting || m_export; }

    // For a worker thread: runs a local event loop until the job has finished; returns
    // its result. The GUI thread never waits so.
    static bool waitForFinished(QFuture<bool> future);

    // A copy of the captured record.
    TestChart::VLF::TestData record() const;

public slots:
    bool captureData(QString fileName) override;
    // Fills the item from the record once it is read and answers with dataLoaded or
    // dataLoadFailed; false (and no answer) while another record is being opened.
    bool loadData(QString filepath, IActivityItem* item);
    void clearData() override;
    // The list of the store; while a listing runs, that one.
    QFuture<ActivityTypes::ActivityEntryList> loadActivities();
    QFuture<bool> changeMeasurementComment(QString absoluteFilename, QString comment);
    QFuture<bool> changeMeasurementCableNumber(QString absoluteFilename, QString cableNumber);
    void changeMeasurementName(QString newName);
    // Removes the files (all of the store for an empty list) behind a wait message and
    // answers with measurementsDeleted; false while a deletion or export runs.
    bool deleteMeasurements(QStringList fileList);
    // Copies the files (all of the store for an empty list) to the stick under a progress
    // dialog, one file at a time; a pulled stick ends it. Answers with measurementsCopied;
    // false without a stick or while a deletion or export runs.
    bool copyMeasurements(QStringList fileList);

signals:
    void measurementNameChanged(QString fileName);
    void dataLoaded();
    void dataLoadFailed();
    void measurementsDeleted();
    // targetDirectory: the stick's folder the last file went to, or empty.
    void measurementsCopied(bool success, QString targetDirectory);
    // A message for the operator; saving runs on the test's thread, which never waits for the window.
    void showMessageDlg(MessageCategories category, const QList<TransObject>& messages, bool cancelButton,
                        bool okButton);

private:
    struct OpenedRecord;
    static bool openRecord(const QString& path, OpenedRecord& record);
    void fillItem(const QString& filepath, const OpenedRecord& record, IActivityItem* item);
    void reportWriteFailure(const char* function, const QString& logText);
    QFuture<bool> rewrite(QFuture<bool> job, const char* function, const QString& logText);
    struct Export;
    void exportNextFile();
    void exportNextItem();
    void endExport();
    void tellExport();

    // The record of the test being captured and saved; capture and save reach it from
    // the test thread, so it is only touched under the lock, never during a wait.
    mutable QMutex m_lock;
    TestChart::VLF::TestData* m_data;
    // History files that could not be read, not read again while unchanged.
    UnreadableRecords m_unreadable;
    IGUI* m_gui = nullptr;
    // The history's flows now running; each runs once at a time.
    bool m_opening = false;
    bool m_deleting = false;
    QFuture<ActivityTypes::ActivityEntryList> m_listing;
    std::unique_ptr<Export> m_export;
};
