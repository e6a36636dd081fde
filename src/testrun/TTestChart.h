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

class IActivityItem;

// Controller of the stored test records: captures the finished test and saves it,
// opens a stored record for the history, lists, edits, renames, deletes and exports
// record files. Every file job runs in the global thread pool while the caller waits
// in a local event loop, so the caller's thread keeps handling its events (and may
// re-enter a slot meanwhile).
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

    // Runs a local event loop until the job has finished; returns its result.
    static bool waitForFinished(QFuture<bool> future);

    // A copy of the captured record.
    TestChart::VLF::TestData record() const;

public slots:
    bool captureData(QString fileName) override;
    // Clears the item, fills it from the record and answers with dataLoaded or dataLoadFailed.
    bool loadData(QString filepath, IActivityItem* item);
    void clearData() override;
    ActivityTypes::ActivityEntryList loadActivities();
    void changeMeasurementComment(QString absoluteFilename, QString comment);
    void changeMeasurementCableNumber(QString absoluteFilename, QString cableNumber);
    void changeMeasurementName(QString newName);
    void deleteMeasurements(QStringList fileList);
    bool copyMeasurements(QStringList fileList);
    bool copyMeasurements(QStringList fileList, QString& targetDirectory);

signals:
    void measurementNameChanged(QString fileName);
    void dataLoaded();
    void dataLoadFailed();
    // A message for the operator; saving runs on the test's thread, which never waits for the window.
    void showMessageDlg(MessageCategories category, const QList<TransObject>& messages, bool cancelButton,
                        bool okButton);

private:
    struct OpenedRecord;
    static bool openRecord(const QString& path, OpenedRecord& record);
    void fillItem(const QString& filepath, const OpenedRecord& record, IActivityItem* item);
    void reportWriteFailure(const char* function, const QString& logText);

    // The record of the test being captured and saved; capture and save reach it from
    // the test thread, so it is only touched under the lock, never during a wait.
    mutable QMutex m_lock;
    TestChart::VLF::TestData* m_data;
    // History files that could not be read, not read again while unchanged.
    UnreadableRecords m_unreadable;
};
