#include "maintenance/ActionHandler.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "config/ConfigKeys.h"
#include "db/DB.h"
#include "uiapi/IGUI.h"
#include "hvunit/TPOFUpdateLink.h"
#include "logging/LoggingCtrl.h"
#include "maintenance/LogfileManager.h"
#include "maintenance/UpdateManager.h"
#include "tandelta/TanDeltaLists.h"

#include <QVariantMap>

#include <cstdio>
#include <cstdlib>

namespace {
const char* const kClass = "ActionHandler";

// A reset under a running test, its record being written or an update would change
// the settings these read.
bool resetAllowed(States::AppState state)
{
    return !DataModell::isTestRunningState(state) && state != States::TestFinalizing &&
           state != States::TransferringToHistory && state != States::Updating;
}
} // namespace

ActionHandler::ActionHandler(TPOF* pof, QObject* parent)
    : QObject(parent), m_configfileManager(), m_languageManager(true)
{
    if (!pof) {
        KLOG_DEBUG2(kClass, "ActionHandler",
                    QStringLiteral("Fatal Error: Please initialize POF first. pPOF = %1")
                        .arg(quintptr(pof), 0, 16));
        if (LoggingCtrl* logger = GlobalFuncs::getLogger())
            logger->flush();
        std::fflush(nullptr);
        std::exit(-1);
    }

    m_logfileManager = new LogfileManager(this);
    connect(this, qOverload<bool>(&ActionHandler::exportLogFiles), m_logfileManager,
            qOverload<bool>(&LogfileManager::exportLogFiles));
    connect(this, qOverload<QString, bool>(&ActionHandler::exportLogFiles), m_logfileManager,
            qOverload<QString, bool>(&LogfileManager::exportLogFiles));
    connect(m_logfileManager, &LogfileManager::SystemLogGenerated, this, &ActionHandler::SystemLogGenerated);
    connect(&m_configfileManager, &ConfigfileManager::configExported, this,
            [this](const QString& path) { emit exportConfigfileFinished(!path.isEmpty(), path); });

    connect(&m_languageManager, &LanguageManager::languageChanged, this, &ActionHandler::languageChanged,
            Qt::DirectConnection);
    connect(&m_languageManager, &LanguageManager::languageListChanged, this, &ActionHandler::languageListChanged);

    auto* updates = new UpdateManager(&m_languageManager, std::make_unique<TPOFUpdateLink>(pof), &m_configfileManager, this);
    connect(updates, &UpdateManager::sendHVCUpdate, this, &ActionHandler::sendHVCUpdate);
    connect(updates, &UpdateManager::sendAppEvent, this, &ActionHandler::sendAppEvent);
    connect(updates, &UpdateManager::HostUpdateFinished, this, &ActionHandler::HostUpdateFinished);
    connect(this, &ActionHandler::finishedHVUpdate, updates, &UpdateManager::finishedHVUpdate);
    connect(GlobalFuncs::getDM(), &DataModell::appStateChanged, updates, &UpdateManager::appStateChanged);
    setUpdateManager(updates);

    initializeActionHandlers();
}

ActionHandler::~ActionHandler() = default;

void ActionHandler::setUpdateManager(UpdateManager* manager)
{
    if (m_updateManager != manager)
        delete m_updateManager;
    m_updateManager = manager;
    if (!manager)
        return;
    connect(manager, &UpdateManager::updateFinished, this, &ActionHandler::updateFinished, Qt::DirectConnection);
    connect(manager, &UpdateManager::exportConfigFile, &m_configfileManager, &ConfigfileManager::exportConfigFile,
            Qt::DirectConnection);
}

void ActionHandler::initializeActionHandlers()
{
    const SystemFunctions* functions = GlobalFuncs::getDM()->getSystemFunctions();
    auto name = [functions](SystemFunction::eSysFunc f) { return functions->getFuncName(f); };
    m_actions.insert(name(SystemFunction::Update), &ActionHandler::doFirmwareUpdate);
    m_actions.insert(name(SystemFunction::ResetDefaultValues), &ActionHandler::doResetDefValues);
    m_actions.insert(name(SystemFunction::ExportSystemLog), &ActionHandler::doExportServiceLogfiles);
    m_actions.insert(name(SystemFunction::ExportMessageLog), &ActionHandler::doExportMessageLogfiles);
    m_actions.insert(name(SystemFunction::DeleteLogfiles), &ActionHandler::doDeleteLogfiles);
    m_actions.insert(name(SystemFunction::ExportConfiguration), &ActionHandler::doExportConfigfile);
    m_actions.insert(name(SystemFunction::UpdateConfiguration), &ActionHandler::doImportConfigfile);
    m_actions.insert(QStringLiteral("StartMode"), &ActionHandler::doStartMode);
    m_actions.insert(QStringLiteral("HvOff"), &ActionHandler::doStopMode);
    m_actions.insert(QStringLiteral("AbortMode"), &ActionHandler::doAbortMode);
    m_actions.insert(QStringLiteral("RebootHVUnit"), &ActionHandler::doRebootHVUnit);
    m_actions.insert(QStringLiteral("DACShot"), &ActionHandler::doPerformShot);
}

void ActionHandler::handleAction(QString action)
{
    // The remote side calls in from its own thread; the actions reach the GUI and
    // GUI-thread objects, so they run there, in the order they came.
    if (!onOwnThread([this, action] { handleAction(action); }))
        return;
    const auto it = m_actions.constFind(action);
    if (it == m_actions.constEnd() || !it.value())
        return;
    KLOG_DEBUG2(kClass, "handleAction", QStringLiteral("Performing action \"%1\"").arg(action));
    (this->*it.value())();
}

void ActionHandler::changeLanguage(QString language)
{
    if (!onOwnThread([this, language] { changeLanguage(language); }))
        return;
    if (m_languageManager.changeLanguage(language) == 0)
        return;
    QString file = QStringLiteral("Unknown");
    for (const QVariant& entry : m_languageManager.getLanguages()) {
        const QVariantMap map = entry.toMap();
        if (map.value(QStringLiteral("name")).toString() == language)
            file = map.value(QStringLiteral("filename")).toString();
    }
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(CAT_ERR,
                            TransObject(QStringLiteral("ErrorMessages"), QStringLiteral("UnableToLoadLanguage"),
                                        {file}, QString()),
                            false, true);
}

void ActionHandler::initLanguage(const QString& language)
{
    changeLanguage(language);
    m_languageManager.reloadLanguages();
}

void ActionHandler::changeOperatingMode(OperatingModes::OperatingMode mode)
{
    if (!onOwnThread([this, mode] { changeOperatingMode(mode); }))
        return;
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->changeOperatingMode(mode);
}

void ActionHandler::importConfig(QString configFile, bool removeAtfterUpdate)
{
    if (!onOwnThread([this, configFile, removeAtfterUpdate] { importConfig(configFile, removeAtfterUpdate); }))
        return;
    m_configfileManager.importConfigFile(configFile, removeAtfterUpdate);
}

void ActionHandler::performUpdate(updatePackage package)
{
    // From the remote side's thread it would race the update manager's own run.
    if (!onOwnThread([this, package] { performUpdate(package); }))
        return;
    if (!m_updateManager)
        return;
    m_updateManager->setNextUpdatePackage(package);
    emit sendAppEvent(eAppEvent::StartUpdate);
}

void ActionHandler::HostUpdateFinished()
{
    if (!onOwnThread([this] { HostUpdateFinished(); }))
        return;
    emit sendAppEvent(eAppEvent::HostUpdateFinished);
}

void ActionHandler::setMachineName(const QString& name)
{
    m_logfileManager->setMachineName(name.trimmed());
    const DataModell* dm = GlobalFuncs::getDM();
    m_logfileManager->addCfgInfo(SystemLog::CfgInfoVersions,
                                 QStringLiteral("HV Application Version: %1").arg(dm ? dm->getHVCVersion() : QString()));
}

void ActionHandler::doFirmwareUpdate()
{
    if (m_updateManager && m_updateManager->prepareUpdate())
        emit showFirmwareUpdateDlg(m_updateManager->getUpdateList());
}

void ActionHandler::doResetDefValues()
{
    DataModell* dm = GlobalFuncs::getDM();
    IGUI* gui = GlobalFuncs::getGUI();
    const States::AppState state = dm->getAppState();
    if (!resetAllowed(state)) {
        const QString why = QStringLiteral("Default values not reset: not allowed in state %1").arg(QLatin1String(States::stateName(state)));
        KLOG_WARN2(kClass, "doResetDefValues", why);
        LoggingCtrl::logService(why);
        if (gui)
            gui->resetDefValuesDone(false);
        return;
    }

    dm->setPhaseName(0, QStringLiteral("L1"));
    dm->setPhaseName(1, QStringLiteral("L2"));
    dm->setPhaseName(2, QStringLiteral("L3"));
    for (TanDelta::evaluation::eInsulationType type : TanDelta::evaluation::allInsulationTypes())
        dm->setInsulationState(type, false);
    dm->setTanDeltaPrecision(0);
    dm->setTimeFormat(QStringLiteral("hh:mm:ss AP"));
    dm->setDateFormat(QStringLiteral("MM/dd/yyyy"));
    if (IConfigBase* config = GlobalFuncs::getConfig())
        config->setLong(QLatin1String(ConfigKeys::Theme), 0, 0, 0, 0);
    dm->setCurrentLanguage(QString());
    dm->setDisplayParam(DisplayParam_Brightness, 100);
    dm->setExportFolder(QStringLiteral("Pevanto"));
    bool ok = false;
    if (DB* db = GlobalFuncs::getDB()) {
        const QString admin = QStringLiteral("admin_menu");
        const bool password = db->setPassword(admin, DB::defaultPasswordRecord(admin));
        ok = db->resetDefaultValues() && password;
    }
    if (gui)
        gui->resetDefValuesDone(ok);
    dm->setTestSettingsDefault();

    // Nothing on the screen tells the result; the service log keeps it.
    const QString outcome = ok ? QStringLiteral("Default values reset")
                               : QStringLiteral("Default values reset, but the stored defaults could not be cleared");
    if (ok)
        KLOG_INFO2(kClass, "doResetDefValues", outcome);
    else
        KLOG_ERROR2(kClass, "doResetDefValues", outcome);
    LoggingCtrl::logService(outcome);
}

void ActionHandler::doExportServiceLogfiles()
{
    if (m_logfileManager)
        m_logfileManager->exportLogFiles(true);
}

void ActionHandler::doExportMessageLogfiles()
{
    if (m_logfileManager)
        m_logfileManager->exportLogFiles(false);
}

void ActionHandler::doDeleteLogfiles()
{
    if (m_logfileManager)
        m_logfileManager->deleteLogfiles();
}

void ActionHandler::doExportConfigfile()
{
    m_configfileManager.exportConfigFile(QString());
}

void ActionHandler::doImportConfigfile()
{
    QStringList list;
    if (m_configfileManager.readConfigFileList(list, QString()) == 0)
        emit showImportConfigDlg(list);
}

void ActionHandler::doStartMode()
{
    const DataModell* dm = GlobalFuncs::getDM();
    KLOG_DEBUG2(kClass, "doStartMode",
                QStringLiteral("Starting operating mode '%1'")
                    .arg(dm->getOperatingModes()->getModeName(dm->getOperatingMode())));
    emit sendAppEvent(eAppEvent::StartTest);
}

void ActionHandler::doStopMode() { emit sendAppEvent(eAppEvent::TestCanceledUser); }

void ActionHandler::doAbortMode() { emit sendAppEvent(eAppEvent::TestAborted); }

void ActionHandler::doRebootHVUnit() { emit rebootHVUnit(); }

void ActionHandler::doPerformShot() { KLOG_DEBUG2(kClass, "doPerformShot", "ATM: DAC SHOT NOT SUPPORTED"); }
