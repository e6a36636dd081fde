#include "gui/GuiViewModel.h"

#include "commissioning/CommissioningViewModel.h"
#include "config/ConfigKeys.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "datamodel/TestSettings.h"
#include "db/DB.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QTimer>

namespace {
const char* const kClass = "GuiViewModel";
constexpr quint32 kHvOnMask = 0x10006;
} // namespace

GuiViewModel::GuiViewModel(QObject* parent)
    : QObject(parent), m_serviceLog(LogListModel::ServiceLog, [this]() { return m_settings.dateTimeFormatString(); }),
      m_messageLog(LogListModel::MessageLog, nullptr)
{
    connect(&m_dialogs, &DialogQueue::messageListChanged, this, &GuiViewModel::messageListChanged);
    connect(&m_dialogs, &DialogQueue::waitListChanged, this, &GuiViewModel::waitListChanged);
    connect(&m_dialogs, &DialogQueue::questionListChanged, this, &GuiViewModel::questionListChanged);
    connect(&m_dialogs, &DialogQueue::progressListChanged, this, &GuiViewModel::progressListChanged);
    connect(&m_dialogs, &DialogQueue::questionAnswered, this, &GuiViewModel::questionAnswered);
    connect(&m_dialogs, &DialogQueue::questionAnsweredCloseType, this, &GuiViewModel::questionAnsweredCloseType);
    connectDataModel();
    connectChildren();
    initMenu();
    m_commissioning = new Commissioning::CommissioningViewModel(this, this);
}

GuiViewModel::~GuiViewModel() { delete m_commissioning; }

void GuiViewModel::connectDataModel()
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    // The data model lives on its own thread: these arrive queued, in order.
    connect(dm, &DataModell::hvIdentificationChanged, this, &GuiViewModel::initMenu);
    connect(dm, &DataModell::hvIdentificationChanged, this, &GuiViewModel::burnStateChanged);
    connect(dm, &DataModell::hvIdentificationChanged, this, &GuiViewModel::systemNameChanged);
    connect(dm, &DataModell::burnCurrentLimiterChanged, this, &GuiViewModel::burnStateChanged);
    connect(dm, &DataModell::voltagePolarityChanged, this, &GuiViewModel::onVoltagePolarityChanged);
    connect(dm, &DataModell::HVStateChanged, this, &GuiViewModel::hvOnChanged);
    connect(dm, &DataModell::phasesToTestChanged, this, &GuiViewModel::isRestartAbleChanged);
    connect(dm, &DataModell::outputOffsetToBig, this, &GuiViewModel::onOutputOffsetToBig);
    connect(dm, &DataModell::hvOvertemperatureDetected, this, &GuiViewModel::onHvOvertemperatureDetected);
    connect(dm, &DataModell::hvBackfeedDetected, this, &GuiViewModel::backfeedDetected);
    connect(dm, &DataModell::TestBoostStateChanged, this, &GuiViewModel::testBoostStateChanged);
    connect(dm, &DataModell::screenshotTrigger, this, &GuiViewModel::screenshotTrigger);
    connect(dm, &DataModell::phaseNameChanged, this, &GuiViewModel::phaseNameChanged);
    // Bindings on the state would go stale without a change signal.
    connect(dm, &DataModell::appStateChanged, this, &GuiViewModel::stateChanged);
    connect(this, &GuiViewModel::remoteControlledChanged, this, &GuiViewModel::peerNameChanged);
}

void GuiViewModel::connectChildren()
{
    connect(this, &GuiViewModel::modeChanged, &m_measure, &TestMeasurement::onOperationModeChange);
    connect(this, &GuiViewModel::modeChanged, &m_config, &TestConfiguration::onOperationModeChange);
    connect(this, &GuiViewModel::languageChanged, &m_config, &TestConfiguration::updateParameters);
    connect(this, &GuiViewModel::defaultValuesLoaded, &m_config, &TestConfiguration::updateParameters);
    connect(this, &GuiViewModel::languageListChanged, &m_settings, &Settings::languageListChanged);
    connect(this, &GuiViewModel::settingsValueChanged, &m_settings, &Settings::onSettingsValueChanged);
    connect(this, &GuiViewModel::settingsValueChanged, this, &GuiViewModel::onSettingsValueChanged);
    connect(this, &GuiViewModel::usbStateChanged, &m_connections, &Connections::usbStateChanged);
    connect(this, &GuiViewModel::HVUnitParamChanged, &m_calibration, &Calibration::onHvUnitParamChanged);
    connect(this, &GuiViewModel::testBoostStateChanged, this, &GuiViewModel::initMenu);

    connect(&m_settings, &Settings::changeLanguage, this, &GuiViewModel::changeLanguage);
    connect(&m_settings, &Settings::unlockSystemFunction, this, &GuiViewModel::unlockSystemFunction);
    connect(&m_settings, &Settings::settingsValueChanged, this, &GuiViewModel::settingsValueChanged);
    connect(&m_settings, &Settings::insulationsChanged, &m_config, &TestConfiguration::updateParameters);
    // Locking the service menu ends commissioning: the machines let go of the unit.
    connect(&m_settings, &Settings::serviceMenuLockedChanged, this, [this] {
        if (m_commissioningEnabled && m_settings.isServiceMenuLocked())
            enableCommissioning(false);
    });
    connect(&m_connections, &Connections::importConfig, this, &GuiViewModel::askToImportConfig);
    connect(&m_connections, &Connections::performUpdate, this, &GuiViewModel::askToUpdate);
    connect(&m_connections, &Connections::importTanDeltaStandard, this, &GuiViewModel::askToImportTanDeltaStandard);
    connect(&m_calibration, &Calibration::refreshHVUnitParams, this, &GuiViewModel::refreshHVUnitParams);
    connect(&m_calibration, &Calibration::hvUnitParamChanged, this, &GuiViewModel::setHVUnitParamValue);
    connect(&m_results, &TestResults::commentChanged, &m_activities, &Activities::setMeasurementComment);
    connect(this, &GuiViewModel::languageChanged, &m_menu, &MainMenu::languageChanged);
    connect(&m_menu, &MainMenu::entriesChanged, this, &GuiViewModel::menuEntriesChanged);
    connect(&m_testControl, &TestControl::sendAppEvent, this, &GuiViewModel::sendAppEvent);
    connect(&m_testControl, &TestControl::PerformExternalAction, this, &GuiViewModel::PerformExternalAction);
    connect(&m_storedData, &StoredDataActions::PerformExternalAction, this, &GuiViewModel::PerformExternalAction);
    connect(&m_storedData, &StoredDataActions::importConfig, this, &GuiViewModel::importConfig);
    connect(&m_storedData, &StoredDataActions::performUpdate, this, &GuiViewModel::performUpdate);
    connect(&m_storedData, &StoredDataActions::evaluationStandardListChanged, this,
            &GuiViewModel::evaluationStandardListChanged);
}

// ---------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------

OperatingModes::OperatingMode GuiViewModel::mode() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getOperatingMode() : OperatingModes::None;
}

States::AppState GuiViewModel::state() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getAppState() : States::None;
}

void GuiViewModel::setCableNumber(const QString& number)
{
    // A reset to default values clears the data model's number behind ours: a confirmed
    // number the page still shows must reach the next record all the same.
    DataModell* dm = GlobalFuncs::getDM();
    if (dm && dm->getCableNumber() != number)
        dm->setCableNumber(number);
    if (number == m_cableNumber)
        return;
    m_cableNumber = number;
    emit cableNumberChanged(number);
}

int GuiViewModel::maxCommentLength() const { return TestSettings::CommentLength; }

bool GuiViewModel::acceptsComment(const QString& comment)
{
    if (TestSettings::isStorableComment(comment))
        return true;
    showWarning(QCoreApplication::translate("Comment", "CommentNotStorable"));
    return false;
}

QString GuiViewModel::systemName() const { return GlobalFuncs::getSystemName(); }

void GuiViewModel::setPhaseNameL1(const QString& name)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setPhaseName(0, name);
}

void GuiViewModel::setPhaseNameL2(const QString& name)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setPhaseName(1, name);
}

void GuiViewModel::setPhaseNameL3(const QString& name)
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setPhaseName(2, name);
}

void GuiViewModel::setActiveKeyCode(int code)
{
    if (code == m_activeKeyCode)
        return;
    m_activeKeyCode = code;
    emit activeKeyCodeChanged(code);
}

void GuiViewModel::setInputPanelActive(bool active)
{
    if (active == m_inputPanelActive)
        return;
    m_inputPanelActive = active;
    emit inputPanelActiveChanged(active);
}

void GuiViewModel::setInputPanelSuggestions(const QStringList& suggestions)
{
    if (suggestions == m_inputPanelSuggestions)
        return;
    m_inputPanelSuggestions = suggestions;
    emit inputPanelSuggestionsChanged();
}

bool GuiViewModel::remoteControlled() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->isRemoteControlled();
}

bool GuiViewModel::isDemo() const { return GlobalFuncs::isDemo(); }

bool GuiViewModel::isHvOn() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && (dm->getHVUnitState().state & kHvOnMask) != 0;
}

void GuiViewModel::restartTest()
{
    if (m_testControl.restartPending())
        return;
    // What is connected now is the last phase's: a test that asks which phase is connected
    // asks every confirmation again, from the first phase, before it starts.
    m_testControl.restartTest(m_config.askConfirmationsAgain());
}

bool GuiViewModel::isRestartAble() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->phasesToTest() != 0;
}

QString GuiViewModel::peerName() const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->peerName() : QString();
}

Qt::CheckState GuiViewModel::testBoostState() const
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return Qt::Unchecked;
    const stTBState tb = dm->getTestBoostState();
    if (tb.powerState != 1 && tb.powerState != 2)
        return Qt::Unchecked;
    return (tb.stateWord & 0x6) != 0 ? Qt::Checked : Qt::PartiallyChecked;
}

void GuiViewModel::setTestBoostState(Qt::CheckState state)
{
    const stTBState next = state == Qt::Checked ? stTBState{2, 7} : stTBState{0, 0};
    const int delay = GlobalFuncs::isDemo() ? 3000 : 1;
    QTimer::singleShot(delay, Qt::CoarseTimer, this, [next]() {
        if (DataModell* dm = GlobalFuncs::getDM())
            dm->setTestBoostState(next, false);
    });
}

Qt::CheckState GuiViewModel::burnState() const
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return Qt::Unchecked;
    const bool burnSupported = (dm->getHVIdentification().supportFlags & 0x1) != 0;
    return burnSupported && dm->burnCurrentLimiter() ? Qt::Checked : Qt::Unchecked;
}

QStringList GuiViewModel::fileExtensionUpdate() const
{
    return {QStringLiteral("tar"), QStringLiteral("ldr"), QStringLiteral("img")};
}

QStringList GuiViewModel::fileExtensionTanDeltaStd() const { return {QStringLiteral(".tds")}; }

QStringList GuiViewModel::fileExtensionConfig() const { return {QStringLiteral(".cfg.xml")}; }

void GuiViewModel::enableCommissioning(bool on)
{
    m_commissioningEnabled = on;
    initMenu();
    if (on)
        m_commissioning->createMachines();
    else
        m_commissioning->clearMachines();
    emit commissioningEnabledChanged();
}

// ---------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------

QString GuiViewModel::getModeString() const
{
    // The mode change reaches the data model directly (no event loop here: a second tap
    // would be served in the middle of the first).
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return QString();
    const OperatingModes::OperatingMode current = dm->getOperatingMode();
    if (current == OperatingModes::None)
        return QString();
    const QByteArray key = OperatingModes::getInstance()->detailedModeName(current).toUtf8();
    QString text = QCoreApplication::translate("TestModes", key.constData(), "Test Mode description");
    const OpModeParameters* params = dm->getSettingParameters(current);
    if (params && params->isParameterEnabled(OpModeParameters::Polarity)) {
        const eVoltagePolarity polarity = dm->getVoltagePolarity();
        if (polarity == VoltagePolarity_Positive)
            text += QLatin1Char('+');
        else if (polarity == VoltagePolarity_Negative)
            text += QLatin1Char('-');
    }
    return text;
}

QString GuiViewModel::getMonthName(int month) const { return GlobalFuncs::getMonthName(month); }

QString GuiViewModel::getPhaseName(int phase) const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getPhaseName(phase) : QString();
}

void GuiViewModel::refreshHvUnitStatus()
{
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->forceHvSourceStatusRefresh();
}

int GuiViewModel::getCableNumbersLength(const QString& filter) const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getCableNumbers(filter.trimmed()).size() : 0;
}

void GuiViewModel::deleteCableNumberFromDB(const QString& number)
{
    // The database deletes every entry containing the text: an empty one would take them all.
    if (number.trimmed().isEmpty())
        return;
    if (DB* db = GlobalFuncs::getDB())
        db->deleteCableNumber(number);
}

void GuiViewModel::setOperationMode(OperatingModes::OperatingMode mode) { emit changeOperationMode(mode); }

void GuiViewModel::operatingModeChanged(OperatingModes::OperatingMode mode) { emit modeChanged(mode); }

void GuiViewModel::onVoltagePolarityChanged() { emit modeChanged(mode()); }

void GuiViewModel::onSettingsValueChanged(const QString& path)
{
    if (path != QLatin1String(ConfigKeys::VirtualTestBoost))
        return;
    DataModell* dm = GlobalFuncs::getDM();
    OperatingModes::getInstance()->enableMode(OperatingModes::VLFCosRect, dm && dm->hasVirtualTestBoost());
    emit testBoostStateChanged();
}

QUuid GuiViewModel::showInfo(const QString& text, const QString& accept, const QString& reject)
{
    return m_dialogs.show(CAT_INF, text, accept, reject);
}

QUuid GuiViewModel::showWarning(const QString& text, const QString& accept, const QString& reject)
{
    return m_dialogs.show(CAT_WARN, text, accept, reject);
}

QUuid GuiViewModel::showError(const QString& text, const QString& accept, const QString& reject)
{
    return m_dialogs.show(CAT_ERR, text, accept, reject);
}

QUuid GuiViewModel::showFatal(const QString& text, const QString& accept, const QString& reject)
{
    return m_dialogs.show(CAT_FATAL, text, accept, reject);
}

QUuid GuiViewModel::showMessage(const QString& text, const QString& accept, const QString& reject)
{
    return m_dialogs.show(CAT_MSG, text, accept, reject);
}

// ---------------------------------------------------------------------------
// Main menu
// ---------------------------------------------------------------------------

void GuiViewModel::initMenu()
{
    m_menu.build();
    const bool testBoost = testBoostState() != Qt::Unchecked;
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm) {
        KLOG_WARN2(kClass, "initMenu", "missing DataModel");
        return;
    }
    const quint64 mask = dm->getHVIdentification().operatingModeMask;
    m_menu.enable(
        [dm, mask, testBoost](OperatingModes::OperatingMode mode) {
            const bool offered = ((mask >> int(mode)) & 1U) != 0 && dm->isOperatingModePermitted(mode, testBoost);
            return offered || dm->isOpModeForced(mode);
        },
        m_commissioningEnabled);
}
