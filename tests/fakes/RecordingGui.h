#pragma once

#include "core/TransObject.h"
#include "uiapi/IGUI.h"

#include <QHash>
#include <QList>
#include <QString>

class QThread;

// An IGUI that records every entry that reaches it, with the thread it ran on.
// Dialog ids are fresh QUuids; requestUSBConnDlg answers with usbAnswer.
class RecordingGui : public IGUI {
    Q_OBJECT
public:
    struct Call {
        QString operation; // "showMessageDlg", "requestProgressDlg", "closeDlg", "saveToHistoryFailed", ...
        int category = 0;
        QString context;   // message context or progress text
        QString key;       // message key
        QStringList arguments;
        QUuid id;
        int closeType = -1;
        bool cancelButton = false; // message buttons
        bool okButton = false;
        QThread* thread = nullptr;
    };

    explicit RecordingGui(QObject* parent = nullptr) : IGUI(parent) {}

    QList<Call> calls;
    bool usbAnswer = false;
    // Message key -> how the user closes that message (messageDglClosed, queued).
    QHash<QString, IGUI::CloseType> answers;
    int shown = 0;

    QList<Call> callsOf(const QString& operation) const;
    bool hasMessage(const QString& context, const QString& key) const;

protected:
    void showImpl() override { ++shown; }
    void quitImpl() override {}
    bool requestUSBConnDlgImpl() override;
    QUuid requestProgressDlgImpl(const QString& text, int min, int max, int step, int start) override;
    void closeDlgImpl(QUuid id, IGUI::CloseType type) override;
    void updateProgressDlgTextImpl(QUuid id, const QString& text) override;
    void incrementProgressDlgImpl(QUuid id) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const QString& category, const QString& msgid,
                             bool cancelButton, bool okButton) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const TransObject& transObject, bool cancelButton,
                             bool okButton) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                             bool okButton) override;
    void holdMessageImpl(const QUuid& id, MessageCategories mc, const TransObject& transObject) override
    {
        Call& c = record(QStringLiteral("holdMessage"), transObject.arguments());
        c.id = id;
        c.category = mc;
        c.context = transObject.context();
        c.key = transObject.key();
    }
    void operatingModeChangedImpl(OperatingModes::OperatingMode mode) override;
    void communicationDownImpl(bool error) override;
    void remoteControlledImpl(bool state) override { record(QStringLiteral("remoteControlled"), {flag(state)}); }
    void showSetSerialDlgImpl() override { record(QStringLiteral("showSetSerialDlg")); }
    void showImportConfigDlgImpl(const QStringList& files) override { record(QStringLiteral("showImportConfigDlg"), files); }
    void resetDefValuesDoneImpl(bool ok) override { record(QStringLiteral("resetDefValuesDone"), {flag(ok)}); }
    void aliveCheckFailedImpl(uchar reason) override
    {
        record(QStringLiteral("aliveCheckFailed"), {QString::number(reason)});
    }
    void safetyCircuitChangedImpl() override { record(QStringLiteral("safetyCircuitChanged")); }
    void updatePeriodicMeasurementValuesImpl(const stPeriodicMeasurementValues& v) override;
    void burnCurrentLimiterChangedImpl(bool on) override { record(QStringLiteral("burnCurrentLimiterChanged"), {flag(on)}); }
    void evaluationCriterionChangedImpl(TanDelta::evaluation::eEvaluationStandard standard) override
    {
        record(QStringLiteral("evaluationCriterionChanged"), {QString::number(int(standard))});
    }
    void cableInsulationChangedImpl(TanDelta::evaluation::eInsulationType insulation) override
    {
        record(QStringLiteral("cableInsulationChanged"), {QString::number(int(insulation))});
    }
    void saveToHistoryFailedImpl() override { record(QStringLiteral("saveToHistoryFailed")); }
    void showFirmwareUpdateDlgImpl(const QList<updatePackage>& packages) override;

private:
    Call& record(const QString& operation, const QStringList& arguments = {});
    static QString flag(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
};
