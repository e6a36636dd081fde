#include "core/GlobalFuncs.h"

#include "core/FsRoot.h"
#include "core/IUsbStick.h"
#include "core/Platform.h"
#include "config/ConfigKeys.h"
#include "logging/LoggingCtrl.h"

#include <QAtomicPointer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>

namespace {
QAtomicPointer<DataModell> g_dm;
QAtomicPointer<DB> g_db;
QAtomicPointer<IConfigBase> g_config;
QAtomicPointer<IGUI> g_gui;
QAtomicPointer<LoggingCtrl> g_logger;
QAtomicPointer<IConnectionManager> g_connectionManager;
QAtomicPointer<MeasurementManager> g_measurementManager;
QMutex g_releaserMutex;
std::function<void()> g_dbReleaser;
#ifdef VLF_DEMO_BUILD
std::atomic<bool> g_demo{true};
#else
std::atomic<bool> g_demo{false};
#endif
std::atomic<double> g_shownWaitScale{1.0};

const char* const kAppData = "/home/root/mappedPaths/appdata";
const char* const kUsbMount = "/media/USB";
constexpr int kMaxSystemNameLength = 64;
// Upper-cased, the name takes at most this many bytes: what is built from it (a configuration
// export's time stamp and extension, 28 bytes; a database's side file, 16) still fits one name.
constexpr int kMaxSystemNameBytes = NAME_MAX - 32;

QString exportFolder()
{
    QString folder;
    if (IConfigBase* cfg = g_config.loadAcquire())
        cfg->queryString(QLatin1String(ConfigKeys::ExportPath), folder,
                         QString::fromLatin1(ConfigKeys::DefaultExportFolder));
    // The folder must stay on the stick.
    QStringList parts;
    for (const QString& part : folder.split(QRegularExpression(QStringLiteral("[/\\\\]")), Qt::SkipEmptyParts)) {
        if (part != QLatin1String(".") && part != QLatin1String(".."))
            parts << part;
    }
    if (parts.isEmpty())
        parts << QString::fromLatin1(ConfigKeys::DefaultExportFolder);
    return parts.join(QLatin1Char('/'));
}
} // namespace

DataModell* GlobalFuncs::getDM() { return g_dm.loadAcquire(); }
DB* GlobalFuncs::getDB() { return g_db.loadAcquire(); }
IConfigBase* GlobalFuncs::getConfig() { return g_config.loadAcquire(); }
IGUI* GlobalFuncs::getGUI() { return g_gui.loadAcquire(); }
LoggingCtrl* GlobalFuncs::getLogger() { return g_logger.loadAcquire(); }
IConnectionManager* GlobalFuncs::getConnectionManager() { return g_connectionManager.loadAcquire(); }
MeasurementManager* GlobalFuncs::getMeasurementManager() { return g_measurementManager.loadAcquire(); }

void GlobalFuncs::setDM(DataModell* dm) { g_dm.storeRelease(dm); }
void GlobalFuncs::setDB(DB* db) { g_db.storeRelease(db); }
void GlobalFuncs::setConfig(IConfigBase* config) { g_config.storeRelease(config); }
void GlobalFuncs::setGUI(IGUI* gui) { g_gui.storeRelease(gui); }
void GlobalFuncs::setLogger(LoggingCtrl* logger) { g_logger.storeRelease(logger); }
void GlobalFuncs::setConnectionManager(IConnectionManager* cm) { g_connectionManager.storeRelease(cm); }
void GlobalFuncs::setMeasurementManager(MeasurementManager* mm) { g_measurementManager.storeRelease(mm); }

void GlobalFuncs::setDatabaseReleaser(std::function<void()> releaser)
{
    QMutexLocker lock(&g_releaserMutex);
    g_dbReleaser = std::move(releaser);
}

QString GlobalFuncs::getAppDataPath() { return FsRoot::path(QString::fromLatin1(kAppData)); }

bool GlobalFuncs::isUsbStickPresent()
{
    return Platform::usbStick()->isPresent(getUsbPath(UsbMountPoint));
}

QString GlobalFuncs::getUsbPath(Path path)
{
    const QString usb = FsRoot::path(QString::fromLatin1(kUsbMount));
    switch (path) {
    case UsbUpdates: return usb;
    case UsbLogFiles: return usb + QLatin1Char('/') + exportFolder() + QStringLiteral("/LogFiles");
    case UsbReports: return usb;
    case UsbScreenshots: return usb + QLatin1Char('/') + exportFolder() + QStringLiteral("/Screenshots");
    case UsbMeasurements: return usb + QLatin1Char('/') + exportFolder() + QStringLiteral("/Measurements");
    case InternalMeasurements: return getAppDataPath() + QStringLiteral("/measurements");
    case ConfigDirectory: return getAppDataPath() + QStringLiteral("/config");
    case UsbMountPoint: return usb;
    }
    return QString();
}

QString GlobalFuncs::getApplicHelperFilesPath(MemoryType type)
{
    switch (type) {
    case AppData: return getAppDataPath();
    case Languages: return getAppDataPath() + QStringLiteral("/languages");
    case Scratch: return getAppDataPath() + QStringLiteral("/tmp");
    case Trace: return getAppDataPath() + QStringLiteral("/trace");
    }
    return QString();
}

bool GlobalFuncs::initPaths()
{
    bool ok = true;
    const QStringList dirs{getAppDataPath(), getUsbPath(InternalMeasurements), getUsbPath(ConfigDirectory),
                           getApplicHelperFilesPath(Trace), getApplicHelperFilesPath(Scratch)};
    for (const QString& d : dirs)
        ok = QDir().mkpath(d) && ok;
    return ok;
}

bool GlobalFuncs::release()
{
    std::function<void()> releaser;
    {
        QMutexLocker lock(&g_releaserMutex);
        releaser = g_dbReleaser;
    }
    LoggingCtrl* logger = getLogger();
    // Everything logged so far reaches the database's queue before the database writes
    // it and closes; what the database says on closing still reaches the trace file.
    if (logger)
        logger->flush();
    if (releaser)
        releaser();
    if (logger)
        logger->release();
    return true;
}

void GlobalFuncs::waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(qMax(0, ms), &loop, &QEventLoop::quit);
    loop.exec();
}

int GlobalFuncs::shownMs(int ms)
{
    return ms > 0 ? std::max(1, int(std::lround(ms * g_shownWaitScale.load()))) : ms;
}

void GlobalFuncs::setShownWaitScale(double factor)
{
    // A factor outside (0, 1] would stretch or drop the waits.
    g_shownWaitScale = (factor > 0.0 && factor <= 1.0) ? factor : 1.0;
}

bool GlobalFuncs::isDemo() { return g_demo; }
void GlobalFuncs::setDemo(bool demo) { g_demo = demo; }

QString GlobalFuncs::getSystemName()
{
    QString name;
    if (IConfigBase* cfg = getConfig())
        cfg->queryString(QLatin1String(ConfigKeys::SystemName), name,
                         QString::fromLatin1(ConfigKeys::DefaultSystemName));
    return name.isEmpty() ? QString::fromLatin1(ConfigKeys::DefaultSystemName) : name;
}

QString GlobalFuncs::getProjectAbbreviation()
{
    // The name comes with imported configurations and hand edits: it must not lead out of a
    // folder, hide its files, or make a name nobody can open or whose database cannot keep
    // a journal.
    QString name = getSystemName();
    int from = 0;
    while (from < name.size() && (name.at(from).isSpace() || name.at(from) == QLatin1Char('.')))
        ++from;
    int to = name.size();
    while (to > from && name.at(to - 1).isSpace())
        --to;
    name = name.mid(from, to - from);
    bool safe = name.size() <= kMaxSystemNameLength && name.toUpper().toUtf8().size() <= kMaxSystemNameBytes;
    for (const QChar c : name)
        safe = safe && c != QLatin1Char('/') && c != QLatin1Char('\\') && c.category() != QChar::Other_Control;
    if (safe)
        return name.isEmpty() ? QString::fromLatin1(ConfigKeys::DefaultSystemName) : name;
    QString reduced;
    for (const QChar c : name) {
        if (!c.isLetter() && !c.isDigit() && c != QLatin1Char('-') && c != QLatin1Char('_'))
            continue;
        // As many as both bounds take.
        if (reduced.size() == kMaxSystemNameLength || (reduced + c).toUpper().toUtf8().size() > kMaxSystemNameBytes)
            break;
        reduced += c;
    }
    return reduced.isEmpty() ? QString::fromLatin1(ConfigKeys::DefaultSystemName) : reduced;
}

QString GlobalFuncs::getMonthName(int month)
{
    static const char* const names[12] = {
        QT_TRANSLATE_NOOP("DateTime", "January"),   QT_TRANSLATE_NOOP("DateTime", "February"),
        QT_TRANSLATE_NOOP("DateTime", "March"),     QT_TRANSLATE_NOOP("DateTime", "April"),
        QT_TRANSLATE_NOOP("DateTime", "May"),       QT_TRANSLATE_NOOP("DateTime", "June"),
        QT_TRANSLATE_NOOP("DateTime", "July"),      QT_TRANSLATE_NOOP("DateTime", "August"),
        QT_TRANSLATE_NOOP("DateTime", "September"), QT_TRANSLATE_NOOP("DateTime", "October"),
        QT_TRANSLATE_NOOP("DateTime", "November"),  QT_TRANSLATE_NOOP("DateTime", "December")};
    if (month < 0 || month > 11)
        return QString();
    return QCoreApplication::translate("DateTime", names[month]);
}

QString GlobalFuncs::encryptPassword(const QString& password, const QString& salt)
{
    QString s = salt;
    if (s.isEmpty()) {
        static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (int i = 0; i < 16; ++i)
            s.append(QLatin1Char(alphabet[QRandomGenerator::global()->bounded(62)]));
    }
    s.replace(QLatin1Char(':'), QLatin1Char('#'));
    const QByteArray digest =
        QCryptographicHash::hash((s + password).toUtf8(), QCryptographicHash::Sha1).toHex();
    return s + QLatin1Char(':') + QString::fromLatin1(digest);
}

bool GlobalFuncs::checkPassword(const QString& password, const QString& record)
{
    static const QRegularExpression re(QStringLiteral("^([^:]+):([a-zA-Z0-9]+)$"));
    const QRegularExpressionMatch m = re.match(record);
    if (!m.hasMatch())
        return false;
    return encryptPassword(password, m.captured(1)) == record;
}
