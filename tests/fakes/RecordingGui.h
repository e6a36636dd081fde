#pragma once

#include "gui/api/IGUI.h"

#include <QList>
#include <QString>

// An IGUI that records every dialog request. Dialog ids are fresh QUuids;
// requestUSBConnDlg answers with usbAnswer.
class RecordingGui : public IGUI {
    Q_OBJECT
public:
    struct Call {
        QString operation; // "showMessageDlg", "requestProgressDlg", "closeDlg", ...
        int category = 0;
        QString context;   // message context or progress text
        QString key;       // message key
        QStringList arguments;
        QUuid id;
        int closeType = -1;
    };

    explicit RecordingGui(QObject* parent = nullptr) : IGUI(parent) {}

    QList<Call> calls;
    bool usbAnswer = false;
    int shown = 0;

    QList<Call> callsOf(const QString& operation) const;
    bool hasMessage(const QString& context, const QString& key) const;

public slots:
    void show() override { ++shown; }
    void quit() override {}
    bool requestUSBConnDlg() override;
    QUuid requestProgressDlg(const QString& text, int min, int max, int step, int start) override;
    void closeDlg(QUuid id, IGUI::CloseType type) override;
    void updateProgressDlgText(QUuid id, const QString& text) override;
    void incrementProgressDlg(QUuid id) override;
    QUuid showMessageDlg(MessageCategories mc, const QString& category, const QString& msgid, bool cancelButton,
                         bool okButton) override;
    QUuid showMessageDlg(MessageCategories mc, const TransObject& transObject, bool cancelButton,
                         bool okButton) override;
    QUuid showMessageDlg(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                         bool okButton) override;
};
