#include "gui/Gui.h"

#include "core/GlobalFuncs.h"
#include "gui/ChartDecorator.h"
#include "gui/QmlTypes.h"
#include "uiapi/UpdatePackage.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlError>

namespace {
const char* const kClass = "Gui";

QString buttonText(bool wanted, const char* key)
{
    return wanted ? QCoreApplication::translate("Dialog", key) : QString();
}

QString communicationDownText() { return QCoreApplication::translate("Dialog", "CommunicationDown"); }
} // namespace

QUrl Gui::defaultMainUrl() { return QUrl(QStringLiteral("qrc:/Vlf/main.qml")); }

Gui::Gui(QObject* parent, const QUrl& mainUrl) : IGUI(parent), m_mainUrl(mainUrl)
{
    registerQmlTypes();
    m_engine.addImportPath(QStringLiteral(":/"));
    m_engine.setOfflineStoragePath(GlobalFuncs::getAppDataPath());
    connect(&m_engine, &QQmlApplicationEngine::objectCreated, this, &Gui::onObjectCreated);
    connect(&m_engine, &QQmlEngine::warnings, this, [](const QList<QQmlError>& warnings) {
        for (const QQmlError& w : warnings)
            KLOG_WARN2(kClass, "qml", w.toString());
    });
    relaySignals();
}

Gui::~Gui()
{
    // The window goes before the view models its bindings read.
    const QList<QObject*> roots = m_engine.rootObjects();
    qDeleteAll(roots);
}

void Gui::relaySignals()
{
    GuiViewModel* vm = &m_viewModel;
    connect(vm, &GuiViewModel::sendAppEvent, this, &IGUI::sendAppEvent);
    connect(vm, &GuiViewModel::setHVUnitParamValue, this, &IGUI::setHVUnitParamValue);
    connect(vm, &GuiViewModel::refreshHVUnitParams, this, &IGUI::refreshHVUnitParams);
    connect(vm, &GuiViewModel::PerformExternalAction, this, &IGUI::PerformExternalAction);
    connect(vm, &GuiViewModel::changeLanguage, this, &IGUI::changeLanguage);
    connect(vm, &GuiViewModel::importConfig, this, &IGUI::importConfig);
    connect(vm, &GuiViewModel::unlockSystemFunction, this, &IGUI::unlockSystemFunction);
    connect(vm, &GuiViewModel::changeOperationMode, this, &IGUI::changeOperatingMode);
    connect(vm, &GuiViewModel::questionAnsweredCloseType, this, &IGUI::messageDglClosed);
    connect(vm, &GuiViewModel::performUpdate, this, &Gui::createUpdatePackage);

    connect(this, &IGUI::exportLogfileFinished, vm, &GuiViewModel::exportLogfileFinished);
    connect(this, &IGUI::HVUnitParamChanged, vm, &GuiViewModel::HVUnitParamChanged);
    connect(this, &IGUI::defaultValuesLoaded, vm, &GuiViewModel::defaultValuesLoaded);
    connect(this, &IGUI::languageChanged, vm, &GuiViewModel::languageChanged);
    connect(this, &IGUI::languageListChanged, vm, &GuiViewModel::languageListChanged);
    connect(this, &IGUI::TestBoostStateChanged, vm, &GuiViewModel::testBoostStateChanged);
    connect(this, &IGUI::USBStateChanged, vm, &GuiViewModel::usbStateChanged);
    connect(this, &Gui::remoteControlledChanged, vm, &GuiViewModel::remoteControlledChanged);
    connect(this, &IGUI::languageChanged, this, &Gui::retranslate);
}

void Gui::showImpl()
{
    auto* decorator = new ChartDecorator(this);
    QQmlContext* context = m_engine.rootContext();
    context->setContextProperty(QStringLiteral("chartDecorator"), decorator);
    context->setContextProperty(QStringLiteral("guiViewModel"), &m_viewModel);
    context->setContextProperty(QStringLiteral("emulator"), QVariant::fromValue<QObject*>(nullptr));
    m_engine.load(m_mainUrl);
}

void Gui::onObjectCreated(QObject* object, const QUrl& url)
{
    if (object || url != m_mainUrl)
        return;
    KLOG_FATAL2(kClass, "show", QStringLiteral("The main window could not be loaded: %1").arg(url.toString()));
    // Queued, so that it also ends a run whose event loop starts only after loading.
    QMetaObject::invokeMethod(QCoreApplication::instance(), []() { QCoreApplication::exit(-1); },
                              Qt::QueuedConnection);
}

void Gui::quitImpl() {}

void Gui::setTestChartImpl(TTestChart* chart) { m_viewModel.activities()->setTestChart(chart); }

bool Gui::requestUSBConnDlgImpl()
{
    showMessageDlgImpl(CAT_SKPOUT, TransObject(QStringLiteral("History"), QStringLiteral("PleaseConnectUSBAndRetry")),
                   false, true);
    return false;
}

QUuid Gui::requestProgressDlgImpl(const QString& text, int min, int max, int step, int start)
{
    return m_viewModel.showProgress(text, min, max, step, start);
}

void Gui::closeDlgImpl(QUuid id, IGUI::CloseType type)
{
    // A null id is no dialog: a request that showed nothing.
    if (id.isNull())
        return;
    const int result =
        type == IGUI::Accepted ? m_viewModel.questionAcceptedResult() : m_viewModel.questionRejectedResult();
    if (m_viewModel.hideQuestion(id, result) || m_viewModel.hideWaitMessage(id) || m_viewModel.hideProgress(id)
        || m_viewModel.releaseMessage(id))
        return;
    KLOG_WARN2(kClass, "closeDlg", QStringLiteral("can't hide dialog %1").arg(id.toString()));
}

void Gui::updateProgressDlgTextImpl(QUuid id, const QString& text) { m_viewModel.updateProgress(id, text); }

void Gui::incrementProgressDlgImpl(QUuid id) { m_viewModel.incrementProgress(id); }

QUuid Gui::showMessageDlgImpl(MessageCategories mc, const QString& category, const QString& msgid, bool cancelButton,
                          bool okButton)
{
    return showMessageDlgImpl(mc, TransObject(category, msgid), cancelButton, okButton);
}

QUuid Gui::showMessageDlgImpl(MessageCategories mc, const TransObject& transObject, bool cancelButton, bool okButton)
{
    const QString text = transObject.toText();
    // Without a button a dialog could never be closed by the operator: such a request
    // becomes a message of its category (a wait message for the persistent one).
    if (!cancelButton && !okButton)
        return m_viewModel.showMessageOfCategory(text, mc);
    const QString accept = buttonText(okButton, "OK");
    const QString reject = buttonText(cancelButton, "Cancel");
    switch (mc) {
    case CAT_FATAL:
        return m_viewModel.showFatal(text, accept, reject);
    case CAT_ERR:
        return m_viewModel.showError(text, accept, reject);
    case CAT_WARN:
        return m_viewModel.showWarning(text, accept, reject);
    case CAT_INF:
        return m_viewModel.showInfo(text, accept, reject);
    case CAT_MSG:
        return m_viewModel.showMessage(text, accept, reject);
    default:
        return m_viewModel.showQuestion(text, accept, reject);
    }
}

QUuid Gui::showMessageDlgImpl(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                          bool okButton)
{
    QString text;
    for (const TransObject& t : transObjects)
        text += t.toText() + QStringLiteral("\r\n");
    if (!cancelButton && !okButton)
        return m_viewModel.showMessageOfCategory(text, mc);
    return m_viewModel.showQuestion(text, buttonText(okButton, "OK"), buttonText(cancelButton, "Cancel"));
}

void Gui::holdMessageImpl(const QUuid& id, MessageCategories mc, const TransObject& transObject)
{
    m_viewModel.holdMessage(id, transObject.toText(), mc);
}

void Gui::operatingModeChangedImpl(OperatingModes::OperatingMode mode) { m_viewModel.operatingModeChanged(mode); }

void Gui::remoteControlledImpl(bool state) { emit remoteControlledChanged(state); }

void Gui::communicationDownImpl(bool error)
{
    if (error)
        m_viewModel.showError(communicationDownText());
    else
        m_viewModel.hideError(communicationDownText());
}

void Gui::retranslate() { m_engine.retranslate(); }

void Gui::createUpdatePackage(QString path) { emit performUpdate(updatePackage(path)); }
