#pragma once

#include "datamodel/InstrumentTypes.h"
#include "uiapi/UpdatePackage.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <memory>

class ConfigfileManager;
class IUpdateLink;
class LanguageManager;

// Lists the update packages on the USB stick and installs the chosen one when the
// application enters Updating: the application program, the HV unit's firmware,
// languages, software packages bundling parts, and configuration files received by
// the remote server. Lives on the GUI thread. Runs as root: every name and byte from
// the stick is taken as hostile.
class UpdateManager : public QObject {
    Q_OBJECT
public:
    // Result codes; also shown to the user in hexadecimal. Other values are the HV
    // unit's firmware-transfer states.
    enum eUpdateState : int {
        UpdateSuccess = 0,
        CrcFailed = 1,
        HostWriteFailed = 2,
        ScratchFailed = 4,
        UnpackFailed = 5,
        MountFailed = 6,
        LanguageFolderFailed = 7,
        NoSpaceForLanguage = 8,
        NotConfirmed = 9,
        CatalogueDamaged = 10,
        ReleaseFailed = 11,
        InitPathsFailed = 12,
        HVRebootFailed = 21,
    };
    Q_ENUM(eUpdateState)

    // hvLink must not be null; languages and config may be (their steps then fail).
    UpdateManager(LanguageManager* languages, std::unique_ptr<IUpdateLink> hvLink, ConfigfileManager* config,
                  QObject* parent = nullptr);
    ~UpdateManager() override;

    // Scans the stick, telling the user when there is nothing; true when packages were found.
    bool prepareUpdate();
    QList<updatePackage>& getUpdateList() { return m_updateList; }
    void setNextUpdatePackage(const updatePackage& package);
    const updatePackage& nextUpdatePackage() const { return m_next; }
    bool readUpdatesList();
    // 0 on success, -1 on failure; a call while a run is going on is refused (-1).
    int performUpdate(const updatePackage& package);
    int doUpdate(const updatePackage& part);
    int executeUpdate(const QString& file, const int& type);
    int writeHOSTUpdate(const QString& file, const int& type);
    void showUpdateResult(eUpdateState code);
    void finalizeUpdate();

    static QString getVersion(int type);
    static QStringList getNameFilter();
    static QString getUSBUpdateFilename(const updatePackage& package);
    static QString getUSBUpdateCRCFilename(const updatePackage& package);
    // The companion of a file: its name up to the last "." and ".crc".
    static QString crcFilename(const QString& file);
    static bool isCRCcorrect(const QString& file, const QString& crcFile, unsigned int* crc = nullptr);
    static QString getUpdatePath();
    // Removes a copy of the program left by an update that was cut short; true when one was there.
    static bool removeUnfinishedProgramCopy();
    static bool isLanguageUpdate(const updatePackage& package);
    static bool isRebootNeeded(const updatePackage& package);
    // True when offered is older than installed, compared number by number (missing
    // fields 0); a field that is not a number counts as older, so the user is asked.
    static bool isOlderVersion(const QString& offered, const QString& installed);

    // Percent used of the file system holding a path (the fonts partition is asked).
    void setDiskUsage(std::function<int(const QString&)> usage) { m_diskUsage = std::move(usage); }
    // Copies the new program beside the running one; must leave nothing at "to" on failure.
    void setFileCopier(std::function<bool(const QString& from, const QString& to)> copy) { m_copy = std::move(copy); }

signals:
    void exportConfigFile(QString fileTagName, bool quiet);
    void unloadCurrentLanguage();
    void HostUpdateFinished();
    void updateFinished(int result);
    void sendHVCUpdate(QString filename, int Type, uint HVFilesize, uint HVCRC);
    void finishedHVUpdate();
    void sendAppEvent(eAppEvent event);

public slots:
    void appStateChanged(States::AppState oldState, States::AppState newState);

private:
    int buildPartList(const updatePackage& package, QList<updatePackage>* parts);
    int unpackLanguageUpdate(const updatePackage& package, QList<updatePackage>* parts);
    int unpackSoftwarePackage(const updatePackage& package, QList<updatePackage>* parts);
    int installLanguage(const updatePackage& part);
    // Whether every catalogue unpacked in staging loads; tells the user which one does not.
    bool cataloguesLoad(const QString& staging);
    int installConfiguration(const updatePackage& part);
    int installPart(const updatePackage& part);
    // Asks whether the part may replace a newer version; true when it needs no question.
    bool downgradeConfirmed(const updatePackage& part, const QString& current);
    // Asks every downgrade of the parts before anything is written; false when one is refused.
    bool confirmDowngrades(const QList<updatePackage>& parts);
    void logPartResult(const updatePackage& part, const QString& current, bool ok);
    void reselectLanguage(const QString& language);
    void removeScratchFolders();
    void rebootAfterUpdate();
    void reopenDatabaseAndLogging(const QString& databaseFolder);
    // Waits for the user to close dialog id; returns the close type.
    int waitForAnswer(const QUuid& id, int timeoutMs);
    QUuid showMessage(int category, const QString& key, bool okButton, const QStringList& arguments = QStringList());
    void closeMessage(const QUuid& id);
    QString scratchFolder(const QString& name) const;

    QList<updatePackage> m_updateList;
    LanguageManager* m_languages;
    std::unique_ptr<IUpdateLink> m_hvLink;
    ConfigfileManager* m_config;
    updatePackage m_next;
    bool m_hvUpdatePending = false;
    bool m_running = false;
    // Parts whose downgrade this run's owner confirmed already, by file.
    QSet<QString> m_confirmedDowngrades;
    // The message that told the last result.
    QUuid m_resultMessage;
    std::function<int(const QString&)> m_diskUsage;
    std::function<bool(const QString&, const QString&)> m_copy;
};
