#include "testrun/TTestChart.h"

#include "datamodel/DataModell.h"
#include "core/FileSystem.h"
#include "core/StickWriter.h"
#include "uiapi/IActivityItem.h"
#include "uiapi/IGUI.h"
#include "logging/LoggingCtrl.h"
#include "testrun/SampleReducer.h"
#include "testrun/TanDeltaPhaseData.h"
#include "testrun/TestChart.h"
#include "core/TransObject.h"
#include "core/WhenFinished.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMutexLocker>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent>

#include <sys/time.h>

namespace {

const char* const kClass = "TTestChart";
constexpr int kStepWaitMs = 200;
constexpr qint64 kCompareChunk = 64 * 1024;

using TestChart::VLF::TestData;

qint64 number(const TestData& data, qint32 group, qint32 key)
{
    return TestChart::VLF::info(data, group, key).toLongLong();
}

quint64 unsignedNumber(const TestData& data, qint32 group, qint32 key)
{
    return TestChart::VLF::info(data, group, key).toULongLong();
}

// The run that ended the test, whose result the operator saw: the last one holding a result.
qint32 endingRun(const TestData& data)
{
    for (qint64 run = number(data, 0, 11); run > 1; --run)
        if (!TestChart::VLF::info(data, qint32(run), 28).isNull())
            return qint32(run);
    return 1;
}

// True when both files hold the same bytes.
bool sameContents(const QString& a, const QString& b)
{
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    if (fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        const QByteArray chunk = fa.read(kCompareChunk);
        if (chunk.isEmpty() || chunk != fb.read(kCompareChunk))
            return false;
    }
    return fb.atEnd();
}

// A rename target must stay a plain name inside the record's folder.
bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

bool setFileTimes(const QString& path, const QDateTime& time)
{
    struct timeval times[2];
    times[0].tv_sec = time_t(time.toSecsSinceEpoch());
    times[0].tv_usec = 0;
    times[1] = times[0];
    const int result = ::utimes(QFile::encodeName(path).constData(), times);
    if (result != 0)
        qDebug() << "Update timestamp failed:" << result;
    return result == 0;
}

} // namespace

// An opened record as the pool thread hands it to the GUI thread: the keys, and the samples
// thinned and converted for the charts.
struct TTestChart::OpenedRecord {
    TestData data; // keys only
    QVector<stMeasurementValues> samples;
    QVector<stPeriodicMeasurementValues> periodic;
    QPair<int, QVector<quint16>> stepsAndFactors;
    QVector<QPair<int, QVector<TanDeltaMeasurementValues>>> tanDelta;
};

// The export now running: its work items (day folders or files), where it stands, and its
// dialog.
struct TTestChart::Export {
    QStringList dayFolders;
    QStringList fileList;
    int items = 0;
    int item = 0;
    QStringList files; // of the current item, still to copy
    QUuid progressId;
    bool success = true;
    QString targetDirectory;
    QFuture<bool> job;
};

TTestChart::TTestChart(QObject* parent) : QObject(parent), m_data(new TestData) {}

TTestChart::~TTestChart()
{
    // The listing fills this object's list of unreadable files; a copy calls this object.
    m_listing.waitForFinished();
    if (m_export)
        m_export->job.waitForFinished();
    delete m_data;
}

bool TTestChart::isParameterSupportedByOperationMode(OpModeParameters::eParameter parameter,
                                                     OperatingModes::OperatingMode mode)
{
    const OpModeParameters* set = OperatingModes::getInstance()->getOpModeParameters(mode, 2);
    return set && set->isParameterEnabled(parameter);
}

bool TTestChart::waitForFinished(QFuture<bool> future)
{
    QEventLoop loop;
    QFutureWatcher<bool> watcher;
    connect(&watcher, &QFutureWatcher<bool>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished())
        loop.exec();
    return future.result();
}

TestData TTestChart::record() const
{
    QMutexLocker lock(&m_lock);
    return *m_data;
}

bool TTestChart::captureData(QString fileName)
{
    KLOG_DEBUG2(kClass, "captureData", QStringLiteral("FileName: ") + fileName);
    {
        QMutexLocker lock(&m_lock);
        TestChart::VLF::clear(*m_data);
    }
    // Read into a record of this call: a slot entered during the wait never sees
    // a half-read record.
    auto captured = std::make_shared<TestData>();
    if (!fileName.isEmpty()) {
        const bool read = waitForFinished(
            QtConcurrent::run([fileName, captured] { return TestChart::loadTestData(fileName, captured.get()); }));
        if (!read)
            return false;
    }
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm) {
        KLOG_ERROR2(kClass, "captureData", "No data model to capture from");
        return false;
    }
    const bool ok = TestChart::captureTestChartData(*dm, *captured);
    QMutexLocker lock(&m_lock);
    *m_data = *captured;
    return ok;
}

bool TTestChart::saveData(GlobalFuncs::Path location)
{
    const auto snapshot = std::make_shared<TestData>(record());
    return waitForFinished(
        QtConcurrent::run([location, snapshot] { return TestChart::saveTestData(location, *snapshot); }));
}

void TTestChart::clearData()
{
    QMutexLocker lock(&m_lock);
    TestChart::VLF::clear(*m_data);
}

bool TTestChart::loadData(QString filepath, IActivityItem* item)
{
    // A second press while a record opens opens nothing more; the first one answers.
    if (m_opening) {
        KLOG_DEBUG2(kClass, "loadData", QStringLiteral("Still opening a record; refused ") + filepath);
        return false;
    }
    if (!item || !QFileInfo(filepath).isFile()) {
        emit dataLoadFailed();
        return false;
    }
    m_opening = true;
    // The opened record is this call's own; the captured one stays as it is. Reading,
    // decoding and thinning stay off this thread: the charts get only what they show.
    auto record = std::make_shared<OpenedRecord>();
    // An item that is an object may go while the record is read.
    QObject* object = dynamic_cast<QObject*>(item);
    const QPointer<QObject> alive(object);
    whenFinished(this, QtConcurrent::run([filepath, record] { return openRecord(filepath, *record); }),
                 [this, filepath, record, item, object, alive](bool read) {
                     m_opening = false;
                     if (!read || (object && !alive)) {
                         emit dataLoadFailed();
                         return;
                     }
                     fillItem(filepath, *record, item);
                     emit dataLoaded();
                 });
    return true;
}

bool TTestChart::openRecord(const QString& path, OpenedRecord& record)
{
    TestData& data = record.data;
    if (!TestChart::loadTestData(path, &data))
        return false;
    // The tan delta evaluation takes every period record.
    if (TestChart::detail::isTanDeltaMode(int(number(data, 0, 12)))) {
        record.stepsAndFactors = TestChart::getStepsAndVoltageFactorList(data);
        record.tanDelta = TestChart::tanDeltaSummary(data);
    }
    SampleReducer::reduce(data.measure);
    SampleReducer::reduce(data.periodic);
    record.samples.reserve(data.measure.size());
    for (const TestData::Measure& m : qAsConst(data.measure)) {
        stMeasurementValues v;
        v.timeStamp = quint32(m.timestamp);
        v.voltage = m.voltage;
        v.current = m.current;
        record.samples.append(v);
    }
    record.periodic.reserve(data.periodic.size());
    for (const TestData::Periodic& p : qAsConst(data.periodic)) {
        stPeriodicMeasurementValues v;
        v.timeStamp = quint32(p.timestamp);
        v.voltage = p.voltage;
        v.current = p.amperage;
        // A record keeps a missing tan delta as 0.
        v.tanDelta = p.tanDelta == 0 ? TanDeltaNone : quint32(p.tanDelta);
        record.periodic.append(v);
    }
    data.measure.clear();
    data.periodic.clear();
    return true;
}

void TTestChart::fillItem(const QString& filepath, const OpenedRecord& record, IActivityItem* item)
{
    using P = OpModeParameters;
    const TestData& data = record.data;
    const auto mode = OperatingModes::fromInt(int(number(data, 0, 12)));
    auto enabled = [mode](P::eParameter p) { return isParameterSupportedByOperationMode(p, mode); };

    item->clearData();
    item->setFileInfo(QFileInfo(filepath));
    const qint32 end = endingRun(data);
    item->setTestResult(eTestResult(number(data, end, 28)), mode);
    item->setSafetyCircuitState(unsignedNumber(data, end, 35));
    item->setHvUnitState(unsignedNumber(data, end, 36));
    // The stored test's own fault values: the data model's belong to the live test.
    stFaultValues fault;
    fault.leakageCurrent = unsignedNumber(data, end, 32);
    fault.faultTime = qint32(number(data, end, 30));
    fault.faultVoltage = qint32(number(data, end, 31));
    item->setFaultValues(fault);
    // The graphs of the mode are built at the frequency the test ran at.
    item->setFrequencyUsed(number(data, 1, 16));
    item->setMode(mode);
    item->setComment(TestChart::VLF::info(data, 1, 25));
    item->setCableNumber(TestChart::cableNumber(data));

    if (enabled(P::LoadResistance))
        item->setResistor(number(data, 1, 26));
    if (enabled(P::LoadCapacitance))
        item->setCapacity(number(data, 1, 27));
    if (enabled(P::Frequency))
        item->setFrequency(number(data, 1, 16));
    if (enabled(P::Phases))
        item->setPhases(number(data, 0, 17));
    if (enabled(P::Voltage))
        item->setVoltage(number(data, 0, 13));
    if (enabled(P::VoltageU0))
        item->setVoltageU0(number(data, 0, 13));
    if (enabled(P::TestTime))
        item->setTime(number(data, 0, 15));
    if (enabled(P::Levels))
        item->setNumberOfVoltageLevels(number(data, 0, 23));
    if (enabled(P::Insulation))
        item->setInsulationType(number(data, 0, 22));
    if (enabled(P::DutyCycle))
        item->setDutyCycle(number(data, 1, 16));

    item->addSamples(record.samples, record.periodic);

    if (TestChart::detail::isTanDeltaMode(mode)) {
        item->setEvaluationStandard(number(data, 0, 21));
        item->setVoltageFactors(record.stepsAndFactors.second, unsigned(qMax(0, record.stepsAndFactors.first)));
        for (const auto& phase : record.tanDelta)
            item->setTanDeltaPhaseData(phase.first, phase.second);
    }
}

QFuture<ActivityTypes::ActivityEntryList> TTestChart::loadActivities()
{
    if (!m_listing.isFinished())
        return m_listing;
    const QString store = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements);
    const auto format = TestChart::historyFormat();
    UnreadableRecords* unreadable = &m_unreadable;
    m_listing = QtConcurrent::run(
        [store, format, unreadable] { return TestChart::activityEntryList(store, format, unreadable); });
    return m_listing;
}

void TTestChart::reportWriteFailure(const char* function, const QString& logText)
{
    emit showMessageDlg(CAT_ERR,
                        QList<TransObject>{TransObject(QStringLiteral("Menu"), QStringLiteral("Activities")),
                                           TransObject(QStringLiteral("ErrorMessages"),
                                                       QStringLiteral("ErrorWhileWritingData"))},
                        false, true);
    KLOG_ERROR2(kClass, function, logText);
}

QFuture<bool> TTestChart::rewrite(QFuture<bool> job, const char* function, const QString& logText)
{
    whenFinished(this, job, [this, function, logText](bool written) {
        if (!written)
            reportWriteFailure(function, logText);
    });
    return job;
}

QFuture<bool> TTestChart::changeMeasurementComment(QString absoluteFilename, QString comment)
{
    return rewrite(QtConcurrent::run(
                       [absoluteFilename, comment] { return TestChart::updateComment(absoluteFilename, comment); }),
                   "changeMeasurementComment", QStringLiteral("Can't update comment in file: %1").arg(absoluteFilename));
}

QFuture<bool> TTestChart::changeMeasurementCableNumber(QString absoluteFilename, QString cableNumber)
{
    return rewrite(QtConcurrent::run([absoluteFilename, cableNumber] {
                       return TestChart::updateCableNumber(absoluteFilename, cableNumber);
                   }),
                   "changeMeasurementCableNumber",
                   QStringLiteral("Can't update cable number in file: %1").arg(absoluteFilename));
}

void TTestChart::changeMeasurementName(QString newName)
{
    DataModell* dm = GlobalFuncs::getDM();
    stExportTestInfo info = dm ? dm->getExportTestInfo() : stExportTestInfo();
    // A name with a separator or a dot folder would move the file out of its folder.
    if (!isPlainFileName(newName) || info.directory.isEmpty() || info.fileName.isEmpty()) {
        KLOG_ERROR2(kClass, "changeMeasurementName", QStringLiteral("Refused to rename to \"%1\"").arg(newName));
        emit measurementNameChanged(QString());
        return;
    }
    const QString from = info.directory + QLatin1Char('/') + info.fileName;
    const QString to = info.directory + QLatin1Char('/') + newName;
    whenFinished(this, QtConcurrent::run([from, to] { return QFile::rename(from, to); }),
                 [this, info, newName](bool renamed) mutable {
                     if (!renamed) {
                         emit measurementNameChanged(QString());
                         return;
                     }
                     info.fileName = newName;
                     if (DataModell* model = GlobalFuncs::getDM())
                         model->setExportTestInfo(info);
                     emit measurementNameChanged(newName);
                 });
}

bool TTestChart::deleteMeasurements(QStringList fileList)
{
    if (m_deleting || m_export) {
        KLOG_DEBUG2(kClass, "deleteMeasurements", "A deletion or export runs; refused");
        return false;
    }
    m_deleting = true;
    QUuid waitId;
    if (m_gui)
        waitId = m_gui->showMessageDlg(CAT_PERSISTENT, QStringLiteral("InfoMessages"),
                                       QStringLiteral("DeletingAllData"), false, false);
    const QString store = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements);
    whenFinished(this, QtConcurrent::run([fileList, store] {
                     if (fileList.isEmpty()) {
                         // Never a path that would take the whole file system with it.
                         if (store.isEmpty() || QDir::cleanPath(store) == QLatin1String("/"))
                             KLOG_ERROR2(kClass, "deleteMeasurements",
                                         QStringLiteral("Refusing to remove the store \"%1\"").arg(store));
                         else
                             FileSystem::rmdir(store);
                         return true;
                     }
                     for (const QString& path : fileList) {
                         const QFileInfo file(path);
                         const QString folder = file.absolutePath();
                         if (!QFile::remove(file.absoluteFilePath()))
                             qDebug() << "[ERROR] Failed to remove file" << file.fileName();
                         const QDir dir(folder);
                         if (dir.exists() && dir.entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty()
                             && !QDir().rmdir(folder))
                             qDebug() << "[ERROR] Failed to remove dir" << folder;
                     }
                     return true;
                 }),
                 [this, waitId](bool) {
                     m_deleting = false;
                     if (m_gui)
                         m_gui->closeDlg(waitId, IGUI::Accepted);
                     emit measurementsDeleted();
                 });
    return true;
}

bool TTestChart::copyMeasurements(QStringList fileList)
{
    if (m_export || m_deleting) {
        KLOG_DEBUG2(kClass, "copyMeasurements", "A deletion or export runs; refused");
        return false;
    }
    // Without a stick the mount point is internal storage: copying there would
    // report an export that never reached a stick.
    if (!GlobalFuncs::isUsbStickPresent()) {
        KLOG_WARN2("TTestChart", "copyMeasurements", QStringLiteral("No USB stick at %1")
                                                         .arg(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint)));
        if (m_gui)
            m_gui->requestUSBConnDlg();
        return false;
    }
    m_export = std::make_unique<Export>();
    Export& e = *m_export;
    // A work item is a day folder of the store (whole export) or one listed file.
    e.fileList = fileList;
    if (fileList.isEmpty()) {
        const QDir store(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements));
        for (const QString& name : store.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            e.dayFolders << store.absoluteFilePath(name);
    }
    e.items = fileList.isEmpty() ? e.dayFolders.size() : fileList.size();
    if (m_gui)
        e.progressId = m_gui->requestProgressDlg(
            QCoreApplication::translate("TestData", "TransferringTestData") + QStringLiteral("..."), 0, e.items, 1, 0);
    QTimer::singleShot(GlobalFuncs::shownMs(kStepWaitMs), this, [this] { exportNextItem(); });
    return true;
}

void TTestChart::exportNextItem()
{
    Export& e = *m_export;
    if (e.item >= e.items) {
        endExport();
        return;
    }
    if (e.fileList.isEmpty()) {
        const QDir day(e.dayFolders.at(e.item));
        for (const QString& name :
             day.entryList({QStringLiteral("*.csv"), QStringLiteral("*.vlf")}, QDir::Files, QDir::Name))
            e.files << day.absoluteFilePath(name);
    } else {
        e.files << e.fileList.at(e.item);
    }
    exportNextFile();
}

void TTestChart::exportNextFile()
{
    Export& e = *m_export;
    if (e.files.isEmpty()) {
        ++e.item;
        if (m_gui)
            m_gui->incrementProgressDlg(e.progressId);
        QTimer::singleShot(GlobalFuncs::shownMs(kStepWaitMs), this, [this] { exportNextItem(); });
        return;
    }
    // A pulled stick ends the export; what was copied stays.
    if (!StickWriter::present()) {
        e.success = false;
        endExport();
        return;
    }
    const QString path = e.files.takeFirst();
    auto target = std::make_shared<QString>();
    e.job = QtConcurrent::run([this, path, target] {
        QFile file(path);
        return copyMeasurementFile(file, *target);
    });
    whenFinished(this, e.job, [this, target](bool copied) {
        if (!target->isEmpty())
            m_export->targetDirectory = *target;
        m_export->success = m_export->success && copied;
        exportNextFile();
    });
}

void TTestChart::endExport()
{
    // What was copied reaches the stick before the outcome is told; sync can take long.
    m_export->job = QtConcurrent::run([] {
        FileSystem::sync();
        return true;
    });
    whenFinished(this, m_export->job, [this](bool) { tellExport(); });
}

void TTestChart::tellExport()
{
    const bool success = m_export->success;
    const QString targetDirectory = m_export->targetDirectory;
    QString shown = targetDirectory.isEmpty() ? GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements) : targetDirectory;
    shown.replace(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint), QStringLiteral("USB:"));
    shown.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (m_gui)
        m_gui->closeDlg(m_export->progressId, IGUI::Accepted);
    // Still refusing a new start until the outcome is shown.
    QTimer::singleShot(GlobalFuncs::shownMs(kStepWaitMs), this, [this, success, shown, targetDirectory] {
        if (m_gui) {
            const QString key =
                success ? QStringLiteral("DataSuccessfullyExported") : QStringLiteral("UnableToExportData");
            m_gui->showMessageDlg(success ? CAT_INF : CAT_ERR, TransObject(QStringLiteral("History"), key, {shown}),
                                  false, true);
        }
        m_export.reset();
        emit measurementsCopied(success, targetDirectory);
    });
}

bool TTestChart::copyMeasurementFile(QFile& file)
{
    QString targetDirectory;
    return copyMeasurementFile(file, targetDirectory);
}

bool TTestChart::copyMeasurementFile(QFile& file, QString& targetDirectory)
{
    const QString source = file.fileName();
    const QStringList parts = source.split(QLatin1Char('/'));
    const QString fileName = parts.value(parts.size() - 1);
    const QString dayFolder = parts.value(parts.size() - 2);

    targetDirectory =
        GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements) + QLatin1Char('/') + dayFolder + QLatin1Char('/');
    if (!StickWriter::makeFolder(targetDirectory)) {
        qDebug() << "[ERROR] Failed to create dir" << targetDirectory;
        return false;
    }

    // A taken name is numbered; compared by contents, as an edit of the same length is
    // still a new version.
    const QString target = StickWriter::freeName(targetDirectory + fileName,
                                                 [&source](const QString& taken) { return sameContents(source, taken); });
    if (target.isEmpty()) {
        qDebug() << "[ERROR] Failed find new filename" << fileName << "in dir" << targetDirectory;
        return false;
    }
    if (QFileInfo::exists(target))
        return true; // this version was exported before

    if (!StickWriter::copyFile(source, target))
        return false;
    const QFileInfo info(source);
    // Not every file system keeps a birth time; then the copy keeps the last change.
    const QDateTime born = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    setFileTimes(target, born);
    return true;
}
