import QtQuick 2.15

// The message log; deleting it needs the Ryx level.
LogListPage {
    objectName: "messageLogPage"
    title: qsTranslate("Menu", "MessageLog")
    entries: guiViewModel.messageLog
    canDelete: !guiViewModel.settings.ryxMenuLocked
    onExportRequested: guiViewModel.exportMessageLog()
    onDeleteRequested: guiViewModel.deleteMessageLog()
}
