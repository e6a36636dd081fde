#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/SystemFunctions.h"
#include "gui/Activities.h"
#include "gui/Calibration.h"
#include "gui/Connections.h"
#include "gui/DialogQueue.h"
#include "gui/IconListViewItem.h"
#include "gui/LogListModel.h"
#include "gui/MainMenu.h"
#include "gui/MenuViewModel.h"
#include "gui/Settings.h"
#include "gui/StoredDataActions.h"
#include "gui/SystemInformation.h"
#include "gui/TestConfiguration.h"
#include "gui/TestControl.h"
#include "gui/TestMeasurement.h"
#include "gui/TestPreparation.h"
#include "gui/TestResults.h"
#include "uiapi/IGUI.h"
#include "logging/MessageCategories.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QObject>
#include <QQmlListProperty>
#include <QStringList>
#include <QUuid>

#include <functional>

namespace Commissioning {
class CommissioningViewModel;
}

// The root object of the QML user interface ("guiViewModel"): holds the view models of
// every page family and relays the data model's signals to the pages; the dialog layer's
// lists, the main menu, test control and the operations on stored data are parts of their
// own that it hands the pages' calls to.
class GuiViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(TestConfiguration* config READ config CONSTANT)
    Q_PROPERTY(TestPreparation* prepare READ prepare CONSTANT)
    Q_PROPERTY(TestMeasurement* measure READ measure CONSTANT)
    Q_PROPERTY(TestResults* results READ results CONSTANT)
    Q_PROPERTY(Activities* activities READ activities CONSTANT)
    Q_PROPERTY(Settings* settings READ settings CONSTANT)
    Q_PROPERTY(SystemInformation* systemInformation READ systemInformation CONSTANT)
    Q_PROPERTY(Connections* connections READ connections CONSTANT)
    Q_PROPERTY(Calibration* calibration READ calibration CONSTANT)
    Q_PROPERTY(Commissioning::CommissioningViewModel* commissioning READ commissioning CONSTANT)
    Q_PROPERTY(OperatingModes::OperatingMode mode READ mode NOTIFY modeChanged)
    Q_PROPERTY(States::AppState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString cableNumber READ cableNumber WRITE setCableNumber NOTIFY cableNumberChanged)
    Q_PROPERTY(QString systemName READ systemName NOTIFY systemNameChanged)
    Q_PROPERTY(QString phaseNameL1 READ phaseNameL1 WRITE setPhaseNameL1 NOTIFY phaseNameChanged)
    Q_PROPERTY(QString phaseNameL2 READ phaseNameL2 WRITE setPhaseNameL2 NOTIFY phaseNameChanged)
    Q_PROPERTY(QString phaseNameL3 READ phaseNameL3 WRITE setPhaseNameL3 NOTIFY phaseNameChanged)
    Q_PROPERTY(int maxCommentLength READ maxCommentLength CONSTANT)
    Q_PROPERTY(int activeKeyCode READ activeKeyCode WRITE setActiveKeyCode NOTIFY activeKeyCodeChanged)
    Q_PROPERTY(QQmlListProperty<MenuViewModel> menuEntries READ menuEntriesProperty NOTIFY menuEntriesChanged)
    Q_PROPERTY(bool inputPanelActive READ inputPanelActive WRITE setInputPanelActive NOTIFY inputPanelActiveChanged)
    Q_PROPERTY(QStringList inputPanelSuggestions READ inputPanelSuggestions WRITE setInputPanelSuggestions
                   NOTIFY inputPanelSuggestionsChanged)
    Q_PROPERTY(bool remoteControlled READ remoteControlled NOTIFY remoteControlledChanged)
    Q_PROPERTY(bool isDemo READ isDemo CONSTANT)
    Q_PROPERTY(bool isHvOn READ isHvOn NOTIFY hvOnChanged)
    Q_PROPERTY(bool isRestartAble READ isRestartAble NOTIFY isRestartAbleChanged)
    Q_PROPERTY(QString peerName READ peerName NOTIFY peerNameChanged)
    Q_PROPERTY(Qt::CheckState testBoostState READ testBoostState WRITE setTestBoostState NOTIFY testBoostStateChanged)
    Q_PROPERTY(Qt::CheckState burnState READ burnState NOTIFY burnStateChanged)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> messageList READ messageList NOTIFY messageListChanged)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> waitList READ waitList NOTIFY waitListChanged)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> questionList READ questionList NOTIFY questionListChanged)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> progressList READ progressList NOTIFY progressListChanged)
    Q_PROPERTY(QQmlListProperty<IconListViewItem> evaluationStandardList READ evaluationStandardList
                   NOTIFY evaluationStandardListChanged)
    Q_PROPERTY(LogListModel* serviceLog READ serviceLog CONSTANT)
    Q_PROPERTY(LogListModel* messageLog READ messageLog CONSTANT)
    Q_PROPERTY(QStringList fileExtensionUpdate READ fileExtensionUpdate CONSTANT)
    Q_PROPERTY(QStringList fileExtensionTanDeltaStd READ fileExtensionTanDeltaStd CONSTANT)
    Q_PROPERTY(QStringList fileExtensionConfig READ fileExtensionConfig CONSTANT)
    Q_PROPERTY(bool commissioningEnabled READ commissioningEnabled WRITE enableCommissioning
                   NOTIFY commissioningEnabledChanged)

public:
    using Message = DialogQueue::Message;
    using Question = DialogQueue::Question;
    using Progress = DialogQueue::Progress;

    explicit GuiViewModel(QObject* parent = nullptr);
    ~GuiViewModel() override;

    // Tests replace the clock that message lifetimes are measured against.
    void setClock(std::function<QDateTime()> now) { m_dialogs.setClock(std::move(now)); }

    TestConfiguration* config() { return &m_config; }
    TestPreparation* prepare() { return &m_prepare; }
    TestMeasurement* measure() { return &m_measure; }
    TestResults* results() { return &m_results; }
    Settings* settings() { return &m_settings; }
    SystemInformation* systemInformation() { return &m_systemInformation; }
    Connections* connections() { return &m_connections; }
    Calibration* calibration() { return &m_calibration; }
    Activities* activities() { return &m_activities; }
    Commissioning::CommissioningViewModel* commissioning() const { return m_commissioning; }

    OperatingModes::OperatingMode mode() const;
    States::AppState state() const;
    QString cableNumber() const { return m_cableNumber; }
    Q_INVOKABLE void setCableNumber(const QString& number);
    QString systemName() const;
    QString phaseNameL1() const { return getPhaseName(0); }
    QString phaseNameL2() const { return getPhaseName(1); }
    QString phaseNameL3() const { return getPhaseName(2); }
    Q_INVOKABLE void setPhaseNameL1(const QString& name);
    Q_INVOKABLE void setPhaseNameL2(const QString& name);
    Q_INVOKABLE void setPhaseNameL3(const QString& name);
    // What the data model keeps of a comment.
    int maxCommentLength() const;
    // Whether a record can hold the comment; the operator is told when it cannot.
    Q_INVOKABLE bool acceptsComment(const QString& comment);
    int activeKeyCode() const { return m_activeKeyCode; }
    Q_INVOKABLE void setActiveKeyCode(int code);
    bool inputPanelActive() const { return m_inputPanelActive; }
    Q_INVOKABLE void setInputPanelActive(bool active);
    QStringList inputPanelSuggestions() const { return m_inputPanelSuggestions; }
    Q_INVOKABLE void setInputPanelSuggestions(const QStringList& suggestions);
    bool remoteControlled() const;
    bool isDemo() const;
    bool isHvOn() const;
    bool isRestartAble() const;
    QString peerName() const;
    Qt::CheckState testBoostState() const;
    void setTestBoostState(Qt::CheckState state);
    Qt::CheckState burnState() const;
    QStringList fileExtensionUpdate() const;
    QStringList fileExtensionTanDeltaStd() const;
    QStringList fileExtensionConfig() const;
    bool commissioningEnabled() const { return m_commissioningEnabled; }
    void enableCommissioning(bool on);

    // Main menu.
    QQmlListProperty<MenuViewModel> menuEntriesProperty() { return m_menu.entriesProperty(); }
    const QList<MenuViewModel*>& menuEntries() const { return m_menu.entries(); }
    MenuViewModel* addMenuEntry(OperatingModes::OperatingMode mode) { return m_menu.add(mode); }
    Q_INVOKABLE MenuViewModel* getMenuEntry(OperatingModes::OperatingMode mode) const { return m_menu.find(mode); }

    // Test control.
    Q_INVOKABLE void startTest() { m_testControl.startTest(); }
    Q_INVOKABLE void abortTest(bool confirm) { m_testControl.abortTest(confirm); }
    Q_INVOKABLE void abortTest() { m_testControl.abortTest(true); }
    Q_INVOKABLE void confirmTestResults() { m_testControl.confirmTestResults(); }
    Q_INVOKABLE void userAcknowledged() { m_testControl.userAcknowledged(); }
    Q_INVOKABLE void restartTest();
    bool abortConfirmationArmed() const { return m_testControl.abortConfirmationArmed(); }
    bool restartPending() const { return m_testControl.restartPending(); }

    QQmlListProperty<IconListViewItem> messageList() { return m_dialogs.messages().property(this); }
    QQmlListProperty<IconListViewItem> waitList() { return m_dialogs.waits().property(this); }
    QQmlListProperty<IconListViewItem> questionList() { return m_dialogs.questions().property(this); }
    QQmlListProperty<IconListViewItem> progressList() { return m_dialogs.progresses().property(this); }

    const QList<Message>& messages() const { return m_dialogs.messages().items(); }
    const QList<Question>& questions() const { return m_dialogs.questions().items(); }
    const QList<Progress>& progresses() const { return m_dialogs.progresses().items(); }
    const QList<IconListViewItem*>& waitItems() const { return m_dialogs.waits().items(); }
    bool messageTimerActive() const { return m_dialogs.timerActive(); }

    Q_INVOKABLE QString getModeString() const;
    Q_INVOKABLE QString getMonthName(int month) const;
    Q_INVOKABLE QString getPhaseName(int phase) const;
    Q_INVOKABLE void refreshHvUnitStatus();
    Q_INVOKABLE int getCableNumbersLength(const QString& filter) const;
    Q_INVOKABLE void deleteCableNumberFromDB(const QString& number);

    // Dialog and message lists.
    Q_INVOKABLE QUuid showMessageOfCategory(const QString& text, MessageCategories category)
    {
        return m_dialogs.showMessageOfCategory(text, category);
    }
    // A message that stays in the header until released by its id.
    void holdMessage(const QUuid& id, const QString& text, MessageCategories category)
    {
        m_dialogs.holdMessage(id, text, category);
    }
    bool releaseMessage(const QUuid& id) { return m_dialogs.releaseMessage(id); }
    Q_INVOKABLE QUuid showInfo(const QString& text, const QString& acceptButton = QString(),
                               const QString& rejectedButton = QString());
    Q_INVOKABLE QUuid showWarning(const QString& text, const QString& acceptButton = QString(),
                                  const QString& rejectedButton = QString());
    Q_INVOKABLE QUuid showError(const QString& text, const QString& acceptButton = QString(),
                                const QString& rejectedButton = QString());
    Q_INVOKABLE QUuid showFatal(const QString& text, const QString& acceptButton = QString(),
                                const QString& rejectedButton = QString());
    Q_INVOKABLE QUuid showMessage(const QString& text, const QString& acceptButton = QString(),
                                  const QString& rejectedButton = QString());
    Q_INVOKABLE bool hideInfo(const QUuid& id) { return m_dialogs.hideMessage(CAT_INF, id); }
    Q_INVOKABLE bool hideWarning(const QUuid& id) { return m_dialogs.hideMessage(CAT_WARN, id); }
    Q_INVOKABLE bool hideError(const QUuid& id) { return m_dialogs.hideMessage(CAT_ERR, id); }
    Q_INVOKABLE bool hideFatal(const QUuid& id) { return m_dialogs.hideMessage(CAT_FATAL, id); }
    Q_INVOKABLE bool hideMessage(const QUuid& id) { return m_dialogs.hideMessage(CAT_MSG, id); }
    Q_INVOKABLE bool hideInfo(const QString& text) { return m_dialogs.hideMessage(CAT_INF, text); }
    Q_INVOKABLE bool hideWarning(const QString& text) { return m_dialogs.hideMessage(CAT_WARN, text); }
    Q_INVOKABLE bool hideError(const QString& text) { return m_dialogs.hideMessage(CAT_ERR, text); }
    Q_INVOKABLE bool hideFatal(const QString& text) { return m_dialogs.hideMessage(CAT_FATAL, text); }
    Q_INVOKABLE bool hideMessage(const QString& text) { return m_dialogs.hideMessage(CAT_MSG, text); }

    Q_INVOKABLE QUuid showQuestion(const QString& text) { return m_dialogs.showQuestion(text); }
    Q_INVOKABLE QUuid showQuestion(const QString& text, const QString& acceptButton)
    {
        return m_dialogs.showQuestion(text, acceptButton);
    }
    Q_INVOKABLE QUuid showQuestion(const QString& text, const QString& acceptButton, const QString& rejectedButton)
    {
        return m_dialogs.showQuestion(text, acceptButton, rejectedButton);
    }
    Q_INVOKABLE QUuid showQuestion(const QString& text, const QString& acceptButton, const QString& rejectedButton,
                                   const QString& iconPath)
    {
        return m_dialogs.showQuestion(text, acceptButton, rejectedButton, iconPath);
    }
    Q_INVOKABLE bool hideQuestion(const QUuid& id, int result) { return m_dialogs.hideQuestion(id, result); }
    Q_INVOKABLE bool hideQuestion(const QString& text, int result) { return m_dialogs.hideQuestion(text, result); }
    Q_INVOKABLE QString questionButtonText(const QUuid& id, int result) const
    {
        return m_dialogs.questionButtonText(id, result);
    }
    Q_INVOKABLE QString questionButtonText(const QString& text, int result) const
    {
        return m_dialogs.questionButtonText(text, result);
    }
    Q_INVOKABLE int questionAcceptedResult() const { return DialogQueue::AcceptedResult; }
    Q_INVOKABLE int questionRejectedResult() const { return DialogQueue::RejectedResult; }

    Q_INVOKABLE QUuid showProgress(const QString& text, int min = 0, int max = 100, int step = 1, int start = 0)
    {
        return m_dialogs.showProgress(text, min, max, step, start);
    }
    Q_INVOKABLE void updateProgress(const QUuid& dialogId, const QString& text)
    {
        m_dialogs.updateProgress(dialogId, text);
    }
    Q_INVOKABLE void updateProgress(const QString& oldText, const QString& newText)
    {
        m_dialogs.updateProgress(oldText, newText);
    }
    Q_INVOKABLE bool incrementProgress(const QUuid& dialogId) { return m_dialogs.incrementProgress(dialogId); }
    Q_INVOKABLE bool incrementProgress(const QString& text) { return m_dialogs.incrementProgress(text); }
    Q_INVOKABLE bool hideProgress(const QUuid& id) { return m_dialogs.hideProgress(id); }
    Q_INVOKABLE bool hideProgress(const QString& text) { return m_dialogs.hideProgress(text); }

    Q_INVOKABLE QUuid showWaitMessage(const QString& text) { return m_dialogs.showWaitMessage(text); }
    Q_INVOKABLE bool hideWaitMessage(const QUuid& id) { return m_dialogs.hideWaitMessage(id); }
    Q_INVOKABLE bool hideWaitMessage(const QString& text) { return m_dialogs.hideWaitMessage(text); }

    // Operations on stored data: each asks first and runs only on acceptance.
    Q_INVOKABLE void resetToDefaultValues() { m_storedData.resetToDefaultValues(); }
    Q_INVOKABLE void deleteServiceLog() { m_storedData.deleteLogs(); }
    Q_INVOKABLE void deleteMessageLog() { m_storedData.deleteLogs(); }
    Q_INVOKABLE void rebootHvUnit() { m_storedData.rebootHvUnit(); }
    Q_INVOKABLE void deleteEvaluationStandards(const QList<int>& ids) { m_storedData.deleteEvaluationStandards(ids); }
    // Exports without a question.
    Q_INVOKABLE void exportEvaluationStandards(const QList<int>& ids) { m_storedData.exportEvaluationStandards(ids); }
    Q_INVOKABLE void exportConfigFile() { m_storedData.performSystemFunction(SystemFunction::ExportConfiguration); }
    Q_INVOKABLE void exportServiceLog() { m_storedData.performSystemFunction(SystemFunction::ExportSystemLog); }
    Q_INVOKABLE void exportMessageLog() { m_storedData.performSystemFunction(SystemFunction::ExportMessageLog); }
    Q_INVOKABLE void saveScreenshot(const QImage& screenshot) { m_storedData.saveScreenshot(screenshot); }

    // Rebuilt from its source on every read.
    QQmlListProperty<IconListViewItem> evaluationStandardList()
    {
        return m_storedData.evaluationStandards().property(this);
    }
    const QList<IconListViewItem*>& evaluationStandardItems() { return m_storedData.evaluationStandards().items(); }
    // Read anew by their pages (reload), in the background.
    LogListModel* serviceLog() { return &m_serviceLog; }
    LogListModel* messageLog() { return &m_messageLog; }

public slots:
    void setOperationMode(OperatingModes::OperatingMode mode);
    void operatingModeChanged(OperatingModes::OperatingMode mode);
    void onVoltagePolarityChanged();
    void onSettingsValueChanged(const QString& path);
    void checkMessageList() { m_dialogs.checkMessageList(); }
    void initMenu();
    void onOutputOffsetToBig() { m_testControl.onOutputOffsetToBig(); }
    void onHvOvertemperatureDetected() { m_testControl.onHvOvertemperatureDetected(); }
    void askToUpdate(const QString& updateFile) { m_storedData.askToUpdate(updateFile); }
    void askToImportConfig(const QString& configFile, bool removeAtfterUpdate)
    {
        m_storedData.askToImportConfig(configFile, removeAtfterUpdate);
    }
    void askToImportTanDeltaStandard(const QString& pathToFile)
    {
        m_storedData.askToImportTanDeltaStandard(pathToFile);
    }

signals:
    // Towards the back end.
    void changeOperationMode(OperatingModes::OperatingMode mode);
    void unlockSystemFunction(SystemFunction::eSysFunc func);
    void sendAppEvent(eAppEvent event);
    void PerformExternalAction(QString action);
    void importConfig(QString configFile, bool removeAtfterUpdate);
    void performUpdate(QString updateFile);
    void setHVUnitParamValue(eHVUnitParamType type, qulonglong value);
    void refreshHVUnitParams(QList<eHVUnitParamType> list);
    void changeLanguage(QString language);
    void questionAnsweredCloseType(QUuid questionId, IGUI::CloseType result);

    // From the back end.
    void HVUnitParamChanged(eHVUnitParamType type, qulonglong value);
    void settingsValueChanged(QString path);
    void languageChanged();
    void languageListChanged(QVariantList languages);
    void defaultValuesLoaded();
    void exportLogfileFinished(bool ok, QString path);
    void usbStateChanged();
    void backfeedDetected();
    void screenshotTrigger();
    void remoteControlledChanged(bool state);

    // Property changes.
    void modeChanged(OperatingModes::OperatingMode mode);
    void stateChanged();
    void cableNumberChanged(QString number);
    void systemNameChanged();
    void phaseNameChanged();
    void activeKeyCodeChanged(int code);
    void inputPanelActiveChanged(bool active);
    void inputPanelSuggestionsChanged();
    void peerNameChanged();
    void hvOnChanged();
    void isRestartAbleChanged();
    void testBoostStateChanged();
    void burnStateChanged();
    void commissioningEnabledChanged();
    void menuEntriesChanged();

    // Dialog layer.
    void questionAnswered(QUuid questionId, int result);
    void messageListChanged();
    void waitListChanged();
    void questionListChanged();
    void progressListChanged();
    void evaluationStandardListChanged();

private:
    void connectDataModel();
    void connectChildren();

    DialogQueue m_dialogs;
    TestConfiguration m_config;
    TestPreparation m_prepare;
    TestMeasurement m_measure;
    TestResults m_results;
    Settings m_settings;
    SystemInformation m_systemInformation;
    Connections m_connections;
    Calibration m_calibration;
    Activities m_activities;
    Commissioning::CommissioningViewModel* m_commissioning = nullptr;
    QString m_cableNumber;
    bool m_inputPanelActive = false;
    int m_activeKeyCode = 0;
    QStringList m_inputPanelSuggestions;
    bool m_commissioningEnabled = false;
    MainMenu m_menu;
    // A child, so that the restart it runs is one of this object's.
    TestControl m_testControl{m_measure, m_dialogs, this};
    StoredDataActions m_storedData{m_dialogs};
    LogListModel m_serviceLog;
    LogListModel m_messageLog;
};
