#include "gui/GuiViewModel.h"

#include "commissioning/CommissioningViewModel.h"
#include "core/GlobalFuncs.h"
#include "core/StickWriter.h"
#include "datamodel/DataModell.h"
#include "datamodel/Statemachine.h"
#include "datamodel/TestSettings.h"
#include "db/DB.h"
#include "gui/RestartMeasurement.h"
#include "logging/LoggingCtrl.h"
#include "testrun/TanDeltaCriteriaFolder.h"
#include "testrun/TanDeltaFunctions.h"
#include "testrun/TanDeltaLists.h"
#include "testrun/TanDeltaStrings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace {
const char* const kClass = "GuiViewModel";
const QString kHourglassIcon = QStringLiteral("qrc:/icons/hourglass-empty.svg");
const QString kQuestionIcon = QStringLiteral("qrc:/icons/question.svg");
constexpr quint32 kHvOnMask = 0x10006;
constexpr qint64 kSecond = 1000;
constexpr qint64 kDay = 24 * 3600 * kSecond;

struct CategoryLook {
    int category;
    const char* icon;
    const char* colour;
    qint64 lifetimeMs;
};

// How a message of each category shows in the header and how long it stays there.
const CategoryLook kCategories[] = {
    {0, "qrc:/icons/skull.svg", "#40747474", 50 * kSecond},
    {CAT_FATAL, "qrc:/icons/fatal.svg", "#FFD0021B", 99 * kDay},
    {CAT_ERR, "qrc:/icons/error.svg", "#FFF43149", 10 * kSecond},
    {CAT_WARN, "qrc:/icons/warning.svg", "#FFD05002", 10 * kSecond},
    {CAT_INF, "qrc:/icons/info.svg", "#FF747474", 5 * kSecond},
    {CAT_MSG, "qrc:/icons/message.svg", "#FF4A90E2", 5 * kSecond},
    {CAT_METHOD, "qrc:/icons/settings.svg", "#40747474", 10 * kSecond},
    {CAT_DBG, "qrc:/icons/details.svg", "#40747474", 10 * kSecond},
};

const CategoryLook* lookOf(int category)
{
    for (const CategoryLook& look : kCategories)
        if (look.category == category)
            return &look;
    return nullptr;
}

QString iconOf(int category)
{
    const CategoryLook* look = lookOf(category);
    return look ? QString::fromLatin1(look->icon) : QString();
}

// Share done of a progress, bounded to [0, 1]; an empty range counts as nothing done.
double fractionOf(int value, int lo, int hi)
{
    if (hi == lo)
        return 0.0;
    const double fraction = double(value - lo) / double(hi - lo);
    if (fraction > 1.0)
        return 1.0;
    if (fraction <= 0.0)
        return 0.0;
    return fraction;
}

// The modes of the main menu in the order they are added; the last eleven are the
// calibration group that the commissioning switch opens.
const OperatingModes::OperatingMode kMenuModes[] = {
    OperatingModes::DC, OperatingModes::VLFSin, OperatingModes::VLFRect, OperatingModes::VLFCosRect,
    OperatingModes::TanDelta, OperatingModes::MWTSingle, OperatingModes::MWTStep, OperatingModes::SheathTest,
    OperatingModes::SheathPinpointing,
    OperatingModes::Calibration, OperatingModes::SafetyCircuitCheck, OperatingModes::OutputCalibration,
    OperatingModes::CascadeCalibration, OperatingModes::VoltageWaveformCheck, OperatingModes::TanDCalibration,
    OperatingModes::MaxCapacityLoad, OperatingModes::CascadePowerEnvelope, OperatingModes::LongDurationTest,
    OperatingModes::SinusDiagnosis, OperatingModes::ManualDiagnosis,
};
constexpr int kFirstCalibrationPlace = 9;

template <typename Record>
int recordCount(QQmlListProperty<IconListViewItem>* list)
{
    return static_cast<const QList<Record>*>(list->data)->size();
}

template <typename Record>
IconListViewItem* recordAt(QQmlListProperty<IconListViewItem>* list, int index)
{
    const auto* records = static_cast<const QList<Record>*>(list->data);
    return index >= 0 && index < records->size() ? records->at(index).item : nullptr;
}
} // namespace

GuiViewModel::GuiViewModel(QObject* parent)
    : QObject(parent), m_serviceLog(LogListModel::ServiceLog, [this]() { return m_settings.dateTimeFormatString(); }),
      m_messageLog(LogListModel::MessageLog, nullptr)
{
    m_messageTimer.setInterval(1000);
    connect(&m_messageTimer, &QTimer::timeout, this, &GuiViewModel::checkMessageList);
    connectDataModel();
    connectChildren();
    initMenu();
    m_commissioning = new Commissioning::CommissioningViewModel(this, this);
}

GuiViewModel::~GuiViewModel()
{
    m_messageTimer.stop();
    for (const Message& m : qAsConst(m_messages))
        delete m.item;
    for (const Question& q : qAsConst(m_questions))
        delete q.item;
    for (const Progress& p : qAsConst(m_progresses))
        delete p.item;
    delete m_commissioning;
}

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
}

void GuiViewModel::setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

QDateTime GuiViewModel::now() const { return m_now ? m_now() : QDateTime::currentDateTime(); }

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
    if (number == m_cableNumber)
        return;
    m_cableNumber = number;
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->setCableNumber(number);
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

QQmlListProperty<IconListViewItem> GuiViewModel::messageList()
{
    return QQmlListProperty<IconListViewItem>(this, &m_messages, &recordCount<Message>, &recordAt<Message>);
}

QQmlListProperty<IconListViewItem> GuiViewModel::waitList()
{
    return m_waitList.property(this);
}

QQmlListProperty<IconListViewItem> GuiViewModel::questionList()
{
    return QQmlListProperty<IconListViewItem>(this, &m_questions, &recordCount<Question>, &recordAt<Question>);
}

QQmlListProperty<IconListViewItem> GuiViewModel::progressList()
{
    return QQmlListProperty<IconListViewItem>(this, &m_progresses, &recordCount<Progress>, &recordAt<Progress>);
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
    if (path != QLatin1String("/Device/VLFBoosterEmulation"))
        return;
    DataModell* dm = GlobalFuncs::getDM();
    OperatingModes::getInstance()->enableMode(OperatingModes::VLFCosRect, dm && dm->hasVirtualTestBoost());
    emit testBoostStateChanged();
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

QUuid GuiViewModel::showMessageOfCategory(const QString& text, MessageCategories category)
{
    if (category == CAT_PERSISTENT)
        return showWaitMessage(text);
    if (category == CAT_SKPOUT)
        return showQuestion(text);

    const QDateTime current = now();
    const QUuid id = QUuid::createUuid();
    const CategoryLook* look = lookOf(category);
    const QDateTime expiry = current.addMSecs(look ? look->lifetimeMs : 0);
    if (current < expiry) {
        auto* item = new IconListViewItem(text, QString::fromLatin1(look->icon), QString::fromLatin1(look->colour));
        auto at = std::find_if(m_messages.begin(), m_messages.end(),
                               [category](const Message& m) { return m.category >= category; });
        m_messages.insert(at, Message{item, expiry, category, id});
        emit messageListChanged();
    }
    if (!m_messageTimer.isActive())
        m_messageTimer.start();
    return id;
}

QUuid GuiViewModel::showOfCategory(MessageCategories category, const QString& text, const QString& acceptButton,
                                   const QString& rejectedButton)
{
    if (acceptButton.isEmpty() && rejectedButton.isEmpty())
        return showMessageOfCategory(text, category);
    return showQuestion(text, acceptButton, rejectedButton, iconOf(category));
}

QUuid GuiViewModel::showInfo(const QString& text, const QString& accept, const QString& reject)
{
    return showOfCategory(CAT_INF, text, accept, reject);
}

QUuid GuiViewModel::showWarning(const QString& text, const QString& accept, const QString& reject)
{
    return showOfCategory(CAT_WARN, text, accept, reject);
}

QUuid GuiViewModel::showError(const QString& text, const QString& accept, const QString& reject)
{
    return showOfCategory(CAT_ERR, text, accept, reject);
}

QUuid GuiViewModel::showFatal(const QString& text, const QString& accept, const QString& reject)
{
    return showOfCategory(CAT_FATAL, text, accept, reject);
}

QUuid GuiViewModel::showMessage(const QString& text, const QString& accept, const QString& reject)
{
    return showOfCategory(CAT_MSG, text, accept, reject);
}

bool GuiViewModel::hideMessageById(int category, const QUuid& id)
{
    for (int i = 0; i < m_messages.size(); ++i) {
        if (m_messages.at(i).category == category && m_messages.at(i).id == id) {
            IconListViewItem* item = m_messages.takeAt(i).item;
            emit messageListChanged();
            item->deleteLater();
            return true;
        }
    }
    return false;
}

bool GuiViewModel::hideMessageByText(int category, const QString& text)
{
    for (const Message& m : qAsConst(m_messages)) {
        if (m.category == category && m.item->name() == text)
            return hideMessageById(category, m.id);
    }
    return false;
}

bool GuiViewModel::hideInfo(const QUuid& id) { return hideMessageById(CAT_INF, id); }
bool GuiViewModel::hideWarning(const QUuid& id) { return hideMessageById(CAT_WARN, id); }
bool GuiViewModel::hideError(const QUuid& id) { return hideMessageById(CAT_ERR, id); }
bool GuiViewModel::hideFatal(const QUuid& id) { return hideMessageById(CAT_FATAL, id); }
bool GuiViewModel::hideMessage(const QUuid& id) { return hideMessageById(CAT_MSG, id); }
bool GuiViewModel::hideInfo(const QString& text) { return hideMessageByText(CAT_INF, text); }
bool GuiViewModel::hideWarning(const QString& text) { return hideMessageByText(CAT_WARN, text); }
bool GuiViewModel::hideError(const QString& text) { return hideMessageByText(CAT_ERR, text); }
bool GuiViewModel::hideFatal(const QString& text) { return hideMessageByText(CAT_FATAL, text); }
bool GuiViewModel::hideMessage(const QString& text) { return hideMessageByText(CAT_MSG, text); }

void GuiViewModel::checkMessageList()
{
    if (m_messages.isEmpty()) {
        m_messageTimer.stop();
        return;
    }
    const QDateTime current = now();
    QList<IconListViewItem*> removed;
    for (int i = 0; i < m_messages.size();) {
        const QDateTime& expiry = m_messages.at(i).expiry;
        if (expiry.isValid() && expiry < current)
            removed << m_messages.takeAt(i).item;
        else
            ++i;
    }
    if (m_messages.isEmpty())
        m_messageTimer.stop();
    if (!removed.isEmpty())
        emit messageListChanged();
    for (IconListViewItem* item : qAsConst(removed))
        item->deleteLater();
}

// ---------------------------------------------------------------------------
// Questions
// ---------------------------------------------------------------------------

QUuid GuiViewModel::showQuestion(const QString& text)
{
    return showQuestion(text, QCoreApplication::translate("Dialog", "OK"));
}

QUuid GuiViewModel::showQuestion(const QString& text, const QString& acceptButton)
{
    return showQuestion(text, acceptButton, QCoreApplication::translate("Dialog", "Cancel"));
}

QUuid GuiViewModel::showQuestion(const QString& text, const QString& acceptButton, const QString& rejectedButton)
{
    return showQuestion(text, acceptButton, rejectedButton, kQuestionIcon);
}

QUuid GuiViewModel::showQuestion(const QString& text, const QString& acceptButton, const QString& rejectedButton,
                                 const QString& iconPath)
{
    const int existing = questionIndex(text);
    if (existing >= 0) {
        m_questions.at(existing).item->touch();
        emit questionListChanged();
        return m_questions.at(existing).id;
    }
    const QUuid id = QUuid::createUuid();
    auto* item = new IconListViewItem(text, iconPath, QVariant::fromValue(id));
    m_questions.prepend(Question{item, acceptButton, rejectedButton, id});
    emit questionListChanged();
    return id;
}

int GuiViewModel::questionIndex(const QUuid& id) const
{
    for (int i = 0; i < m_questions.size(); ++i)
        if (m_questions.at(i).id == id)
            return i;
    return -1;
}

int GuiViewModel::questionIndex(const QString& text) const
{
    for (int i = 0; i < m_questions.size(); ++i)
        if (m_questions.at(i).item->name() == text)
            return i;
    return -1;
}

bool GuiViewModel::hideQuestion(const QUuid& questionId, int result)
{
    // A copy: the caller may pass the id of the very entry removed below.
    const QUuid id = questionId;
    const int index = questionIndex(id);
    if (index < 0)
        return false;
    IconListViewItem* item = m_questions.takeAt(index).item;
    emit questionListChanged();
    item->deleteLater();
    emit questionAnswered(id, result);
    const IGUI::CloseType type = result == questionAcceptedResult()   ? IGUI::Accepted
                                 : result == questionRejectedResult() ? IGUI::Rejected
                                                                      : IGUI::OtherResult;
    emit questionAnsweredCloseType(id, type);
    return true;
}

bool GuiViewModel::hideQuestion(const QString& text, int result)
{
    const int index = questionIndex(text);
    return index >= 0 && hideQuestion(m_questions.at(index).id, result);
}

QString GuiViewModel::questionButtonText(const QUuid& id, int result) const
{
    const int index = questionIndex(id);
    if (index < 0)
        return QString();
    if (result == questionAcceptedResult())
        return m_questions.at(index).acceptText;
    if (result == questionRejectedResult())
        return m_questions.at(index).rejectText;
    return QString();
}

QString GuiViewModel::questionButtonText(const QString& text, int result) const
{
    const int index = questionIndex(text);
    return index >= 0 ? questionButtonText(m_questions.at(index).id, result) : QString();
}

// ---------------------------------------------------------------------------
// Progress
// ---------------------------------------------------------------------------

int GuiViewModel::progressIndex(const QUuid& id) const
{
    for (int i = 0; i < m_progresses.size(); ++i)
        if (m_progresses.at(i).id == id)
            return i;
    return -1;
}

int GuiViewModel::progressIndex(const QString& text) const
{
    for (int i = 0; i < m_progresses.size(); ++i)
        if (m_progresses.at(i).item->name() == text)
            return i;
    return -1;
}

QUuid GuiViewModel::showProgress(const QString& text, int min, int max, int step, int start)
{
    const int lo = std::min(min, max);
    const int hi = std::max(min, max);
    const int value = std::clamp(start, lo, hi);
    const double fraction = fractionOf(value, lo, hi);
    const int existing = progressIndex(text);
    if (existing >= 0) {
        // The record follows too, so that the next increment continues from here.
        Progress& p = m_progresses[existing];
        p.min = lo;
        p.max = hi;
        p.step = step;
        p.value = value;
        if (p.item->value() != QVariant(fraction)) {
            p.item->setValue(fraction);
            emit progressListChanged();
        }
        return p.id;
    }
    const QUuid id = QUuid::createUuid();
    auto* item = new IconListViewItem(text, kHourglassIcon, fraction);
    m_progresses.prepend(Progress{item, lo, hi, step, value, id});
    emit progressListChanged();
    return id;
}

void GuiViewModel::updateProgress(const QUuid& dialogId, const QString& text)
{
    const int index = progressIndex(dialogId);
    if (index < 0)
        return;
    m_progresses.at(index).item->setName(text);
    emit progressListChanged();
}

void GuiViewModel::updateProgress(const QString& oldText, const QString& newText)
{
    const int index = progressIndex(oldText);
    if (index >= 0)
        updateProgress(m_progresses.at(index).id, newText);
}

void GuiViewModel::setProgressValue(int index, int value)
{
    Progress& p = m_progresses[index];
    p.item->setValue(fractionOf(value, p.min, p.max));
    p.value = value;
    if (index != 0)
        m_progresses.move(index, 0);
    emit progressListChanged();
}

bool GuiViewModel::incrementProgress(const QUuid& dialogId)
{
    const int index = progressIndex(dialogId);
    if (index < 0)
        return false;
    const int next = m_progresses.at(index).value + m_progresses.at(index).step;
    const int max = m_progresses.at(index).max;
    setProgressValue(index, next);
    return next < max;
}

bool GuiViewModel::incrementProgress(const QString& text)
{
    const int index = progressIndex(text);
    return index >= 0 && incrementProgress(m_progresses.at(index).id);
}

bool GuiViewModel::hideProgress(const QUuid& id)
{
    const int index = progressIndex(id);
    if (index < 0)
        return false;
    IconListViewItem* item = m_progresses.takeAt(index).item;
    emit progressListChanged();
    item->deleteLater();
    return true;
}

bool GuiViewModel::hideProgress(const QString& text)
{
    const int index = progressIndex(text);
    return index >= 0 && hideProgress(m_progresses.at(index).id);
}

// ---------------------------------------------------------------------------
// Wait messages
// ---------------------------------------------------------------------------

QUuid GuiViewModel::showWaitMessage(const QString& text)
{
    for (IconListViewItem* item : m_waitList.items())
        if (item->name() == text)
            return item->value().toUuid();
    const QUuid id = QUuid::createUuid();
    m_waitList.prepend(new IconListViewItem(text, kHourglassIcon, QVariant::fromValue(id)));
    emit waitListChanged();
    return id;
}

bool GuiViewModel::hideWaitMessage(const QUuid& id)
{
    for (int i = 0; i < m_waitList.size(); ++i)
        if (m_waitList.at(i)->value().toUuid() == id)
            return m_waitList.removeAt(i, [this] { emit waitListChanged(); });
    return false;
}

bool GuiViewModel::hideWaitMessage(const QString& text)
{
    for (IconListViewItem* item : m_waitList.items())
        if (item->name() == text)
            return hideWaitMessage(item->value().toUuid());
    return false;
}

// ---------------------------------------------------------------------------
// Main menu
// ---------------------------------------------------------------------------

QQmlListProperty<MenuViewModel> GuiViewModel::menuEntriesProperty()
{
    return m_menuEntries.property(this);
}

void GuiViewModel::initMenu()
{
    OperatingModes* modes = OperatingModes::getInstance();
    if (m_menuEntries.isEmpty()) {
        // Every candidate gets its node once; later runs change only the enabling.
        for (OperatingModes::OperatingMode mode : kMenuModes) {
            modes->enableMode(mode, true);
            addMenuEntry(mode);
        }
        emit menuEntriesChanged();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    }
    const bool testBoost = testBoostState() != Qt::Unchecked;
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm) {
        KLOG_WARN2("GuiViewModel", "initMenu", "missing DataModel");
        return;
    }
    const quint64 mask = dm->getHVIdentification().operatingModeMask;
    int place = 0;
    for (OperatingModes::OperatingMode mode : kMenuModes) {
        bool enabled = ((mask >> int(mode)) & 1U) != 0 && dm->isOperatingModePermitted(mode, testBoost);
        enabled = enabled || dm->isOpModeForced(mode);
        if (m_commissioningEnabled && place >= kFirstCalibrationPlace)
            enabled = true;
        modes->enableMode(mode, enabled);
        ++place;
    }
    emit menuEntriesChanged();
}

MenuViewModel* GuiViewModel::addMenuEntry(OperatingModes::OperatingMode mode)
{
    OperatingModes* modes = OperatingModes::getInstance();
    if (!modes->isModeEnabled(mode))
        return nullptr;
    if (MenuViewModel* existing = getMenuEntry(mode))
        return existing;
    MenuViewModel* parentNode = nullptr;
    const OperatingModes::OperatingMode parent = modes->getParentMode(mode);
    if (parent != OperatingModes::None) {
        parentNode = addMenuEntry(parent);
        if (!parentNode)
            return nullptr;
    }
    auto* node = new MenuViewModel(this);
    connect(this, &GuiViewModel::languageChanged, node, &MenuViewModel::languageChanged);
    node->setMode(mode);
    node->setIcon(modes->getIconPath(mode, false));
    node->setFocusIcon(modes->getIconPath(mode, true));
    node->setDetailedDescription(modes->getDetailedModeName(mode));
    node->setDescription(modes->getModeName(mode));
    node->setSubMenuText(modes->getSubMenuText(mode));
    if (parentNode) {
        parentNode->addMenuEntry(node);
        return node;
    }
    const int priority = modes->getPriorityOrderForMode(mode);
    const QList<MenuViewModel*>& top = m_menuEntries.items();
    const auto it = std::find_if(top.begin(), top.end(), [modes, priority](MenuViewModel* e) {
        return modes->getPriorityOrderForMode(e->mode()) > priority;
    });
    m_menuEntries.insert(int(it - top.begin()), node);
    return node;
}

MenuViewModel* GuiViewModel::getMenuEntry(OperatingModes::OperatingMode mode) const
{
    const OperatingModes::OperatingMode parent = OperatingModes::getInstance()->getParentMode(mode);
    const QList<MenuViewModel*>* level = &m_menuEntries.items();
    if (parent != OperatingModes::None) {
        MenuViewModel* parentNode = getMenuEntry(parent);
        if (!parentNode)
            return nullptr;
        level = &parentNode->menuEntries();
    }
    for (MenuViewModel* node : *level)
        if (node->mode() == mode)
            return node;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Test control
// ---------------------------------------------------------------------------

void GuiViewModel::startTest()
{
    m_measure.reset();
    emit PerformExternalAction(QStringLiteral("StartMode"));
}

void GuiViewModel::abortTest() { abortTest(true); }

void GuiViewModel::abortTest(bool confirm)
{
    DataModell* dm = GlobalFuncs::getDM();
    // Confirm the aborted test's results on their arrival, but only when there is a test
    // to abort (else the next test would be confirmed without the operator), and once.
    if (confirm && dm && m_abortConfirmation.isNull()) {
        const States::AppState current = dm->getAppState();
        States::AppState next = current;
        if (DataModell::isTestRunningState(current)
            || Statemachine::lookup(current, eAppEvent::TestCanceledUser, next)) {
            auto* context = new QObject(this);
            m_abortConfirmation = context;
            connect(dm, &DataModell::appStateChanged, context,
                    [this, context](States::AppState, States::AppState newState) {
                        if (newState == States::TestDataTransferred) {
                            delete context;
                            confirmTestResults();
                        } else if (newState == States::Idle) {
                            delete context;
                        }
                    });
        }
    }
    emit sendAppEvent(eAppEvent::TestCanceledUser);
}

void GuiViewModel::confirmTestResults() { emit sendAppEvent(eAppEvent::TestResultConfirmed); }

void GuiViewModel::userAcknowledged() { emit sendAppEvent(eAppEvent::UserAck); }

void GuiViewModel::restartTest()
{
    // Repeated presses must not start the test more than once.
    if (!m_restart.isNull())
        return;
    m_restart = new RestartMeasurement(this);
}

void GuiViewModel::onOutputOffsetToBig()
{
    showStateErrorWhileHvOff(QCoreApplication::translate("ErrorMessages", "OutputOffsetTooBig"), QString());
}

void GuiViewModel::onHvOvertemperatureDetected()
{
    showStateErrorWhileHvOff(QCoreApplication::translate("HVSource", "OverTemperature"),
                             QStringLiteral("qrc:/icons/temperature.svg"));
}

void GuiViewModel::showStateErrorWhileHvOff(const QString& text, const QString& iconPath)
{
    const QString accept = QCoreApplication::translate("Dialog", "OK");
    const QUuid id = iconPath.isEmpty() ? showWarning(text, accept, QString())
                                        : showQuestion(text, accept, QString(), iconPath);
    // The same fault again joins its open question; one answer starts the unit once.
    if (m_hvOffFaults.contains(id))
        return;
    m_hvOffFaults.insert(id);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(this, &GuiViewModel::questionAnswered, this,
                          [this, id, connection](const QUuid& answered, int result) {
                              if (answered != id)
                                  return;
                              disconnect(*connection);
                              m_hvOffFaults.remove(id);
                              if (result == questionAcceptedResult())
                                  emit sendAppEvent(eAppEvent::HVUnitInitialized);
                          });
}

// ---------------------------------------------------------------------------
// Question flows and exports
// ---------------------------------------------------------------------------

namespace {
QString translated(const char* context, const char* key) { return QCoreApplication::translate(context, key); }

QList<TanDelta::evaluation::eEvaluationStandard> standardsOf(const QList<int>& ids)
{
    QList<TanDelta::evaluation::eEvaluationStandard> standards;
    for (int id : ids)
        standards << static_cast<TanDelta::evaluation::eEvaluationStandard>(id);
    return standards;
}
} // namespace

void GuiViewModel::askFirst(const QString& text, const QString& acceptButton, const QString& key,
                            std::function<void()> onAccept)
{
    const QUuid id = showQuestion(text, acceptButton, translated("Dialog", "Cancel"));
    // A second press before the answer joins the waiting request: one answer, one run.
    const QString pending = id.toString() + QLatin1Char('\n') + key;
    if (m_pendingAnswers.contains(pending))
        return;
    m_pendingAnswers.insert(pending);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(this, &GuiViewModel::questionAnswered, this,
                          [this, id, pending, connection, onAccept](const QUuid& answered, int result) {
                              if (answered != id)
                                  return;
                              disconnect(*connection);
                              m_pendingAnswers.remove(pending);
                              if (result == questionAcceptedResult())
                                  onAccept();
                          });
}

void GuiViewModel::performSystemFunction(SystemFunction::eSysFunc func)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm) {
        KLOG_WARN2(kClass, "performSystemFunction", "missing DataModel");
        return;
    }
    emit PerformExternalAction(dm->getSystemFunctions()->getFuncName(func));
}

void GuiViewModel::showOutcome(bool ok, const char* context, const char* successKey, const char* failureKey)
{
    if (ok)
        showInfo(translated(context, successKey));
    else
        showError(translated(context, failureKey));
}

void GuiViewModel::askToUpdate(const QString& updateFile)
{
    // The name comes from the stick: shown as text, never as markup.
    const QString text = QStringLiteral("<b>") + QFileInfo(updateFile).fileName().toHtmlEscaped()
        + QStringLiteral("</b><br><br>") + translated("UpdateManager", "PerformThisUpdate");
    askFirst(text, translated("Menu", "Update"), updateFile, [this, updateFile]() { emit performUpdate(updateFile); });
}

void GuiViewModel::askToImportConfig(const QString& configFile, bool removeAtfterUpdate)
{
    askFirst(translated("ConfigfileManager", "ImportThisConfigfile"), translated("Menu", "ImportData"),
             configFile + QLatin1Char('\n') + QString::number(removeAtfterUpdate),
             [this, configFile, removeAtfterUpdate]() { emit importConfig(configFile, removeAtfterUpdate); });
}

void GuiViewModel::askToImportTanDeltaStandard(const QString& pathToFile)
{
    askFirst(translated("TanDelta", "ImportThisTanDeltaStandard"), translated("Menu", "ImportData"), pathToFile,
             [this, pathToFile]() {
                 showOutcome(TanDelta::functions::evaluationStandardImport(pathToFile), "TanDelta",
                             "TanDeltaStandardImported", "TanDeltaStandardImportFailed");
                 emit evaluationStandardListChanged();
             });
}

void GuiViewModel::resetToDefaultValues()
{
    askFirst(translated("Database", "AskResetToDefaultValues"), translated("Dialog", "OK"), QString(),
             [this]() { performSystemFunction(SystemFunction::ResetDefaultValues); });
}

void GuiViewModel::deleteServiceLog()
{
    askFirst(translated("Settings", "AskDeleteLogfiles"), translated("Dialog", "OK"), QString(),
             [this]() { performSystemFunction(SystemFunction::DeleteLogfiles); });
}

void GuiViewModel::deleteMessageLog() { deleteServiceLog(); }

void GuiViewModel::rebootHvUnit()
{
    askFirst(translated("Settings", "AskRebootHVUnit"), translated("Dialog", "OK"), QString(),
             [this]() { emit PerformExternalAction(QStringLiteral("RebootHVUnit")); });
}

void GuiViewModel::deleteEvaluationStandards(const QList<int>& ids)
{
    // A user standard's id is its place in the folder: an import or removal answered
    // before this question moves the ids, so the files asked about are kept to compare.
    auto filesOf = [](const QList<int>& standards) {
        const QFileInfoList files = TanDelta::evaluation::criteriaFileListing();
        QStringList names;
        for (int id : standards) {
            const int n = id - TanDelta::evaluation::UserStandardBase;
            names << (n >= 0 && n < files.size() ? files.at(n).absoluteFilePath() : QString::number(id));
        }
        return names;
    };
    const QStringList asked = filesOf(ids);
    askFirst(translated("EvaluationStandard", "AskRemoveListOfStandards"), translated("History", "Delete"),
             asked.join(QLatin1Char('\n')), [this, ids, asked, filesOf]() {
                 const bool unchanged = filesOf(ids) == asked;
                 showOutcome(unchanged && TanDelta::functions::evaluationStandardRemove(standardsOf(ids)),
                             "EvaluationStandard", "RemoveListOfStandardsSuccess", "RemoveListOfStandardsFailed");
                 emit evaluationStandardListChanged();
             });
}

void GuiViewModel::exportEvaluationStandards(const QList<int>& ids)
{
    showOutcome(TanDelta::functions::evaluationStandardExport(standardsOf(ids)), "EvaluationStandard",
                "ExportToUsbSuccess", "ExportToUsbFailed");
}

void GuiViewModel::exportConfigFile() { performSystemFunction(SystemFunction::ExportConfiguration); }

void GuiViewModel::exportServiceLog() { performSystemFunction(SystemFunction::ExportSystemLog); }

void GuiViewModel::exportMessageLog() { performSystemFunction(SystemFunction::ExportMessageLog); }

void GuiViewModel::saveScreenshot(const QImage& screenshot)
{
    const QString folder = GlobalFuncs::getUsbPath(GlobalFuncs::UsbScreenshots);
    QString file = QStringLiteral("%1/Screenshot_%2_%3.png")
                       .arg(folder, GlobalFuncs::getProjectAbbreviation(), now().toString(QStringLiteral("hhmmss")));
    QByteArray png;
    QBuffer buffer(&png);
    bool ok = !screenshot.isNull() && buffer.open(QIODevice::WriteOnly) && screenshot.save(&buffer, "PNG")
        && StickWriter::makeFolder(folder);
    if (ok) {
        // An earlier picture of the same time of day keeps its name.
        const QString free = StickWriter::freeName(file);
        ok = !free.isEmpty() && StickWriter::writeFile(free, png);
        file = free.isEmpty() ? file : free;
    }
    const QString mountPoint = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
    const QString shown =
        file.startsWith(mountPoint) ? QStringLiteral("USB:") + file.mid(mountPoint.size()) : file;
    const MessageCategories category = ok ? CAT_INF : CAT_ERR;
    const QString text = ok ? QStringLiteral("Screenshot has been saved to %1").arg(shown)
                            : QStringLiteral("Error: Unable to save screenshot under %1").arg(shown);
    if (ok)
        KLOG_INFO2(kClass, "saveScreenshot", text);
    else
        KLOG_ERROR2(kClass, "saveScreenshot", text);
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(category, QString(), text, false, true);
    else
        showOfCategory(category, text, translated("Dialog", "OK"), QString());
}

// ---------------------------------------------------------------------------
// Log and standard lists
// ---------------------------------------------------------------------------

QQmlListProperty<IconListViewItem> GuiViewModel::evaluationStandardList()
{
    evaluationStandardItems();
    return m_evaluationStandardItems.property(this);
}

// The read itself asks for the new list; there is nobody to tell.
const QList<IconListViewItem*>& GuiViewModel::evaluationStandardItems()
{
    QList<IconListViewItem*> items;
    for (TanDelta::evaluation::eEvaluationStandard id : TanDelta::evaluation::allEvaluationStandards()) {
        if (id != TanDelta::evaluation::None)
            items << new IconListViewItem(TanDelta::strings::evaluationStandardToText(id, nullptr), QString(),
                                          int(id));
    }
    m_evaluationStandardItems.replace(items, [] {});
    return m_evaluationStandardItems.items();
}
