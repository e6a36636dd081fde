#pragma once

#include <QString>
#include <functional>

class DataModell;
class DB;
class IConfigBase;
class IGUI;
class LoggingCtrl;
class IConnectionManager;
class MeasurementManager;

// Process-wide service locator and small helpers. The application frame registers
// the services at start; tests register their own instances or fakes.
class GlobalFuncs {
public:
    // Storage places. 1, 3 and 4 lie inside the configurable export folder on the stick.
    enum Path : int {
        UsbUpdates = 0,
        UsbLogFiles = 1,
        UsbReports = 2,
        UsbScreenshots = 3,
        UsbMeasurements = 4,
        InternalMeasurements = 5,
        ConfigDirectory = 6,
        UsbMountPoint = 7,
    };

    // Support directories below the application-data folder.
    enum MemoryType : int {
        AppData = 0,
        Languages = 1,
        Scratch = 2,
        Trace = 3,
    };

    static DataModell* getDM();
    static DB* getDB();
    static IConfigBase* getConfig();
    static IGUI* getGUI();
    static LoggingCtrl* getLogger();
    // Null while no connection manager is registered.
    static IConnectionManager* getConnectionManager();
    static MeasurementManager* getMeasurementManager();

    static void setDM(DataModell* dm);
    static void setDB(DB* db);
    static void setConfig(IConfigBase* config);
    static void setGUI(IGUI* gui);
    static void setLogger(LoggingCtrl* logger);
    static void setConnectionManager(IConnectionManager* cm);
    static void setMeasurementManager(MeasurementManager* mm);
    // Called by release() to close the database; registered by whoever owns it.
    static void setDatabaseReleaser(std::function<void()> releaser);

    // Directory of a storage place; an empty text for an unknown place.
    static QString getUsbPath(Path path);
    static QString getUsbPath(int path) { return getUsbPath(static_cast<Path>(path)); }
    static QString getApplicHelperFilesPath(MemoryType type);
    static QString getApplicHelperFilesPath(int type) { return getApplicHelperFilesPath(static_cast<MemoryType>(type)); }
    static QString getAppDataPath();
    // A stick is in when the stick layer finds one at the mount point (see UsbStick):
    // a plain folder there is the instrument's own storage, whatever it holds.
    static bool isUsbStickPresent();
    // Resolves the paths again and creates the application-data folders.
    static bool initPaths();
    // Releases the logging controller and the database.
    static bool release();

    // Returns after ms milliseconds; the caller's events keep being processed.
    static void waitMs(int ms);
    // The length of a wait that only keeps something shown long enough to be read (a wait
    // message, a progress step). Tests shorten such waits by a factor in (0, 1]
    // (setShownWaitScale); the program never does (1).
    static int shownMs(int ms);
    static void setShownWaitScale(double factor);
    // True in demo builds (CMake option VLF_DEMO); tests may switch it.
    static bool isDemo();
    static void setDemo(bool demo);
    // The configured system name (General/SystemName), as shown.
    static QString getSystemName();
    // The system name as it names files (database, trace file, screenshots, exports),
    // without white space at either end nor dots at its start: unchanged when it is
    // safe as one file name (no "/" or "\\", no control character, at most 64
    // characters and 223 bytes upper-cased in UTF-8), else as many of its letters,
    // digits, "-" and "_" as those bounds take, else the built-in name.
    static QString getProjectAbbreviation();
    // Translated month name (context "DateTime") for 0..11, else an empty text.
    static QString getMonthName(int month);

    // Password record: salt, ":", 40 lowercase hex digits of SHA-1(salt + password).
    static QString encryptPassword(const QString& password, const QString& salt = QString());
    static bool checkPassword(const QString& password, const QString& record);
};
