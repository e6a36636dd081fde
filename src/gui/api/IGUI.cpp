#include "gui/api/IGUI.h"

IGUI::IGUI(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<IGUI::CloseType>("IGUI::CloseType");
}

IGUI::~IGUI() = default;

bool IGUI::requestUSBConnDlg() { return false; }

QUuid IGUI::requestProgressDlg(const QString&, int, int, int, int) { return QUuid(); }

void IGUI::closeDlg(QUuid, IGUI::CloseType) {}

void IGUI::updateProgressDlgText(QUuid, const QString&) {}

void IGUI::incrementProgressDlg(QUuid) {}

QUuid IGUI::showMessageDlg(MessageCategories, const QString&, const QString&, bool, bool) { return QUuid(); }

QUuid IGUI::showMessageDlg(MessageCategories, const TransObject&, bool, bool) { return QUuid(); }

QUuid IGUI::showMessageDlg(MessageCategories, const QList<TransObject>&, bool, bool) { return QUuid(); }

void IGUI::operatingModeChanged(OperatingModes::OperatingMode) {}

void IGUI::remoteControlled(bool) {}

void IGUI::communicationDown(bool) {}
