#include "maintenance/ConfigfileManager.h"

#include "config/ConfigAccessXML.h"
#include "config/ConfigKeys.h"
#include "config/ConfigShape.h"
#include "core/CommonOS.h"
#include "core/FileSystem.h"
#include "core/GlobalFuncs.h"
#include "core/StickWriter.h"
#include "datamodel/DataModell.h"
#include "maintenance/InstrumentEntries.h"
#include "uiapi/IGUI.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kClass = "ConfigfileManager";
const char* const kSuffix = ".cfg.xml";
// A real configuration is a few kilobytes; anything far larger is refused unread.
constexpr qint64 kMaxConfigFileSize = 1024 * 1024;

QString context() { return QString::fromLatin1(kClass); }

// A stick really at the mount point; without one the operator is asked for one.
bool stickReady()
{
    if (StickWriter::present())
        return true;
    IGUI* gui = GlobalFuncs::getGUI();
    return gui && gui->requestUSBConnDlg() && StickWriter::present();
}

void removeIfFile(const QString& path)
{
    if (QFileInfo(path).isFile())
        QFile::remove(path);
}

// The bytes of a plain file of at most kMaxConfigFileSize bytes. Links, folders, FIFOs
// and devices are refused without being opened or followed.
bool readPlainFile(const QString& path, QByteArray* bytes, QString* why)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (path.isEmpty() || ::lstat(name.constData(), &st) != 0) {
        *why = QStringLiteral("Cannot find \"%1\"").arg(path);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *why = QStringLiteral("\"%1\" is no plain file").arg(path);
        return false;
    }
    if (st.st_size > kMaxConfigFileSize) {
        *why = QStringLiteral("\"%1\" is too large (%2 bytes)").arg(path).arg(qint64(st.st_size));
        return false;
    }
    // The name may have been swapped since: the opened file is checked again.
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = QStringLiteral("Cannot open \"%1\"").arg(path);
        return false;
    }
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxConfigFileSize;
    if (ok) {
        bytes->resize(int(kMaxConfigFileSize) + 1);
        qint64 total = 0;
        while (total < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + total, size_t(bytes->size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            total += n;
        }
        ok = ok && total <= kMaxConfigFileSize;
        bytes->resize(ok ? int(total) : 0);
    }
    ::close(fd);
    if (!ok)
        *why = QStringLiteral("Cannot read \"%1\"").arg(path);
    return ok;
}

// The text of key in a configuration document, null when it holds none.
QString valueIn(const QDomDocument& document, const QString& key)
{
    QDomElement e = document.documentElement().firstChildElement(QStringLiteral("key"));
    for (const QString& part : key.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QDomElement c = e.firstChildElement();
        while (!c.isNull() && c.attribute(QStringLiteral("name")) != part)
            c = c.nextSiblingElement();
        e = c;
    }
    return e.tagName() == QLatin1String("value") ? e.text() : QString();
}

// Writes bytes to a new file and pushes them to the medium; nothing is left on failure.
bool writeNewFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    bool ok = f.open(QIODevice::WriteOnly | QIODevice::NewOnly) && f.write(bytes) == bytes.size() && f.flush();
    f.close();
    ok = ok && f.error() == QFileDevice::NoError && FileSystem::syncPath(path);
    if (!ok)
        QFile::remove(path);
    return ok;
}
} // namespace

ConfigfileManager::HookFunction::~HookFunction() = default;

ConfigfileManager::ConfigfileManager(QObject* parent)
    : QObject(parent), m_applicationName(QCoreApplication::applicationName().toUpper()),
      m_clock([] { return QDateTime::currentDateTime(); })
{
}

ConfigfileManager::~ConfigfileManager() = default;

void ConfigfileManager::setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

// The store names its file and root before the configured system name is known, so the
// file to replace and the root an import must carry are the store's, not the system name.
QString ConfigfileManager::deviceFilePath() const
{
    if (auto* xml = dynamic_cast<ConfigAccessXML*>(GlobalFuncs::getConfig()))
        return xml->filePath();
    return GlobalFuncs::getUsbPath(GlobalFuncs::ConfigDirectory) + QLatin1Char('/') + m_applicationName +
           QLatin1String(kSuffix);
}

QString ConfigfileManager::deviceRootName() const
{
    if (auto* xml = dynamic_cast<ConfigAccessXML*>(GlobalFuncs::getConfig()))
        return xml->rootName();
    return m_applicationName;
}

int ConfigfileManager::removeUnfinishedImport()
{
    const QString device = GlobalFuncs::getUsbPath(GlobalFuncs::ConfigDirectory) + QLatin1Char('/') +
                           QCoreApplication::applicationName().toUpper() + QLatin1String(kSuffix);
    const QString incoming = device + QStringLiteral(".import");
    const QString previous = device + QStringLiteral(".previous");
    int handled = 0;
    if (QFileInfo(previous).isFile()) {
        // The device file is replaced in one step, so without it the previous one is the last whole file.
        const bool restore = !QFileInfo::exists(device);
        if (restore ? FileSystem::replaceFile(previous, device) : QFile::remove(previous))
            ++handled;
        else
            KLOG_ERROR2(kClass, "removeUnfinishedImport", QStringLiteral("Cannot clear %1").arg(previous));
    }
    if (QFileInfo(incoming).isFile()) {
        if (QFile::remove(incoming))
            ++handled;
        else
            KLOG_ERROR2(kClass, "removeUnfinishedImport", QStringLiteral("Cannot remove %1").arg(incoming));
    }
    if (handled > 0) {
        FileSystem::syncPath(QFileInfo(device).absolutePath());
        KLOG_INFO2(kClass, "removeUnfinishedImport",
                   QStringLiteral("Cleared %1 files of an unfinished configuration import").arg(handled));
    }
    return handled;
}

void ConfigfileManager::registerHook(HookAction action, const QSharedPointer<HookFunction>& hook)
{
    if (action == AfterImport)
        m_hook = hook;
}

void ConfigfileManager::unregisterHook(HookAction action)
{
    if (action == AfterImport)
        m_hook.reset();
}

void ConfigfileManager::showMessage(int category, const QString& key, bool okButton)
{
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(static_cast<MessageCategories>(category), context(), key, false, okButton);
}

QString ConfigfileManager::exportConfigFile(const QString& fileNameTag, bool quiet)
{
    if (!quiet && m_exportShown) {
        KLOG_WARN2(kClass, "exportConfigFile", "The last export is still shown; refused");
        return QString();
    }
    if (!stickReady()) {
        if (!quiet)
            emit configExported(QString());
        return QString();
    }
    QElapsedTimer stopwatch;
    stopwatch.start();
    const QString tag = fileNameTag.isEmpty()
                            ? m_clock().toString(QStringLiteral("yyyy'_'MM'_'dd'_'hh'_'mm'_'ss"))
                            : fileNameTag;
    const QString path = doExport(tag);
    if (quiet)
        return path;
    // The operator gets to see the export happen, however quick it was; the file is
    // whole on the stick already.
    m_exportShown = true;
    QTimer::singleShot(stopwatch.elapsed() < 1000 ? GlobalFuncs::shownMs(1000) : 0, this, [this, path] {
        m_exportShown = false;
        if (IGUI* gui = GlobalFuncs::getGUI())
            gui->closeDlg(QUuid(), IGUI::Accepted);
        emit configExported(path);
    });
    return path;
}

QString ConfigfileManager::doExport(QString fileNameTag)
{
    const QString updates = GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates);
    const QString device = deviceFilePath();
    if (!StickWriter::makeFolder(updates)) {
        KLOG_ERROR2(kClass, "doExport", QStringLiteral("No USB stick at %1").arg(updates));
        return QString();
    }
    KLOG_DEBUG2(kClass, "doExport", QStringLiteral("Config File: %1").arg(device));

    QString result;
    if (QFileInfo(device).isFile()) {
        const QString target = updates + QLatin1Char('/') + m_applicationName + QLatin1Char('_') + fileNameTag +
                               QLatin1String(kSuffix);
        // An older export of that name is replaced only by a complete copy.
        if (StickWriter::copyFile(device, target))
            result = target;
        else
            KLOG_ERROR2(kClass, "doExport", QStringLiteral("Cannot copy the configuration to %1").arg(target));
    } else {
        KLOG_ERROR2(kClass, "doExport", QStringLiteral("No configuration file %1").arg(device));
    }
    FileSystem::sync();
    return displayPath(result);
}

QString ConfigfileManager::displayPath(const QString& path) const
{
    const QString mountPoint = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
    if (path.isEmpty() || !path.startsWith(mountPoint + QLatin1Char('/')))
        return path;
    return QCoreApplication::translate("Menu", "USB") + path.mid(mountPoint.size());
}

int ConfigfileManager::readConfigFileList(QStringList& list, const QString& filter)
{
    if (!stickReady())
        return -1;
    const QDir updates(GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates));
    if (!updates.exists())
        return -1;
    IGUI* gui = GlobalFuncs::getGUI();
    const QUuid searching =
        gui ? gui->showMessageDlg(CAT_PERSISTENT, context(), QStringLiteral("SearchingForConfigOnUsb"), false, false)
            : QUuid();
    const QString pattern = (filter.isEmpty() ? QStringLiteral("*") : filter) + QLatin1String(kSuffix);
    const QStringList found = updates.entryList({pattern}, QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                                QDir::Unsorted);
    for (const QString& name : found)
        list << name.split(QLatin1String(kSuffix), Qt::KeepEmptyParts, Qt::CaseSensitive).first();
    if (gui)
        gui->closeDlg(searching, IGUI::Accepted);
    return list.isEmpty() ? -1 : 0;
}

bool ConfigfileManager::validateConfigFile(QDomDocument document)
{
    const QDomElement top = document.documentElement();
    if (!top.hasChildNodes())
        return false;
    const QDomNode first = top.firstChild();
    if (!first.isElement() || first.toElement().tagName() != QLatin1String("key")) {
        const QString found = first.isElement() ? first.toElement().tagName() : first.nodeName();
        KLOG_DEBUG2(kClass, "validateConfigFile",
                    QStringLiteral("XML IMPORT: First child node wrong!\tExpected: key\tFound: %1").arg(found));
        return false;
    }
    const QDomElement key = first.toElement();
    if (key.attributes().isEmpty()) {
        KLOG_DEBUG2(kClass, "validateConfigFile",
                    QStringLiteral("XML IMPORT: First child have no attributes!\tExpected: >0\tFound: 0"));
        return false;
    }
    if (!key.hasAttribute(QStringLiteral("name")))
        return false;
    const QString name = key.attribute(QStringLiteral("name"));
    if (name != deviceRootName()) {
        KLOG_DEBUG2(kClass, "validateConfigFile",
                    QStringLiteral("XML IMPORT: Configfile looks wrong!\tExpected: %1\tFound: %2")
                        .arg(deviceRootName(), name));
        return false;
    }
    return true;
}

bool ConfigfileManager::readDocument(const QString& file, QDomDocument& document, QByteArray* bytes)
{
    QString why;
    if (!readPlainFile(file, bytes, &why)) {
        KLOG_DEBUG2(kClass, "importConfigFile", why);
        return false;
    }
    // Before a tree is built: the parser itself would overflow the stack on some.
    why = ConfigShape::check(*bytes);
    if (!why.isEmpty()) {
        KLOG_WARN2(kClass, "importConfigFile", QStringLiteral("%1 refused: %2").arg(file, why));
        return false;
    }
    QString error;
    int line = 0;
    int column = 0;
    if (!document.setContent(*bytes, &error, &line, &column)) {
        KLOG_DEBUG2(kClass, "importConfigFile",
                    QStringLiteral("%1 (Line %2, Character %3").arg(error).arg(line).arg(column));
        return false;
    }
    return validateConfigFile(document);
}

bool ConfigfileManager::reinitConfigFile()
{
    IConfigBase* config = GlobalFuncs::getConfig();
    if (!config || config->initialize() == 0)
        return false;
    // The store falls back to its backup when the file is unusable; that is no re-read.
    if (auto* xml = dynamic_cast<ConfigAccessXML*>(config))
        return QFileInfo(xml->loadedFrom()) == QFileInfo(deviceFilePath());
    return true;
}

bool ConfigfileManager::replaceFile(const QString& from, const QString& to)
{
    return FileSystem::replaceFile(from, to);
}

ConfigfileManager::ReplaceResult ConfigfileManager::replaceDeviceConfiguration(const QString& file, bool startUpBackup)
{
    QDomDocument document;
    QByteArray bytes;
    if (!readDocument(file, document, &bytes))
        return Invalid;
    const QString named = valueIn(document, QLatin1String(ConfigKeys::SerialNumber));
    document.clear();
    IConfigBase* config = GlobalFuncs::getConfig();
    QString own = QLatin1String(ConfigKeys::UnsetSerialNumber);
    if (config)
        config->queryString(QLatin1String(ConfigKeys::SerialNumber), own, own);
    const bool unset = own == QLatin1String(ConfigKeys::UnsetSerialNumber);
    // Found on a stick without a password, another instrument's backup is its owner's: left there.
    if (startUpBackup && !unset && named != own) {
        KLOG_WARN2(kClass, "importConfigFile",
                   QStringLiteral("%1 is not imported: it names serial number %2, this instrument is %3")
                       .arg(file, named.isNull() ? QStringLiteral("(none)") : named, own));
        return OtherInstrument;
    }
    const bool serialFromFile = startUpBackup && unset && !named.isNull() &&
                                ConfigKeys::outOfBounds(QLatin1String(ConfigKeys::SerialNumber), CVT_STRING, named).isEmpty();
    DataModell* dm = GlobalFuncs::getDM();
    InstrumentEntries entries(dynamic_cast<ConfigTree*>(config), dm && !dm->serviceMenuLocked(), serialFromFile);

    const QString device = deviceFilePath();
    const QString directory = QFileInfo(device).absolutePath();
    const QString incoming = device + QStringLiteral(".import");
    const QString previous = device + QStringLiteral(".previous");
    KLOG_DEBUG2(kClass, "importConfigFile", QStringLiteral("Configuration directory: %1").arg(directory));
    KLOG_DEBUG2(kClass, "importConfigFile", QStringLiteral("Importing configfile: %1").arg(file));

    auto fail = [&](const QString& why) {
        KLOG_ERROR2(kClass, "importConfigFile", why);
        removeIfFile(incoming);
        removeIfFile(previous);
        return Failed;
    };
    removeIfFile(incoming);
    removeIfFile(previous);
    if (!FileSystem::mkpath(directory))
        return fail(QStringLiteral("Cannot create %1").arg(directory));
    // The copy beside the device file must read back whole before it replaces anything.
    QByteArray copied;
    QString why;
    if (!writeNewFile(incoming, bytes) || !readPlainFile(incoming, &copied, &why) || copied != bytes)
        return fail(QStringLiteral("Cannot copy %1 to %2").arg(file, incoming));
    const bool hadPrevious = QFileInfo(device).isFile();
    if (hadPrevious && ::link(QFile::encodeName(device).constData(), QFile::encodeName(previous).constData()) != 0 &&
        !FileSystem::copyDurably(device, previous))
        return fail(QStringLiteral("Cannot keep the previous configuration as %1").arg(previous));
    if (!replaceFile(incoming, device))
        return fail(QStringLiteral("Cannot replace %1").arg(device));
    FileSystem::syncPath(directory);

    if (reinitConfigFile()) {
        removeIfFile(previous);
        admitImportedValues(entries);
        return Replaced;
    }
    KLOG_ERROR2(kClass, "importConfigFile", QStringLiteral("Cannot read the imported configuration; restoring the previous one"));
    const bool restored = hadPrevious ? replaceFile(previous, device) : QFile::remove(device);
    if (!restored)
        KLOG_ERROR2(kClass, "importConfigFile", QStringLiteral("Cannot restore %1").arg(device));
    FileSystem::syncPath(directory);
    reinitConfigFile();
    removeIfFile(previous);
    return Failed;
}

void ConfigfileManager::admitImportedValues(InstrumentEntries& entries)
{
    IConfigBase* config = GlobalFuncs::getConfig();
    auto* tree = dynamic_cast<ConfigTree*>(config);
    // Refused values go first, so that a refused value of the instrument's counts once.
    const int refused = (tree ? tree->dropOutOfBounds() : 0) + entries.keep();
    KLOG_INFO2(kClass, "importConfigFile", QStringLiteral("Imported configuration: %1 values refused").arg(refused));
    if (refused > 0 && config && config->save() != IConfigBase::CFG_OK)
        KLOG_ERROR2(kClass, "importConfigFile", QStringLiteral("Cannot save the configuration without them"));
}

QString ConfigfileManager::resolveImportFile(const QString& name) const
{
    if (name.isEmpty())
        return QString();
    const QString updates = GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates);
    QString path = QDir::isAbsolutePath(name) ? name : updates + QLatin1Char('/') + name;
    // The listing offers names without their extension.
    const QFileInfo given(path);
    if (!given.exists() && !given.isSymLink() && !name.endsWith(QLatin1String(kSuffix)) &&
        QFileInfo::exists(path + QLatin1String(kSuffix)))
        path += QLatin1String(kSuffix);
    // Whatever the name, the entry must sit in the updates folder itself; the entry is
    // not followed here, a link is refused when it is read.
    const QFileInfo entry(path);
    const QString folder = QFileInfo(updates).canonicalFilePath();
    const QString parent = QFileInfo(entry.absolutePath()).canonicalFilePath();
    if (folder.isEmpty() || parent != folder || entry.fileName().isEmpty() || entry.fileName() == QLatin1String("..") ||
        entry.fileName() == QLatin1String(".")) {
        KLOG_ERROR2(kClass, "importConfigFile", QStringLiteral("\"%1\" is no file of %2").arg(name, updates));
        return QString();
    }
    return parent + QLatin1Char('/') + entry.fileName();
}

int ConfigfileManager::importConfigFile(QString configFile, bool removeAtfterUpdate)
{
    const QString file = resolveImportFile(configFile);
    const ReplaceResult result = replaceDeviceConfiguration(file, removeAtfterUpdate);
    if (result == Invalid) {
        showMessage(CAT_ERR, QStringLiteral("ConfigIsInvalid"), true);
        return -1;
    }
    if (result == OtherInstrument) {
        showMessage(CAT_ERR, QStringLiteral("BackupOfAnotherInstrument"), false);
        return -1;
    }
    const bool ok = result == Replaced;
    const QString key = ok ? QStringLiteral("ConfigSuccessfullyImported") : QStringLiteral("ConfigImportFailed");
    showMessage(ok ? CAT_MSG : CAT_ERR, key, true);
    LoggingCtrl::logService(LoggingCtrl::getUntranslatedText(context(), key, QString()));

    if (IConfigBase* config = GlobalFuncs::getConfig())
        config->save();
    if (m_hook)
        m_hook->execute();
    if (!ok)
        return -1;

    if (removeAtfterUpdate && !QFile::remove(file))
        KLOG_ERROR2(kClass, "importConfigFile", QStringLiteral("Cannot remove %1").arg(file));
    FileSystem::sync();
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(CAT_PERSISTENT, QStringLiteral("UpdateManager"), QStringLiteral("StandbyWhileRebooting"),
                            false, false);
    CommonOS::reboot(false);
    return 0;
}
