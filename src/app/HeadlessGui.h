#pragma once

#include "uiapi/IGUI.h"

// The user interface while the program runs without a window: every message and
// dialog is written to the log instead of the screen.
class HeadlessGui : public IGUI {
    Q_OBJECT
public:
    explicit HeadlessGui(QObject* parent = nullptr);
    ~HeadlessGui() override;

protected:
    void showImpl() override;
    void quitImpl() override;
    QUuid requestProgressDlgImpl(const QString& text, int min, int max, int step, int start) override;
    void closeDlgImpl(QUuid id, IGUI::CloseType type) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const QString& category, const QString& msgid, bool cancelButton,
                             bool okButton) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const TransObject& transObject, bool cancelButton,
                             bool okButton) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                             bool okButton) override;
    void communicationDownImpl(bool error) override;

private:
    QUuid logMessage(MessageCategories mc, const QString& text);
};
