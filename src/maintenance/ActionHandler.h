#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "uiapi/UpdatePackage.h"
#include "maintenance/ConfigfileManager.h"
#include "maintenance/LanguageManager.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariantList>

class LogfileManager;
class TPOF;
class UpdateManager;

// The named actions of the menus and the remote side ("StartMode", "HvOff",
// "ResetDefaultValues" ...), the language switch and the configuration import. Owns
// the maintenance managers and relays their signals. Lives on the GUI thread; a slot
// called from another thread is carried over to it, in call order.
class ActionHandler : public QObject {
    Q_OBJECT
public:
    // A null link ends the process: nothing here works without it.
    explicit ActionHandler(TPOF* pof, QObject* parent = nullptr);
    ~ActionHandler() override;

    // The HV unit's name for the system log report, with its firmware version.
    void setMachineName(const QString& name);
    // Selects the start-up language, then lists the installed ones again.
    void initLanguage(const QString& language);
    // Replaces (and deletes) the update manager.
    void setUpdateManager(UpdateManager* manager);

public slots:
    void handleAction(QString action);
    void changeLanguage(QString language);
    void changeOperatingMode(OperatingModes::OperatingMode mode);
    void importConfig(QString configFile, bool removeAtfterUpdate);
    // Installs the package once the state machine has entered Updating.
    void performUpdate(updatePackage package);
    void HostUpdateFinished();

signals:
    void sendAppEvent(eAppEvent event);
    void rebootHVUnit();
    void sendHVCUpdate(QString filename, int Type, uint HVFilesize, uint HVCRC);
    void finishedHVUpdate();
    void showFirmwareUpdateDlg(QList<updatePackage> updateList);
    void showImportConfigDlg(QStringList configFileList);
    void exportConfigfileFinished(bool successful, QString path);
    void updateFinished(int result);
    void SystemLogGenerated(bool result);
    void languageChanged();
    void languageListChanged(QVariantList languages);
    void exportLogFiles(bool exportTraceFiles);
    void exportLogFiles(QString exportPath, bool exportTraceFiles);

private:
    using Action = void (ActionHandler::*)();

    void initializeActionHandlers();
    // True when the caller is on this object's thread; otherwise f is queued to it.
    template <typename F>
    bool onOwnThread(F&& f);

    void doFirmwareUpdate();
    void doResetDefValues();
    void doExportServiceLogfiles();
    void doExportMessageLogfiles();
    void doDeleteLogfiles();
    void doExportConfigfile();
    void doImportConfigfile();
    void doStartMode();
    void doStopMode();
    void doAbortMode();
    void doRebootHVUnit();
    void doPerformShot();

    QMap<QString, Action> m_actions;
    LogfileManager* m_logfileManager = nullptr;
    ConfigfileManager m_configfileManager;
    LanguageManager m_languageManager;
    UpdateManager* m_updateManager = nullptr;
};

template <typename F>
bool ActionHandler::onOwnThread(F&& f)
{
    if (QThread::currentThread() == thread())
        return true;
    QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
    return false;
}
