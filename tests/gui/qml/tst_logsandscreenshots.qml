import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.Controls 1.0
import Vlf.Pages.Items 1.0

// The screenshot button and composer of the window, the two log pages and the entries of
// the admin, service and tan delta settings pages, as an operator with the encoder uses them.
Item {
    id: root

    readonly property string question: guiViewModel.questionList.length > 0 ? guiViewModel.questionList[0].name : ""
    // The export folder is a setting other tests change.
    readonly property string shotFile: testHelper.screenshotFolder() + "/Screenshot_" + guiViewModel.systemName
                                       + "_140509.png"

    Component {
        id: fieldPage
        Page {
            title: "Fields"
            property alias field: field
            VlfTextField { id: field; y: 20; width: 200 }
        }
    }

    WindowTestCase {
        name: "LogsAndScreenshots"

        function init() {
            testHelper.setStick(false)
            testHelper.removeStickFile(root.shotFile.substring(testHelper.stickFile("").length))
            testHelper.setScreenshotsEnabled(false)
            testHelper.setMenuLocks(true, true)
            testHelper.setViewModelClock(14, 5, 9)
            openWindow()
        }
        function restore() {
            guiViewModel.settings.lockAdminMenu()
            testHelper.setStick(false)
            testHelper.setViewModelClock(-1, 0, 0)
        }

        function shotButton() { return findChild(window.headerBar, "screenshotButton") }

        // Shown by the switch, dimmed without a stick. The picture is the header over the
        // page area with the open question, at the window's width; the operator is told
        // where it went.
        function test_screenshotButton() {
            var button = shotButton()
            verify(!button.visible)
            testHelper.setScreenshotsEnabled(true)
            verify(button.visible)
            compare(button.opacity, 0.25)
            mouseClick(button)
            compare(root.question, "No USB Device found!")
            verify(!testHelper.exists(root.shotFile))
            testHelper.clearLists()

            testHelper.setStick(true)
            compare(button.opacity, 1.0)
            guiViewModel.showQuestion("Is the cable discharged?", "Yes", "No")
            tryCompare(window.dialogLayer, "depth", 1, 2000)
            rendered(window)
            testHelper.keepWindowPicture(window)
            var runs = window.screenshotComposer.runs
            mouseClick(button)
            verify(!button.visible)
            // A second request while the picture is taken is ignored.
            guiViewModel.screenshotTrigger()
            compare(window.screenshotComposer.runs, runs + 1)
            tryCompare(window.screenshotComposer, "busy", false, 5000)
            verify(button.visible)

            compare(testHelper.imageSize(root.shotFile), Qt.size(800, 480))
            verify(testHelper.keepFile(root.shotFile, "screenshot-file-with-question.png"))
            // The header's title side (the clock may have moved on) and the whole body.
            verify(testHelper.shareLikeKeptPicture(root.shotFile, 0, 0, 400, 48) > 0.95)
            verify(testHelper.shareLikeKeptPicture(root.shotFile, 0, 48, 800, 432) > 0.95)
            compare(root.question, "Screenshot has been saved to USB:" + root.shotFile.substring(testHelper.stickFile("").length))
            verify(root.question.indexOf("/Screenshots/Screenshot_pevanto_140509.png") > 0)
            tryCompare(findChild(window.dialogLayer.currentItem, "dialogText"), "text", root.question, 2000)
            shot("screenshot-saved-note")
        }

        function test_screenshotLeavesTheKeyboardOut() {
            testHelper.setStick(true)
            var page = window.pageStack.push(fieldPage)
            page.field.forceActiveFocus()
            guiViewModel.setInputPanelActive(true)
            Qt.inputMethod.show()
            tryCompare(window.keyboard.inputPanel, "active", true)
            tryVerify(function() { return window.keyboard.visible && !window.keyboardFromTop })
            wait(300)
            rendered(window)
            testHelper.keepWindowPicture(window)

            guiViewModel.screenshotTrigger()
            tryCompare(window.screenshotComposer, "busy", false, 5000)
            var top = window.keyboard.y
            verify(testHelper.keepFile(root.shotFile, "screenshot-file-without-keyboard.png"))
            verify(top > 100)
            verify(testHelper.shareLikeKeptPicture(root.shotFile, 0, 48, 800, top - 48) > 0.95)
            verify(testHelper.shareLikeKeptPicture(root.shotFile, 0, top + 20, 800, 480 - top - 20) < 0.5)
            Qt.inputMethod.hide()
        }

        function lastAction() { return actions.count > 0 ? actions.signalArguments[actions.count - 1][0] : "" }
        function open(url) {
            var page = window.pageStack.push(url)
            tryVerify(function() { return page.current })
            return page
        }
        // A part of a log list's row as the operator sees it.
        function logRow(list, index, name) {
            list.positionViewAtIndex(index, ListView.Contain)
            return findChild(list.itemAtIndex(index), name)
        }
        // Accepts the question shown with the knob.
        function accept(text) {
            tryCompare(root, "question", text)
            tryVerify(function() { return window.dialogLayer.depth === 1 && window.dialogLayer.currentItem.confirmButton.activeFocus })
            press()
            tryCompare(window.dialogLayer, "depth", 0, 2000)
        }

        // The admin menu's message log, walked by the knob: newest first on one line each,
        // icons by category, export always, delete with the Ryx level; then the reset.
        function test_adminEntries() {
            verify(testHelper.addLogRows([4, 2, 3, 1], ["Test started", "Breakdown at 12.3 kV", "Temperature high",
                                                        "HV unit lost\tafter\nreset"]))
            verify(guiViewModel.settings.setAdminPassword("Admin42"))
            verify(guiViewModel.settings.unlockAdminMenu("Admin42"))
            var admin = open("qrc:/Vlf/Pages/Items/AdminSettings.qml")
            var log = openPage(findChild(admin, "messageLogEntry"), "messageLogPage")
            var list = log.list
            tryCompare(list, "count", 4)
            compare(logRow(list, 0, "logText").text, "HV unit lost after reset")
            compare(String(logRow(list, 0, "logIcon").source), "qrc:/icons/fatal.svg")
            compare(String(logRow(list, 2, "logIcon").source), "qrc:/icons/question.svg")
            tryVerify(function() { return list.activeFocus })
            verify(!log.deleteButton.visible)
            shot("message-log")
            turnTo(log.exportButton)
            compare(list.currentIndex, list.count - 1)
            press()
            compare(lastAction(), "ExportMessageLog")
            testHelper.setMenuLocks(false, true)
            pressOn(log.deleteButton)
            accept("Do you want to delete all Logfiles?")
            compare(lastAction(), "DeleteLogfiles")
            testHelper.setMenuLocks(true, true)
            log.close()

            tryVerify(function() { return admin.current })
            turnTo(findChild(admin, "resetEntry"))
            shot("admin-log-and-reset-entries")
            press()
            accept("Do you want to reset all settings to their default values?\n"
                   + "The administrator password returns to the factory password.")
            compare(lastAction(), "ResetDefaultValues")
            guiViewModel.settings.lockAdminMenu()
        }

        function test_serviceEntries() {
            verify(guiViewModel.settings.unlockServiceMenu("VlfService1"))
            var service = open("qrc:/Vlf/Pages/Items/ServiceSettings.qml")
            // The service log: dates in the configured format; export with the service
            // level, delete with the Ryx level.
            verify(testHelper.addLogRows([], []))
            var log = openPage(findChild(service, "serviceLogEntry"), "serviceLogPage")
            tryCompare(log.entries, "loading", false)
            verify(log.list.count > 0)
            compare(logRow(log.list, 0, "logText").text, "HV unit serviced")
            compare(logRow(log.list, 0, "logTime").text,
                    Qt.formatDateTime(new Date(2026, 2, 1, 14, 0, 0), guiViewModel.settings.dateTimeFormatString()))
            verify(log.exportButton.visible)
            verify(!log.deleteButton.visible)
            testHelper.setMenuLocks(false, false)
            verify(log.deleteButton.visible)
            testHelper.setMenuLocks(false, true)
            verify(!log.exportButton.visible)
            testHelper.setMenuLocks(true, false)
            shot("service-log")
            log.exportButton.clicked()
            compare(lastAction(), "ExportSystemLog")
            log.close()
            tryVerify(function() { return service.current })

            pressOn(findChild(service, "exportConfigurationEntry"))
            compare(lastAction(), "ExportConfiguration")
            guiViewModel.exportLogfileFinished(true, "/media/USB/Pevanto/PEVANTO.cfg.xml")
            compare(window.headerBar.titleText.text, "Configuration exported to /media/USB/Pevanto/PEVANTO.cfg.xml")
            shot("service-configuration-exported")
            guiViewModel.exportLogfileFinished(false, "")
            compare(window.headerBar.titleText.text, "Export of the configuration failed!")

            pressOn(findChild(service, "rebootHvUnitEntry"))
            accept("Do you want to reboot the HV Unit?")
            compare(lastAction(), "RebootHVUnit")
            guiViewModel.settings.lockServiceMenu()
        }

        // The built-in standards are listed locked; a criteria file from the stick is
        // imported through the USB browser of the open admin menu, exported and removed again.
        function test_standardList() {
            verify(guiViewModel.settings.setAdminPassword("Admin42"))
            verify(guiViewModel.settings.unlockAdminMenu("Admin42"))
            testHelper.setStick(true)
            verify(testHelper.writeStandard("/standards/utility.tds", "Utility 7"))
            var page = open("qrc:/Vlf/Pages/Items/TanDeltaSettingsPage.qml")
            var list = page.standardList
            compare(list.count, 2)
            compare(list.model[0].name, "IEEE 400.2 (2U0)")
            compare(list.iconOf(list.model[1]), "qrc:/icons/locked.svg")
            verify(!page.exportButton.enabled)
            verify(!page.deleteButton.enabled)

            pressOn(list)
            compare(page.checkedStandards, [1])
            testHelper.setStick(false)
            verify(!page.exportButton.enabled)
            testHelper.setStick(true)
            verify(page.exportButton.enabled)
            verify(!page.deleteButton.enabled)
            pressOn(page.exportButton)
            tryCompare(window.headerBar.titleText, "text", "The selected standards have been exported to the USB flash drive.")
            verify(testHelper.exists(testHelper.stickFile("/tanDelta/2Uo.tds")))

            var usb = openPage(page.importButton, "usbBrowserPage")
            tryVerify(function() { return pluck(usb.entries, "name").indexOf("standards") >= 0 })
            usb.open(pluck(usb.entries, "name").indexOf("standards"))
            tryVerify(function() { return pluck(usb.entries, "name").indexOf("utility.tds") >= 0 })
            usb.open(pluck(usb.entries, "name").indexOf("utility.tds"))
            accept("Do you want to import this tan delta standard?")
            compare(window.headerBar.titleText.text, "Tan delta standard imported.")
            usb.close()
            tryVerify(function() { return page.current })
            compare(list.count, 3)
            compare(list.model[2].name, "Utility 7")
            compare(list.iconOf(list.model[2]), "")
            compare(page.checkedStandards, [])
            shot("tan-delta-standards")

            list.forceActiveFocus()
            list.currentIndex = 2
            press()
            verify(page.deleteButton.enabled)
            pressOn(page.deleteButton)
            accept("Remove all selected standards?\nStored tests judged with them: 0 (they keep their verdicts)")
            compare(window.headerBar.titleText.text, "The selected standards have been removed.")
            compare(list.count, 2)
            verify(testHelper.removeStickFile("/standards"))
            verify(testHelper.removeStickFile("/tanDelta"))
        }
    }
}
