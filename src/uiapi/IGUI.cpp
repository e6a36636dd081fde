#include "uiapi/IGUI.h"

#include <QDebug>

IGUI::IGUI(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<IGUI::CloseType>("IGUI::CloseType");
    UpdatePackage::registerMetaTypes();
    qRegisterMetaType<SystemFunction::eSysFunc>("SystemFunction::eSysFunc");
}

IGUI::~IGUI() { stopWaiting(); }

void IGUI::stopWaiting() { m_stopped->storeRelease(1); }

void IGUI::reportWaitOffGuiThread()
{
    qCritical().noquote() << QStringLiteral("IGUI::wait called off the GUI thread, from \"%1\"")
                                 .arg(QThread::currentThread()->objectName());
}

void IGUI::show()
{
    post([this] { showImpl(); });
}

void IGUI::quit()
{
    post([this] { quitImpl(); });
}

bool IGUI::requestUSBConnDlg()
{
    return wait([this] { return requestUSBConnDlgImpl(); });
}

QUuid IGUI::requestProgressDlg(const QString& text, int min, int max, int step, int start)
{
    return wait([=] { return requestProgressDlgImpl(text, min, max, step, start); });
}

void IGUI::closeDlg(QUuid id, IGUI::CloseType type)
{
    post([=] { closeDlgImpl(id, type); });
}

void IGUI::updateProgressDlgText(QUuid id, const QString& text)
{
    post([=] { updateProgressDlgTextImpl(id, text); });
}

void IGUI::incrementProgressDlg(QUuid id)
{
    post([=] { incrementProgressDlgImpl(id); });
}

QUuid IGUI::showMessageDlg(MessageCategories mc, const QString& category, const QString& msgid, bool cancelButton,
                           bool okButton)
{
    return wait([=] { return showMessageDlgImpl(mc, category, msgid, cancelButton, okButton); });
}

QUuid IGUI::showMessageDlg(MessageCategories mc, const TransObject& transObject, bool cancelButton, bool okButton)
{
    return wait([=] { return showMessageDlgImpl(mc, transObject, cancelButton, okButton); });
}

QUuid IGUI::showMessageDlg(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                           bool okButton)
{
    return wait([=] { return showMessageDlgImpl(mc, transObjects, cancelButton, okButton); });
}

void IGUI::holdMessage(QUuid id, MessageCategories mc, const TransObject& transObject)
{
    post([=] { holdMessageImpl(id, mc, transObject); });
}

void IGUI::operatingModeChanged(OperatingModes::OperatingMode mode)
{
    post([=] { operatingModeChangedImpl(mode); });
}

void IGUI::remoteControlled(bool state)
{
    post([=] { remoteControlledImpl(state); });
}

void IGUI::communicationDown(bool error)
{
    post([=] { communicationDownImpl(error); });
}

void IGUI::setTestChart(TTestChart* chart)
{
    post([=] { setTestChartImpl(chart); });
}

void IGUI::showSetSerialDlg()
{
    post([this] { showSetSerialDlgImpl(); });
}

void IGUI::showImportConfigDlg(QStringList files)
{
    post([=] { showImportConfigDlgImpl(files); });
}

void IGUI::showFirmwareUpdateDlg(QList<updatePackage> packages)
{
    post([=] { showFirmwareUpdateDlgImpl(packages); });
}

void IGUI::resetDefValuesDone(bool ok)
{
    post([=] { resetDefValuesDoneImpl(ok); });
}

void IGUI::aliveCheckFailed(uchar reason)
{
    post([=] { aliveCheckFailedImpl(reason); });
}

void IGUI::safetyCircuitChanged()
{
    post([this] { safetyCircuitChangedImpl(); });
}

void IGUI::updatePeriodicMeasurementValues(stPeriodicMeasurementValues values)
{
    post([=] { updatePeriodicMeasurementValuesImpl(values); });
}

void IGUI::burnCurrentLimiterChanged(bool on)
{
    post([=] { burnCurrentLimiterChangedImpl(on); });
}

void IGUI::evaluationCriterionChanged(TanDelta::evaluation::eEvaluationStandard standard)
{
    post([=] { evaluationCriterionChangedImpl(standard); });
}

void IGUI::cableInsulationChanged(TanDelta::evaluation::eInsulationType insulation)
{
    post([=] { cableInsulationChangedImpl(insulation); });
}

void IGUI::saveToHistoryFailed()
{
    post([this] { saveToHistoryFailedImpl(); });
}

bool IGUI::requestUSBConnDlgImpl() { return false; }

QUuid IGUI::requestProgressDlgImpl(const QString&, int, int, int, int) { return QUuid(); }

void IGUI::closeDlgImpl(QUuid, IGUI::CloseType) {}

void IGUI::updateProgressDlgTextImpl(QUuid, const QString&) {}

void IGUI::incrementProgressDlgImpl(QUuid) {}

QUuid IGUI::showMessageDlgImpl(MessageCategories, const QString&, const QString&, bool, bool) { return QUuid(); }

QUuid IGUI::showMessageDlgImpl(MessageCategories, const TransObject&, bool, bool) { return QUuid(); }

QUuid IGUI::showMessageDlgImpl(MessageCategories, const QList<TransObject>&, bool, bool) { return QUuid(); }
