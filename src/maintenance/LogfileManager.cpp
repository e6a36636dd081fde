#include "maintenance/LogfileManager.h"

#include "core/FileSystem.h"
#include "core/GlobalFuncs.h"
#include "core/StickWriter.h"
#include "core/TransObject.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "uiapi/IGUI.h"
#include "logging/LoggingCtrl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcLogFileManager, "LogFileManager")

namespace {
const char* const kClass = "LogfileManager";
const QString kContext = QStringLiteral("LogfileManager");
constexpr int kUsbWatchMs = 500;
constexpr int kMinShownMs = 1000;
constexpr int kKeepShownMs = 1500;

bool stickMissing()
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->getUSBState() != USBState_Ready;
}
} // namespace

LogfileManager::LogfileManager(QObject* parent)
    : QObject(parent), m_systemLog(new SystemLog(GlobalFuncs::getDB() ? GlobalFuncs::getDB()->getStatistics() : nullptr)),
      m_clock([] { return QDateTime::currentDateTime(); })
{
    m_usbWatch.setInterval(kUsbWatchMs);
    connect(&m_usbWatch, &QTimer::timeout, this, &LogfileManager::waitForLogfileExport);
}

LogfileManager::~LogfileManager()
{
    if (!m_systemLog->isBusy()) {
        delete m_systemLog;
        return;
    }
    // A report waiting for its write still runs further up this thread's stack: the
    // report ends itself once the last one is written.
    SystemLog* log = m_systemLog;
    connect(log, &SystemLog::SystemLogGenerated, log, [log] {
        if (!log->isBusy())
            log->deleteLater();
    });
}

void LogfileManager::setClock(SystemLog::Clock clock)
{
    m_clock = clock;
    m_systemLog->setClock(std::move(clock));
}

void LogfileManager::setMachineName(const QString& name) { m_systemLog->setMachineName(name); }

void LogfileManager::addCfgInfo(SystemLog::eCfgInfoType type, const QStringList& lines)
{
    m_systemLog->addCfgInfo(type, lines);
}

void LogfileManager::addCfgInfo(SystemLog::eCfgInfoType type, const QString& line)
{
    addCfgInfo(type, QStringList{line});
}

QString LogfileManager::displayPath(const QString& path)
{
    const QString mount = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
    if (StickWriter::isBelowMountPoint(path))
        return QStringLiteral("USB") + QDir::cleanPath(QDir(path).absolutePath()).mid(QDir::cleanPath(mount).size());
    return path;
}

bool LogfileManager::exportLogFiles() { return exportLogFiles(false); }

bool LogfileManager::exportLogFiles(bool exportTraceFiles)
{
    if (!StickWriter::present()) {
        IGUI* gui = GlobalFuncs::getGUI();
        if (!gui || !gui->requestUSBConnDlg() || !StickWriter::present())
            return false;
    }
    return exportLogFiles(GlobalFuncs::getUsbPath(GlobalFuncs::UsbLogFiles), exportTraceFiles);
}

bool LogfileManager::exportLogFiles(QString exportPath, bool exportTraceFiles)
{
    qCDebug(lcLogFileManager) << "exportLogFiles:" << exportPath << (exportTraceFiles ? "true" : "false");
    // A second export would share the report and its signal with the first.
    if (m_exporting || m_systemLog->isBusy()) {
        KLOG_WARN2(kClass, "exportLogFiles", QStringLiteral("An export is running; %1 refused").arg(exportPath));
        return false;
    }
    if (exportPath.isEmpty()) {
        emit SystemLogGenerated(false);
        return false;
    }
    m_exporting = true;
    m_exportFolder = exportPath;

    IGUI* gui = GlobalFuncs::getGUI();
    m_waitDialog = QUuid();
    if (gui) {
        const QList<TransObject> wait{TransObject(kContext, QStringLiteral("ExportingLogToDir"), {displayPath(exportPath)}),
                                      TransObject(QStringLiteral("UpdateManager"), QStringLiteral("TakeAWhile"))};
        m_waitDialog = gui->showMessageDlg(CAT_PERSISTENT, wait, false, false);
    }

    // A folder meant for the stick is made only on a stick.
    if (!(StickWriter::isBelowMountPoint(exportPath) ? StickWriter::makeFolder(exportPath)
                                                     : FileSystem::mkpath(exportPath))) {
        KLOG_ERROR2(kClass, "exportLogFiles", QStringLiteral("Cannot create %1").arg(exportPath));
        failBeforeReport();
        return false;
    }
    if (exportTraceFiles && !archiveTraceFiles(exportPath)) {
        failBeforeReport();
        return false;
    }

    connect(m_systemLog, &SystemLog::SystemLogGenerated, this, &LogfileManager::finishedLogfileExport,
            Qt::UniqueConnection);
    m_exportClock.start();
    if (StickWriter::isBelowMountPoint(exportPath))
        m_usbWatch.start();
    m_systemLog->scheduleSysLogGeneration(QDir(exportPath));
    return true;
}

bool LogfileManager::archiveTraceFiles(const QString& folder)
{
    const QString traceFolder = QDir(GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Trace)).absolutePath();
    const QStringList traceFiles =
        QDir(traceFolder).entryList({QStringLiteral("*.trc")}, QDir::Files | QDir::Hidden, QDir::Name);
    if (traceFiles.isEmpty()) {
        KLOG_ERROR2(kClass, "exportLogFiles", QStringLiteral("No trace files in %1").arg(traceFolder));
        return false;
    }
    const QString name = QLocale::c()
                             .toString(m_clock(), QStringLiteral("'%1_'yyyy'_'MM'_'dd'_'hh'_'mm'.tar'"))
                             .arg(GlobalFuncs::getProjectAbbreviation());
    const QString target = QDir(folder).absolutePath() + QLatin1Char('/') + name;
    // For the stick the archive is made in the scratch folder and goes over whole.
    const bool onStick = StickWriter::isBelowMountPoint(target);
    const QString archive =
        onStick ? GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Scratch) + QLatin1Char('/') + name : target;
    // No shell: the folder comes from the configuration, the stick or a remote peer.
    // "--" because the names begin with the configurable system name.
    const QStringList arguments = QStringList{QStringLiteral("-c"), QStringLiteral("-f"), archive, QStringLiteral("-C"),
                                              traceFolder, QStringLiteral("--")}
        + traceFiles;
    bool ok = FileSystem::mkpath(QFileInfo(archive).absolutePath())
        && FileSystem::runExternalProcess(QStringLiteral("tar"), arguments);
    if (ok && onStick)
        ok = StickWriter::copyFile(archive, target);
    if (!ok || onStick)
        QFile::remove(archive); // a cut-short archive looks whole on the stick
    if (!ok)
        KLOG_ERROR2(kClass, "exportLogFiles", QStringLiteral("Cannot archive the trace files into %1").arg(target));
    return ok;
}

void LogfileManager::failBeforeReport()
{
    // Nothing was started: end the export the way a failed report does.
    m_exporting = false;
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->closeDlg(m_waitDialog, IGUI::Accepted);
    emit SystemLogGenerated(false);
    showResult(CAT_ERR, QStringLiteral("SystemLogExportFailed"), {displayPath(m_exportFolder)});
}

void LogfileManager::finishedLogfileExport(bool result)
{
    qCDebug(lcLogFileManager) << "finishedLogfileExport:" << result;
    disconnect(m_systemLog, &SystemLog::SystemLogGenerated, this, &LogfileManager::finishedLogfileExport);
    m_usbWatch.stop();
    if (!m_exporting || m_ending)
        return;
    // The export counts as running, and refuses another, until its outcome is told.
    m_ending = true;
    if (m_exportClock.elapsed() < kMinShownMs) // keeps the wait message readable
        QTimer::singleShot(GlobalFuncs::shownMs(kKeepShownMs), this, [this, result] { endExport(result); });
    else
        endExport(result);
}

void LogfileManager::endExport(bool result)
{
    m_ending = false;
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->closeDlg(m_waitDialog, IGUI::Accepted);
    FileSystem::sync();
    m_exporting = false;
    emit SystemLogGenerated(result);
    if (result)
        showResult(CAT_MSG, QStringLiteral("SystemLogSuccessfullyExported"), {displayPath(m_exportFolder)});
    else
        showResult(CAT_ERR, QStringLiteral("SystemLogExportFailed"), {displayPath(m_exportFolder)});
}

void LogfileManager::waitForLogfileExport()
{
    if (!stickMissing())
        return;
    LoggingCtrl::log(CAT_METHOD, "METHOD", "USB not mounted", -1, kClass, "WaitForLogfileExport");
    finishedLogfileExport(false);
}

void LogfileManager::showResult(MessageCategories category, const QString& key, const QStringList& arguments)
{
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(category, TransObject(kContext, key, arguments), false, true);
    LoggingCtrl::logService(TransObject::fillArguments(LoggingCtrl::getUntranslatedText(kContext, key), arguments));
}

void LogfileManager::deleteLogfiles()
{
    // The message log only: passwords, statistics and stored settings are no logs.
    DB* db = GlobalFuncs::getDB();
    if (db && db->deleteMessageLog())
        showResult(CAT_MSG, QStringLiteral("LogDataReset"), {});
    else
        showResult(CAT_ERR, QStringLiteral("ErrorResetLogData"), {});
}
