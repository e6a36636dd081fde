#include "maintenance/UpdateManager.h"

#include "core/CRC32.h"
#include "core/CommonOS.h"
#include "core/FileSystem.h"
#include "core/FsRoot.h"
#include "core/GlobalFuncs.h"
#include "core/InvalidVersion.h"
#include "core/TransObject.h"
#include "datamodel/DataModell.h"
#include "datamodel/SystemInfo.h"
#include "db/DB.h"
#include "uiapi/IGUI.h"
#include "hvunit/IUpdateLink.h"
#include "logging/LoggingCtrl.h"
#include "maintenance/ConfigfileManager.h"
#include "maintenance/LanguageManager.h"
#include "maintenance/TarArchive.h"
#include "testrun/TTestChart.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QTimer>
#include <QtConcurrent>

#include <cstdlib>

#include <unistd.h>

namespace {
const char* const kClass = "UpdateManager";
const char* const kContext = "UpdateManager";
const char* const kLanguagePrefix = "vlf-";
const char* const kProgram = "/opt/vlf/vlf";
const int kRebootWaitMs = 5000;
// How long a failure shows before the reboot message may cover it.
const int kFailureShownMs = 10000;

QString translated(const char* key) { return QCoreApplication::translate(kContext, key); }

IGUI* gui() { return GlobalFuncs::getGUI(); }

QString currentLanguage()
{
    DataModell* dm = GlobalFuncs::getDM();
    const QString language = dm ? dm->getCurrentLanguage() : QString();
    // A factory reset leaves no stored language; English is always there.
    return language.isEmpty() ? QStringLiteral("English") : language;
}

bool isRemoteControlled()
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->isRemoteControlled();
}

bool isElf(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.read(4) == QByteArray("\x7F" "ELF", 4);
}

// First line of a CRC companion as an unsigned 32-bit number; false when unreadable.
bool readCompanion(const QString& crcFile, quint32* crc, bool* opened)
{
    QFile f(crcFile);
    *opened = f.open(QIODevice::ReadOnly);
    if (!*opened)
        return false;
    const QByteArray line = f.readLine(64).trimmed();
    f.close();
    bool ok = false;
    const qulonglong value = line.toULongLong(&ok, 16);
    if (!ok || value > 0xFFFFFFFFull)
        return false;
    *crc = quint32(value);
    return true;
}

QList<qlonglong> versionFields(const QString& version, bool* numeric)
{
    QList<qlonglong> fields;
    *numeric = true;
    for (const QString& piece : version.split(QLatin1Char('.'))) {
        bool ok = false;
        const qlonglong v = piece.toLongLong(&ok);
        if (!ok || v < 0)
            *numeric = false;
        fields << v;
    }
    return fields;
}
} // namespace

UpdateManager::UpdateManager(LanguageManager* languages, std::unique_ptr<IUpdateLink> hvLink,
                             ConfigfileManager* config, QObject* parent)
    : QObject(parent), m_languages(languages), m_hvLink(std::move(hvLink)), m_config(config)
{
    if (!m_hvLink) {
        KLOG_DEBUG2(kClass, "UpdateManager",
                    QStringLiteral("Fatal Error: Please initialize POF first. m_pPOF = %1").arg(quintptr(0), 0, 16));
        std::exit(-1);
    }
    UpdatePackage::registerMetaTypes();
    m_diskUsage = [](const QString& path) { return SystemInfo::getDiskUsage(path); };
    m_copy = [](const QString& from, const QString& to) { return FileSystem::copyDurably(from, to); };
}

UpdateManager::~UpdateManager() = default;

// ---------------------------------------------------------------------------
// Packages on the stick
// ---------------------------------------------------------------------------

QString UpdateManager::getUpdatePath() { return GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates); }

QStringList UpdateManager::getNameFilter() { return {QStringLiteral("*.tar"), QStringLiteral("*.ldr"), QStringLiteral("*.img")}; }

QString UpdateManager::getVersion(int type)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return QLatin1String(INVALID_VERSION);
    return type == UpdatePackage::HVApplication ? dm->getHVCVersion() : dm->getVersion(type, false);
}

QString UpdateManager::getUSBUpdateFilename(const updatePackage& package)
{
    // Extracted parts and archives carry their absolute path already.
    if (QDir::isAbsolutePath(package.file))
        return package.file;
    return package.directory + QLatin1Char('/') + package.file;
}

QString UpdateManager::getUSBUpdateCRCFilename(const updatePackage& package)
{
    return crcFilename(getUSBUpdateFilename(package));
}

QString UpdateManager::crcFilename(const QString& file)
{
    const int slash = file.lastIndexOf(QLatin1Char('/'));
    const int dot = file.lastIndexOf(QLatin1Char('.'));
    return (dot > slash ? file.left(dot) : file) + QStringLiteral(".crc");
}

bool UpdateManager::isCRCcorrect(const QString& file, const QString& crcFile, unsigned int* crc)
{
    const quint32 actual = getCRC32FromFile(QFile::encodeName(file).constData());
    if (actual == 0) {
        KLOG_DEBUG2(kClass, "isCRCcorrect", QStringLiteral("Unable to calculate CRC"));
        return false;
    }
    if (crc)
        *crc = actual;
    quint32 expected = 0;
    bool opened = false;
    if (!readCompanion(crcFile, &expected, &opened)) {
        KLOG_DEBUG2(kClass, "isCRCcorrect",
                    opened ? QStringLiteral("unable to convert CRC from string")
                           : QStringLiteral("Unable to open .crc file %1").arg(crcFile));
        return false;
    }
    KLOG_DEBUG2(kClass, "isCRCcorrect",
                QStringLiteral("CRC soll %1 ist %2")
                    .arg(QString::number(expected, 16).toUpper(), QString::number(actual, 16).toUpper()));
    return expected == actual;
}

bool UpdateManager::isLanguageUpdate(const updatePackage& package) { return package.type == UpdatePackage::Language; }

bool UpdateManager::isRebootNeeded(const updatePackage& package)
{
    if (isRemoteControlled())
        return false;
    return package.type != UpdatePackage::Language && package.type != UpdatePackage::HVApplication;
}

bool UpdateManager::isOlderVersion(const QString& offered, const QString& installed)
{
    bool offeredNumeric = false;
    bool installedNumeric = false;
    const QList<qlonglong> a = versionFields(offered, &offeredNumeric);
    const QList<qlonglong> b = versionFields(installed, &installedNumeric);
    if (!offeredNumeric || !installedNumeric)
        return true;
    for (int i = 0; i < qMax(a.size(), b.size()); ++i) {
        const qlonglong x = a.value(i, 0);
        const qlonglong y = b.value(i, 0);
        if (x != y)
            return x < y;
    }
    return false;
}

bool UpdateManager::prepareUpdate()
{
    DataModell* dm = GlobalFuncs::getDM();
    if (dm && dm->getUSBState() != 0 && !(gui() && gui()->requestUSBConnDlg()))
        return false;
    const QUuid wait = showMessage(CAT_PERSISTENT, QStringLiteral("SearchingForUpdatesOnUsb"), false);
    QCoreApplication::processEvents();
    const bool folderFound = readUpdatesList();
    closeMessage(wait);
    if (folderFound && !m_updateList.isEmpty())
        return true;
    showMessage(CAT_ERR, folderFound ? QStringLiteral("NoUpdatesFoundOnUsb") : QStringLiteral("NoUpdateDirFoundOnUsb"),
                true);
    return false;
}

bool UpdateManager::readUpdatesList()
{
    m_updateList.clear();
    const QDir folder(getUpdatePath());
    if (!folder.exists())
        return false;
    const QFileInfoList entries = folder.entryInfoList(getNameFilter(), QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                                       QDir::Type | QDir::Name | QDir::Reversed);
    QSet<QString> names;
    QMap<int, QMap<QString, updatePackage>> byType;
    // Asked once per type: some versions come from an external program.
    QHash<int, QString> installed;
    for (const QFileInfo& entry : entries) {
        updatePackage package(entry.absoluteFilePath());
        if (package.version == QLatin1String(INVALID_VERSION) || names.contains(package.name))
            continue;
        names.insert(package.name);
        if (!installed.contains(package.type))
            installed.insert(package.type, getVersion(package.type));
        package.installedVersion = installed.value(package.type);
        byType[package.type].insert(package.name, package);
    }
    const QString prefix = QStringLiteral("%1-").arg(QStringLiteral("pevanto"));
    for (auto type = byType.cbegin(); type != byType.cend(); ++type) {
        for (updatePackage package : type.value()) {
            if (package.name.startsWith(prefix))
                package.name = package.name.mid(prefix.size());
            m_updateList << package;
        }
    }
    return true;
}

void UpdateManager::setNextUpdatePackage(const updatePackage& package) { m_next = package; }

void UpdateManager::appStateChanged(States::AppState, States::AppState newState)
{
    if (newState != States::Updating)
        return;
    if (m_next.file.isEmpty()) {
        // Nothing chosen: leave Updating again instead of staying there.
        KLOG_WARN2(kClass, "appStateChanged", QStringLiteral("No update package chosen"));
        finalizeUpdate();
        return;
    }
    const updatePackage package = m_next;
    // Installed once: a later Updating needs a new choice.
    m_next = updatePackage();
    performUpdate(package);
}

// ---------------------------------------------------------------------------
// Installing
// ---------------------------------------------------------------------------

QString UpdateManager::scratchFolder(const QString& name) const
{
    return GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Scratch) + QLatin1Char('/') + name;
}

int UpdateManager::performUpdate(const updatePackage& package)
{
    if (m_running) {
        KLOG_ERROR2(kClass, "performUpdate",
                    QStringLiteral("Update of %1 refused: another update is running").arg(package.name));
        return -1;
    }
    m_running = true;
    KLOG_DEBUG2(kClass, "performUpdate", QStringLiteral("Updating %1").arg(package.name));

    QList<updatePackage> parts;
    const int unpacked = buildPartList(package, &parts);
    if (unpacked != UpdateSuccess) {
        removeScratchFolders();
        emit updateFinished(unpacked);
        showUpdateResult(eUpdateState(unpacked));
        m_running = false;
        return -1;
    }

    bool languageInstalled = false;
    bool rebootNeeded = false;
    for (const updatePackage& part : parts) {
        rebootNeeded = rebootNeeded || isRebootNeeded(part);
        languageInstalled = languageInstalled || part.type == UpdatePackage::Language;
    }
    int result = UpdateSuccess;
    // Answered before anything is written, with no progress over the question.
    if (!confirmDowngrades(parts)) {
        result = NotConfirmed;
        parts.clear();
        languageInstalled = false;
    }

    const QString baseText = translated("WritingUpdateToFlash") + QLatin1Char('\n') + translated("TakeAWhile");
    const QUuid progress =
        gui() && !parts.isEmpty() ? gui()->requestProgressDlg(baseText, 0, parts.size(), 1, 0) : QUuid();
    for (const updatePackage& part : parts) {
        QString text;
        if (part.type == UpdatePackage::Language) {
            const int prefix = part.file.lastIndexOf(QLatin1String(kLanguagePrefix));
            QString language = prefix < 0 ? part.name : part.file.mid(prefix + int(qstrlen(kLanguagePrefix)));
            if (language.endsWith(QLatin1String(".tar")))
                language.chop(4);
            text = TransObject::fillArguments(translated("UpdatingLanguage"), {language});
        } else {
            text = translated("Updating") + QLatin1Char(' ') + part.name;
        }
        if (gui())
            gui()->updateProgressDlgText(progress, baseText + QLatin1Char(' ') + text + QStringLiteral("..."));
        QCoreApplication::processEvents();
        result = doUpdate(part);
        if (result != UpdateSuccess)
            break;
        if (gui())
            gui()->incrementProgressDlg(progress);
    }
    m_confirmedDowngrades.clear();

    if (languageInstalled && m_languages) {
        const QString language = currentLanguage();
        m_languages->unloadCurrentLanguage();
        m_languages->reloadLanguages();
        reselectLanguage(language);
    }
    removeScratchFolders();
    FileSystem::sync();
    if (gui() && !progress.isNull())
        gui()->closeDlg(progress, IGUI::Accepted);
    emit updateFinished(result);
    QCoreApplication::processEvents();
    showUpdateResult(eUpdateState(result));

    if (rebootNeeded && !GlobalFuncs::isDemo()) {
        // The failure is read before the reboot message covers it: closed, or shown a while.
        if (result != UpdateSuccess)
            waitForAnswer(m_resultMessage, GlobalFuncs::shownMs(kFailureShownMs));
        rebootAfterUpdate();
    }
    m_running = false;
    return result == UpdateSuccess ? 0 : -1;
}

bool UpdateManager::confirmDowngrades(const QList<updatePackage>& parts)
{
    for (const updatePackage& part : parts) {
        if (part.type == UpdatePackage::Language || part.type == UpdatePackage::Configuration)
            continue;
        const QString current = getVersion(part.type);
        if (!downgradeConfirmed(part, current)) {
            logPartResult(part, current, false);
            return false;
        }
        m_confirmedDowngrades.insert(part.file);
    }
    return true;
}

bool UpdateManager::downgradeConfirmed(const updatePackage& part, const QString& current)
{
    if (!isOlderVersion(part.version, current) || isRemoteControlled() || m_confirmedDowngrades.contains(part.file))
        return true;
    const QUuid id = showMessage(CAT_WARN, QStringLiteral("DowngradeToOlderVersion"), true, {part.name});
    return waitForAnswer(id, -1) == IGUI::Accepted;
}

void UpdateManager::logPartResult(const updatePackage& part, const QString& current, bool ok)
{
    LoggingCtrl::log(ok ? CAT_INF : CAT_ERR, ok ? "INF" : "ERR",
                     QStringLiteral("Update of %1 from version %2 to version %3 %4!")
                         .arg(part.name, current, part.version,
                              ok ? QStringLiteral("completed") : QStringLiteral("failed")),
                     -1, kClass, "doUpdate");
}

int UpdateManager::buildPartList(const updatePackage& package, QList<updatePackage>* parts)
{
    if (package.type == UpdatePackage::AllLanguages)
        return unpackLanguageUpdate(package, parts);
    if (package.type == UpdatePackage::SoftwarePackage)
        return unpackSoftwarePackage(package, parts);
    parts->append(package);
    return UpdateSuccess;
}

int UpdateManager::unpackLanguageUpdate(const updatePackage& package, QList<updatePackage>* parts)
{
    const QString folder = scratchFolder(QStringLiteral("%1languages").arg(QLatin1String(kLanguagePrefix)));
    FileSystem::rmdir(folder);
    if (!FileSystem::mkpath(folder))
        return ScratchFailed;
    if (!TarArchive::extract(package.file, folder))
        return UnpackFailed;
    const QStringList entries = QDir(folder).entryList({QStringLiteral("%1*.tar").arg(QLatin1String(kLanguagePrefix))},
                                                       QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& entry : entries) {
        updatePackage part;
        part.file = folder + QLatin1Char('/') + entry;
        part.name = entry.section(QLatin1Char('.'), 0, 0).remove(QLatin1String(kLanguagePrefix));
        part.type = UpdatePackage::Language;
        parts->append(part);
    }
    return UpdateSuccess;
}

int UpdateManager::unpackSoftwarePackage(const updatePackage& package, QList<updatePackage>* parts)
{
    KLOG_DEBUG2(kClass, "performUpdate", QStringLiteral("Unrolling software package"));
    const QString folder = scratchFolder(GlobalFuncs::getProjectAbbreviation() + QStringLiteral("-updates"));
    FileSystem::rmdir(folder);
    if (!FileSystem::mkpath(folder))
        return ScratchFailed;
    const QUuid wait = showMessage(CAT_PERSISTENT, QStringLiteral("ExtractingSoftwarePackage"), false);
    const bool extracted = TarArchive::extract(package.file, folder);
    closeMessage(wait);
    if (!extracted)
        return UnpackFailed;
    const QDir dir(folder);
    const QStringList entries = dir.entryList(getNameFilter(), QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& entry : entries) {
        updatePackage part;
        part.file = dir.absolutePath() + QLatin1Char('/') + entry;
        part.name = entry.section(QLatin1Char('-'), 0, 0);
        part.version = UpdatePackage::getVersionFromFilename(entry);
        part.type = UpdatePackage::getUpdateTypeFromPartname(part.name);
        parts->append(part);
    }
    return UpdateSuccess;
}

int UpdateManager::doUpdate(const updatePackage& part)
{
    if (part.type == UpdatePackage::Language)
        return installLanguage(part);
    if (part.type == UpdatePackage::Configuration)
        return installConfiguration(part);
    return installPart(part);
}

int UpdateManager::installLanguage(const updatePackage& part)
{
    const QString languages = GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Languages);
    // The space that counts is where the catalogues go: the languages folder, or the
    // nearest folder above it while it does not exist yet.
    QString written = languages;
    while (!QFileInfo(written).isDir() && QFileInfo(written).absolutePath() != written)
        written = QFileInfo(written).absolutePath();
    if (m_diskUsage(written) > 98) {
        showMessage(CAT_ERR, QStringLiteral("NotEnoughMemoryForLanguageUpdate"), true);
        return NoSpaceForLanguage;
    }
    if (!FileSystem::mkpath(languages))
        return LanguageFolderFailed;
    // Unpacked beside the catalogues first, then each file moved in by rename: the
    // languages folder never holds a half-written catalogue.
    const QString staging = scratchFolder(QStringLiteral("%1language").arg(QLatin1String(kLanguagePrefix)));
    FileSystem::rmdir(staging);
    if (!FileSystem::mkpath(staging))
        return ScratchFailed;
    int result = UpdateSuccess;
    if (!TarArchive::extract(part.file, staging)) {
        result = UnpackFailed;
    } else if (!cataloguesLoad(staging)) {
        result = CatalogueDamaged;
    } else {
        const QFileInfoList files = QDir(staging).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
        for (const QFileInfo& f : files) {
            if (!FileSystem::replaceFile(f.absoluteFilePath(), languages + QLatin1Char('/') + f.fileName())) {
                KLOG_ERROR2(kClass, "doUpdate", QStringLiteral("Cannot move %1 into %2").arg(f.fileName(), languages));
                result = LanguageFolderFailed;
                break;
            }
        }
        FileSystem::syncPath(languages);
    }
    FileSystem::rmdir(staging);
    return result;
}

bool UpdateManager::cataloguesLoad(const QString& staging)
{
    // Tried where they were unpacked: a catalogue that does not load replaces nothing.
    const QFileInfoList catalogues = QDir(staging).entryInfoList({QStringLiteral("*.qm")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& catalogue : catalogues) {
        if (!LanguageManager::loads(catalogue.absoluteFilePath())) {
            KLOG_ERROR2(kClass, "doUpdate",
                        QStringLiteral("%1 does not load: the language package is refused").arg(catalogue.fileName()));
            showMessage(CAT_ERR, QStringLiteral("LanguageFileDamaged"), true, {catalogue.fileName()});
            return false;
        }
    }
    return true;
}

int UpdateManager::installConfiguration(const updatePackage& part)
{
    KLOG_DEBUG2(kClass, "doUpdate", QStringLiteral("Updating Config"));
    // Checked as an import is, and replaced in one step, so the store reads it back.
    if (!m_config || m_config->replaceDeviceConfiguration(part.file) != ConfigfileManager::Replaced)
        return HostWriteFailed;
    QFile::remove(part.file);
    return UpdateSuccess;
}

int UpdateManager::installPart(const updatePackage& part)
{
    const QString language = currentLanguage();
    const QString current = getVersion(part.type);
    KLOG_DEBUG2(kClass, "doUpdate",
                QStringLiteral("Updating %1, current version = %2, new version = %3").arg(part.name, current, part.version));

    int result = UpdateSuccess;
    QString databaseFolder;
    bool released = false;
    const auto finish = [&](int code) {
        if (released && (isRemoteControlled() || GlobalFuncs::isDemo()))
            reopenDatabaseAndLogging(databaseFolder);
        logPartResult(part, current, code == UpdateSuccess);
        return code;
    };

    if (!downgradeConfirmed(part, current))
        return finish(NotConfirmed);
    if (!isCRCcorrect(getUSBUpdateFilename(part), getUSBUpdateCRCFilename(part))) {
        showMessage(CAT_ERR, QStringLiteral("CrcError"), true);
        return finish(CrcFailed);
    }
    if (part.type == UpdatePackage::Appdata) {
        emit exportConfigFile(QStringLiteral("backup"), true);
        if (DB* db = GlobalFuncs::getDB())
            databaseFolder = QFileInfo(db->filePath()).absolutePath();
        released = true;
        if (!GlobalFuncs::release())
            return finish(ReleaseFailed);
    }
    if (part.type == UpdatePackage::Application && !isElf(getUSBUpdateFilename(part)))
        return finish(NotConfirmed);
    if (part.type == UpdatePackage::Fonts && m_languages)
        m_languages->unloadCurrentLanguage();

    result = executeUpdate(getUSBUpdateFilename(part), part.type);

    if (part.type == UpdatePackage::Fonts)
        reselectLanguage(language);
    if (part.type == UpdatePackage::Appdata && result == UpdateSuccess) {
        if (!GlobalFuncs::isDemo()) {
            const QString mountPoint = FsRoot::path(QStringLiteral("%1/mappedPaths").arg(QStringLiteral("/home/root"))) +
                                       QStringLiteral("/appdata");
            const bool unmounted = FileSystem::runExternalProcess(QStringLiteral("umount"), {mountPoint});
            const bool mounted = FileSystem::runExternalProcess(QStringLiteral("mount"), {mountPoint});
            if (!unmounted || !mounted)
                result = MountFailed;
        }
        if (!GlobalFuncs::initPaths())
            result = InitPathsFailed;
    }
    return finish(result);
}

void UpdateManager::reselectLanguage(const QString& language)
{
    if (m_languages && m_languages->changeLanguage(language) != 0)
        KLOG_ERROR2(kClass, "doUpdate", QStringLiteral("Cannot select the language %1 again").arg(language));
}

void UpdateManager::reopenDatabaseAndLogging(const QString& databaseFolder)
{
    // No reboot follows to open them again.
    if (LoggingCtrl* logger = GlobalFuncs::getLogger()) {
        if (!logger->isRunning())
            logger->initialize(GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Trace));
    }
    if (DB* db = GlobalFuncs::getDB()) {
        if (!db->isOpen() && !db->initialize(databaseFolder))
            KLOG_ERROR2(kClass, "doUpdate", QStringLiteral("Cannot open the database again"));
    }
}

int UpdateManager::executeUpdate(const QString& file, const int& type)
{
    if (type != UpdatePackage::HVApplication)
        return writeHOSTUpdate(file, type);

    const qint64 size = QFileInfo(file).size();
    if (size < 1 || size > 4294967294LL)
        return CrcFailed;
    KLOG_CAT2(CAT_METHOD, "METHOD", kClass, "executeUpdate",
              QStringLiteral("Performing update of HV application of size %1 bytes...").arg(size));
    quint32 crc = 0;
    bool opened = false;
    if (!readCompanion(crcFilename(file), &crc, &opened)) {
        if (!opened)
            KLOG_DEBUG2(kClass, "executeUpdate", QStringLiteral("Unable to open .crc file %1").arg(crcFilename(file)));
        return CrcFailed;
    }
    bool finished = false;
    QEventLoop loop;
    const QMetaObject::Connection c = connect(this, &UpdateManager::finishedHVUpdate, &loop, [&] {
        finished = true;
        loop.quit();
    });
    emit sendHVCUpdate(file, 1, uint(size), crc);
    if (!finished)
        loop.exec();
    disconnect(c);

    int code = int(m_hvLink->getUpdateState());
    if (code == UpdateSuccess) {
        if (m_hvLink->rebootHVUnit())
            m_hvUpdatePending = true;
        else
            code = HVRebootFailed;
    }
    return code;
}

bool UpdateManager::removeUnfinishedProgramCopy()
{
    // A power cut during an update leaves the new program's copy cut short beside the old one.
    const QString fresh = FsRoot::path(QLatin1String(kProgram)) + QStringLiteral(".new");
    if (!QFileInfo::exists(fresh) && !QFileInfo(fresh).isSymLink())
        return false;
    if (!QFile::remove(fresh)) {
        KLOG_ERROR2(kClass, "removeUnfinishedProgramCopy", QStringLiteral("Cannot remove %1").arg(fresh));
        return false;
    }
    KLOG_INFO2(kClass, "removeUnfinishedProgramCopy", QStringLiteral("Removed the unfinished %1").arg(fresh));
    return true;
}

int UpdateManager::writeHOSTUpdate(const QString& file, const int& type)
{
    if (type != UpdatePackage::Application)
        return HostWriteFailed;
    const QString program = FsRoot::path(QLatin1String(kProgram));
    const QString fresh = program + QStringLiteral(".new");
    const QString backup = program + QStringLiteral(".bak");
    // The running program stays in place until a checked, complete copy replaces it in one step.
    const auto fail = [&](const QString& why) {
        KLOG_ERROR2(kClass, "writeHOSTUpdate", why);
        QFile::remove(fresh);
        return HostWriteFailed;
    };
    if (QFileInfo::exists(fresh) && !QFile::remove(fresh))
        return fail(QStringLiteral("Cannot remove %1").arg(fresh));
    // Tens of megabytes from a stick: copied on a pool thread while this one keeps
    // serving its events (and the watchdog's heartbeat).
    const auto copier = m_copy;
    if (!TTestChart::waitForFinished(QtConcurrent::run([copier, file, fresh] { return copier(file, fresh); })))
        return fail(QStringLiteral("Cannot copy %1 to %2").arg(file, fresh));
    if (!isCRCcorrect(fresh, crcFilename(file)))
        return fail(QStringLiteral("The copy %1 does not match its CRC").arg(fresh));
    QFile copy(fresh);
    if (!copy.setPermissions(copy.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther))
        return fail(QStringLiteral("Cannot make %1 executable").arg(fresh));
    if (QFileInfo::exists(backup) && !QFile::remove(backup))
        return fail(QStringLiteral("Cannot remove %1").arg(backup));
    // A second name for the running program; a copy only where links are not possible.
    if (QFileInfo::exists(program) &&
        ::link(QFile::encodeName(program).constData(), QFile::encodeName(backup).constData()) != 0 &&
        !QFile::copy(program, backup))
        return fail(QStringLiteral("Cannot keep %1 as %2").arg(program, backup));
    if (!FileSystem::replaceFile(fresh, program))
        return fail(QStringLiteral("Cannot replace %1").arg(program));
    FileSystem::syncPath(QFileInfo(program).absolutePath());
    return UpdateSuccess;
}

// ---------------------------------------------------------------------------
// Reporting
// ---------------------------------------------------------------------------

void UpdateManager::showUpdateResult(eUpdateState code)
{
    finalizeUpdate();
    if (code == UpdateSuccess)
        m_resultMessage = showMessage(CAT_MSG, QStringLiteral("UpdateSuccessful"), true);
    else
        m_resultMessage = showMessage(CAT_FATAL, QStringLiteral("UpdateFailed"), true,
                                      {QStringLiteral(" (0x%1)").arg(int(code), 2, 16, QLatin1Char('0'))});
}

void UpdateManager::finalizeUpdate()
{
    if (m_hvUpdatePending) {
        m_hvUpdatePending = false;
        emit sendAppEvent(eAppEvent::HVUpdateFinished);
    } else {
        emit HostUpdateFinished();
    }
}

void UpdateManager::removeScratchFolders()
{
    FileSystem::rmdir(scratchFolder(QStringLiteral("%1languages").arg(QLatin1String(kLanguagePrefix))));
    FileSystem::rmdir(scratchFolder(GlobalFuncs::getProjectAbbreviation() + QStringLiteral("-updates")));
    FileSystem::sync();
}

void UpdateManager::rebootAfterUpdate()
{
    const QUuid id = showMessage(CAT_INF, QStringLiteral("StandbyWhileRebooting"), true);
    FileSystem::sync();
    Q_UNUSED(id)
    waitForAnswer(QUuid(), GlobalFuncs::shownMs(kRebootWaitMs));
    CommonOS::reboot(false);
}

int UpdateManager::waitForAnswer(const QUuid& id, int timeoutMs)
{
    IGUI* g = gui();
    if (!g)
        return IGUI::Rejected;
    int answer = IGUI::Rejected;
    QEventLoop loop;
    // A null id takes the close of any dialog.
    const QMetaObject::Connection c =
        connect(g, &IGUI::messageDglClosed, &loop, [&](QUuid closed, IGUI::CloseType type) {
            if (!id.isNull() && closed != id)
                return;
            answer = type;
            loop.quit();
        });
    if (timeoutMs >= 0)
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    disconnect(c);
    return answer;
}

QUuid UpdateManager::showMessage(int category, const QString& key, bool okButton, const QStringList& arguments)
{
    IGUI* g = gui();
    if (!g)
        return QUuid();
    return g->showMessageDlg(MessageCategories(category), TransObject(QLatin1String(kContext), key, arguments), false,
                             okButton);
}

void UpdateManager::closeMessage(const QUuid& id)
{
    if (gui() && !id.isNull())
        gui()->closeDlg(id, IGUI::Accepted);
}
