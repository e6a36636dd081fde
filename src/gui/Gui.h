#pragma once

#include "gui/GuiViewModel.h"
#include "uiapi/IGUI.h"

#include <QQmlApplicationEngine>
#include <QUrl>

// The QML host: owns the engine and the root view model, loads the main window and maps
// every dialog request of the back end onto the root view model's lists.
class Gui : public IGUI {
    Q_OBJECT
public:
    static QUrl defaultMainUrl();

    // mainUrl is the window to load; tests hand in another one.
    explicit Gui(QObject* parent = nullptr, const QUrl& mainUrl = defaultMainUrl());
    ~Gui() override;

    GuiViewModel* viewModel() { return &m_viewModel; }
    QQmlApplicationEngine* engine() { return &m_engine; }
    QUrl mainUrl() const { return m_mainUrl; }

public slots:
    void retranslate();
    // Types the chosen file and hands it on to the update procedure.
    void createUpdatePackage(QString path);

signals:
    void remoteControlledChanged(bool state);

protected:
    void showImpl() override;
    void quitImpl() override;
    void setTestChartImpl(TTestChart* chart) override;
    bool requestUSBConnDlgImpl() override;
    QUuid requestProgressDlgImpl(const QString& text, int min, int max, int step, int start) override;
    void closeDlgImpl(QUuid id, IGUI::CloseType type) override;
    void updateProgressDlgTextImpl(QUuid id, const QString& text) override;
    void incrementProgressDlgImpl(QUuid id) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const QString& category, const QString& msgid, bool cancelButton,
                             bool okButton) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const TransObject& transObject, bool cancelButton,
                             bool okButton) override;
    QUuid showMessageDlgImpl(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                             bool okButton) override;
    void holdMessageImpl(const QUuid& id, MessageCategories mc, const TransObject& transObject) override;
    void operatingModeChangedImpl(OperatingModes::OperatingMode mode) override;
    void remoteControlledImpl(bool state) override;
    void communicationDownImpl(bool error) override;

private:
    void onObjectCreated(QObject* object, const QUrl& url);
    void relaySignals();

    QUrl m_mainUrl;
    QQmlApplicationEngine m_engine;
    GuiViewModel m_viewModel;
};
