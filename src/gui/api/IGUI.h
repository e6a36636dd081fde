#pragma once

#include "datamodel/InstrumentTypes.h"
#include "logging/MessageCategories.h"
#include "datamodel/OperatingModes.h"
#include "datamodel/TanDeltaTypes.h"
#include "core/TransObject.h"

#include <QList>
#include <QObject>
#include <QRect>
#include <QStringList>
#include <QUuid>
#include <QVariantList>

// The one door through which back-end code reaches the screen (dialogs, messages,
// progress) and through which the user interface's requests reach the back end.
// Callers on other threads use queued or blocking queued invocations of the slots.
class IGUI : public QObject {
    Q_OBJECT
public:
    enum CloseType : int {
        Accepted = 0,
        Rejected = 1,
        OtherResult = 2,
    };
    Q_ENUM(CloseType)

    explicit IGUI(QObject* parent = nullptr);
    ~IGUI() override;

    QRect geometry() const { return QRect(QPoint(0, 0), QPoint(-1, -1)); }
    int width() const { return geometry().width(); }
    int height() const { return geometry().height(); }

public slots:
    virtual void show() = 0;
    virtual void quit() = 0;
    // Asks the user to connect a USB stick; false means the caller gives up.
    virtual bool requestUSBConnDlg();
    virtual QUuid requestProgressDlg(const QString& text, int min, int max, int step, int start);
    virtual void closeDlg(QUuid id, IGUI::CloseType type);
    virtual void updateProgressDlgText(QUuid id, const QString& text);
    virtual void incrementProgressDlg(QUuid id);
    virtual QUuid showMessageDlg(MessageCategories mc, const QString& category, const QString& msgid,
                                 bool cancelButton, bool okButton);
    virtual QUuid showMessageDlg(MessageCategories mc, const TransObject& transObject, bool cancelButton,
                                 bool okButton);
    virtual QUuid showMessageDlg(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                                 bool okButton);
    virtual void operatingModeChanged(OperatingModes::OperatingMode mode);
    virtual void remoteControlled(bool state);
    virtual void communicationDown(bool error);

    // Connection points only; the user interface host overrides what it shows.
    void showSetSerialDlg() {}
    void showImportConfigDlg(QStringList) {}
    void resetDefValuesDone(bool) {}
    void aliveCheckFailed(uchar) {}
    void safetyCircuitChanged() {}
    void updatePeriodicMeasurementValues(stPeriodicMeasurementValues) {}
    void burnCurrentLimiterChanged(bool) {}
    void evaluationCriterionChanged(TanDelta::evaluation::eEvaluationStandard) {}
    void cableInsulationChanged(TanDelta::evaluation::eInsulationType) {}
    void saveToHistoryFailed() {}

signals:
    // Requests of the user interface towards the back end.
    void PerformExternalAction(QString action);
    void changeLanguage(QString language);
    void importConfig(QString configFile, bool removeAtfterUpdate);
    void keyPressDetected(int key, bool pressed);
    void changeOperatingMode(OperatingModes::OperatingMode mode);
    void sendAppEvent(eAppEvent event);
    void setHVUnitParamValue(eHVUnitParamType type, qulonglong value);
    void transferTanDeltaSummary();
    void refreshHVUnitParams(QList<eHVUnitParamType> list);
    void messageDglClosed(QUuid dialogId, IGUI::CloseType type);

    // Notifications of the back end towards the user interface.
    void defaultValuesLoaded();
    void languageChanged();
    void languageListChanged(QVariantList languages);
    void USBStateChanged(eUSBState oldState, eUSBState newState);
    void watchdogResetOccured();
    void exportLogfileFinished(bool ok, QString path);
    void TestSettingsChanged();
    void TestBoostStateChanged(stTBState oldState, stTBState newState);
    void HVUnitParamChanged(eHVUnitParamType paramType, qulonglong value);
};

Q_DECLARE_METATYPE(IGUI::CloseType)
