import QtQuick 2.15

// The service log; exporting it needs the service level, deleting it the Ryx level.
LogListPage {
    objectName: "serviceLogPage"
    title: qsTranslate("Menu", "ServiceLog")
    entries: guiViewModel.serviceLog
    canExport: !guiViewModel.settings.serviceMenuLocked
    canDelete: !guiViewModel.settings.ryxMenuLocked
    onExportRequested: guiViewModel.exportServiceLog()
    onDeleteRequested: guiViewModel.deleteServiceLog()
}
