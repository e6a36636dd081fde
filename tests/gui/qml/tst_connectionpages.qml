import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.GUI 1.0

// Information, connection and calibration pages in the real window over a connection
// manager with scripted backends and a stick in a temporary root, worked with the
// encoder: Right/Left turn, Return presses.
Item {
    id: root

    SignalSpy { id: writes; target: guiViewModel; signalName: "setHVUnitParamValue" }
    SignalSpy { id: updates; target: guiViewModel.connections; signalName: "performUpdate" }
    SignalSpy { id: imports; target: guiViewModel.connections; signalName: "importConfig" }
    TextMetrics { id: metrics }

    WindowTestCase {
        name: "ConnectionPages"

        function init() {
            testHelper.setUsbState(0)
            openWindow()
            writes.clear()
            updates.clear()
            imports.clear()
        }
        function restore() {
            testHelper.setUsbState(1)
            guiViewModel.settings.lockServiceMenu()
            guiViewModel.settings.lockAdminMenu()
        }

        // Opened with the encoder, a page shows the keyboard only once the operator chooses
        // the focused field; a page longer than the window shows its scroll indicator.
        function test_pagesOpenWithTheKeyboardDown_data() {
            return [
                { tag: "information", field: true, scrolls: false },
                { tag: "wlan", field: true, scrolls: false },
                { tag: "service", field: false, scrolls: true },
                { tag: "calibration", field: true, scrolls: true },
                { tag: "output-calibration", field: false, scrolls: false }
            ]
        }
        function test_pagesOpenWithTheKeyboardDown(data) {
            testHelper.setAddresses([["ETH", "eth0", "192.168.1.20"]])
            var page
            if (data.tag === "information")
                page = openFromSettings("informationEntry", "informationPage")
            else if (data.tag === "wlan")
                page = openPage(child(openFromSettings("connectionsEntry", "connectionsPage"), "wlanEntry"), "wlanSettingsPage")
            else
                page = openService()
            if (data.tag.indexOf("calibration") >= 0)
                page = openPage(child(page, "calibrationModeEntry"), "calibrationMenuPage")
            if (data.tag === "output-calibration") {
                pressOn(page.commissioningButton)
                tryCompare(stack(), "depth", 5)
                page = openPage(buttonFor(stack().currentItem, OperatingMode.OutputCalibration), "outputVoltageCalibration")
            }
            wait(100)
            var field = window.activeFocusItem
            compare(field.cursorPosition !== undefined, data.field, "a text field focused")
            verify(!Qt.inputMethod.visible)
            verify(!window.keyboard.visible)
            compare(page.scrollIndicator.visible, data.scrolls)
            shot("keyboard-down-" + data.tag, true)
            if (!data.field)
                return
            // A press brings it up, the next one takes the text; a tap brings it up too.
            press()
            tryCompare(window.keyboard, "visible", true)
            press()
            tryCompare(Qt.inputMethod, "visible", false)
            mouseClick(field)
            tryCompare(Qt.inputMethod, "visible", true)
        }

        // The wired address is edited in place: a plain address is set, any other text
        // is refused and the old address shows again.
        function test_informationPage() {
            testHelper.setAddresses([["ETH", "eth0", "192.168.1.20"], ["WIFI", "wlan0", "10.0.0.7"]])
            var info = openFromSettings("informationEntry", "informationPage")
            compare(child(info, "typeRow").value, guiViewModel.systemInformation.pevantoType)
            verify(/^(5000|4000|3000|2000|1000)\+$|^<1000$/.test(child(info, "freeSpaceRow").value))
            verify(!child(info, "boostIdRow").visible)
            compare(info.addressFields.count, 2)
            var wired = info.addressFields.itemAt(0).field
            compare(wired.text, "192.168.1.20")
            shot("information")

            turnTo(wired)
            typeText(wired, "192.168.1.50")
            press()
            compare(testHelper.wiredAddressesSet(), ["192.168.1.50"])
            compare(messages(), [qsTranslate("Dialog", "IpChanged")])
            testHelper.clearLists()
            typeText(wired, "192.168.1.500")
            press()
            compare(messages(), [qsTranslate("Dialog", "CantChangeIp")])
            compare(wired.text, "192.168.1.50")
            compare(testHelper.wiredAddressesSet(), ["192.168.1.50"])
        }

        // Weakest network first; choosing one asks for its password, and the page reports
        // the attempt as it goes, both when it succeeds and when it fails.
        function test_wlanSettings() {
            testHelper.setWlanNetworks([["Lab", "wifi_lab", 80], ["Guest", "wifi_guest", 30], ["Far", "wifi_far", -10]])
            testHelper.setWlanOutcome("wifi_lab", true)
            testHelper.setWlanOutcome("wifi_guest", false)
            var connections = openFromSettings("connectionsEntry", "connectionsPage")
            verify(!child(connections, "bluetoothEntry").enabled)
            shot("connections")
            var wlan = openPage(child(connections, "wlanEntry"), "wlanSettingsPage")
            verify(!wlan.networkList.visible)
            pressOn(wlan.searchButton)
            tryCompare(wlan.networkList, "count", 3)
            compare(pluck(wlan.networkList.model, "name"), ["Far", "Guest", "Lab"])
            compare(wlan.networkList.model[2].icon, "qrc:/icons/strength4.svg")

            turnTo(wlan.networkList)
            wlan.networkList.currentIndex = 0
            turn(Qt.Key_Right, 2)
            compare(wlan.networkList.currentIndex, 2)
            press()
            tryCompare(stack().currentItem, "objectName", "wlanPasswordPage")
            var password = stack().currentItem
            compare(password.title, "Lab")
            tryCompare(password.field, "activeFocus", true)
            typeText(password.field, "secret")
            pressOn(child(password, "okButton"))
            tryCompare(stack().currentItem, "objectName", "wlanSettingsPage")
            tryCompare(guiViewModel.connections, "wlanState", Qt.Checked)
            compare(messages(), [qsTranslate("WLAN", "WlanConnectionEstablished"), qsTranslate("WLAN", "TryToConnectToWlan")])
            compare(guiViewModel.connections.connectedWlanNetwork, "Lab")
            shot("wlan-connected")

            testHelper.clearLists()
            wlan.networkList.choose(1)
            tryCompare(stack().currentItem, "objectName", "wlanPasswordPage")
            stack().currentItem.connectNetwork()
            tryCompare(guiViewModel.connections, "wlanState", Qt.Unchecked)
            tryCompare(stack().currentItem, "objectName", "wlanSettingsPage")
            tryVerify(function() { return messages().indexOf(qsTranslate("WLAN", "CantConnectToWlan")) >= 0 })

            // Ad-hoc mode names its network and has no list.
            wlan.modeList.choose(1)
            tryCompare(wlan.ssidField, "visible", true)
            verify(!wlan.networkList.visible)
            shot("wlan-adhoc")
            wlan.modeList.choose(0)
            tryCompare(wlan.searchButton, "visible", true)
        }

        function test_bluetoothSettings() {
            stack().push("qrc:/Vlf/Pages/Items/BluetoothSettingsPage.qml")
            var page = stack().currentItem
            tryVerify(function() { return page.current })
            compare(child(page, "stateText").text, qsTranslate("Connection", "disabled"))
            turnTo(page.powerList)
            keyClick(Qt.Key_Right)
            press()
            tryCompare(child(page, "stateText"), "text", qsTranslate("Connection", "listening"))
            testHelper.setBluetoothCentral("Service tablet")
            tryCompare(child(page, "stateText"), "text", qsTranslate("Connection", "connected") + " (Service tablet)")
            shot("bluetooth")
            testHelper.setBluetoothCentral("")
            page.powerList.choose(0)
            tryCompare(child(page, "stateText"), "text", qsTranslate("Connection", "disabled"))
        }

        // Into a folder and back by the encoder; an update goes to its importer (the admin
        // menu open); the admin and service entries show only their files and every folder;
        // names are drawn as they are; what cannot be done is said.
        function test_usbBrowser() {
            verify(guiViewModel.settings.setAdminPassword("Admin42"))
            verify(guiViewModel.settings.unlockAdminMenu("Admin42"))
            var connections = openFromSettings("connectionsEntry", "connectionsPage")
            var usb = openPage(child(connections, "usbEntry"), "usbBrowserPage")
            tryCompare(usb, "title", "USB")
            tryCompare(usb.list, "count", 6)
            compare(pluck(usb.list.model, "name"),
                    ["logs", "updates", "v4.2", "backup.cfg.xml", "criteria.tds", "manual.pdf"])
            compare(usb.list.model[3].icon, "qrc:/icons/wrench.svg")
            shot("usb-root")

            turnTo(usb.list)
            usb.list.currentIndex = 0
            keyClick(Qt.Key_Right)
            press()
            tryCompare(usb, "title", "USB/updates")
            tryCompare(usb.list, "count", 2)
            compare(pluck(usb.list.model, "name"), ["..", "app.tar"])
            pressOn(usb.exportButton)
            compare(guiViewModel.settings.exportFolder, "updates")
            compare(usb.exportButton.text, qsTranslate("UpdateManager", "IsExportFolder"))
            shot("usb-folder")
            usb.list.choose(1)
            compare(updates.count, 1)
            compare(updates.signalArguments[0][0], testHelper.stickPath() + "/updates/app.tar")
            // The update is asked for first; declined here.
            compare(guiViewModel.questionList[0].name,
                    "<b>app.tar</b><br><br>" + qsTranslate("UpdateManager", "PerformThisUpdate"))
            guiViewModel.hideQuestion(guiViewModel.questionList[0].value, guiViewModel.questionRejectedResult())
            usb.list.choose(0)
            tryCompare(usb, "title", "USB")
            compare(usb.exportButton.text, qsTranslate("UpdateManager", "UseForExport"))
            pressOn(usb.exportButton)
            compare(messages(), [qsTranslate("UpdateManager", "TopIsNoExportFolder")])
            compare(guiViewModel.settings.exportFolder, "updates")

            usb.list.choose(2)
            tryCompare(usb, "title", "USB/v4.2")
            compare(pluck(usb.list.model, "name"), ["..", "old.cfg.xml", "R&D.tar"])
            var row = child(usb.list.itemAtIndex(2), "rowText")
            metrics.font = row.font
            metrics.text = "R&D.tar"
            fuzzyCompare(row.implicitWidth, metrics.advanceWidth, 1)

            testHelper.setUsbState(1)
            tryCompare(child(usb, "usbNote"), "text", qsTranslate("UpdateManager", "NoUsbFound"))
            verify(!usb.list.visible)
            testHelper.setUsbState(0)
            tryCompare(usb.list, "count", 6)

            verify(guiViewModel.settings.unlockServiceMenu("VlfService1"))
            stack().pop(null)
            var service = openFromSettings("serviceEntry", "serviceSettingsPage")
            var configs = openPage(child(service, "updateConfigurationEntry"), "usbBrowserPage")
            tryCompare(configs.list, "count", 4)
            compare(pluck(configs.list.model, "name"), ["logs", "updates", "v4.2", "backup.cfg.xml"])
            // Below the top a configuration is not offered, and the page says why.
            configs.list.choose(2)
            tryCompare(configs, "title", "USB/v4.2")
            compare(pluck(configs.list.model, "name"), ["..", "old.cfg.xml"])
            compare(child(configs, "usbNote").text, qsTranslate("UpdateManager", "ConfigOnlyAtTop"))
            configs.list.choose(1)
            compare(imports.count, 0)
        }

        // Values are entered as text within their limits and go to the unit as raw values;
        // the page shows what the unit reports.
        function test_calibrationMenu() {
            testHelper.setHvUnitParam(0, 10000)
            testHelper.setHvUnitParam(7, 65535)
            testHelper.setHvUnitParam(1, -1)
            var service = openService()
            var page = openPage(child(service, "calibrationModeEntry"), "calibrationMenuPage")
            var gain = page.fieldOf("gainU").field
            compare(gain.text, "1.000")
            compare(page.fieldOf("offsetHvpU").field.text, "-0.0002")
            compare(page.fieldOf("gainI").field.text, "---")
            shot("calibration-menu")

            turnTo(gain)
            typeText(gain, "1.25")
            press()
            compare(messages(), [qsTranslate("Dialog", "ValueAboveMaximum")])
            compare(gain.text, "1.000")
            compare(writes.count, 0)
            typeText(gain, "1.0512")
            press()
            compare(writes.count, 1)
            compare(writes.signalArguments[0][0], 0)
            compare(writes.signalArguments[0][1], 10512)
            // The unit's report shows.
            testHelper.setHvUnitParam(0, 10500)
            tryCompare(gain, "text", "1.050")

            var offset = page.fieldOf("offsetHvpU").field
            turnTo(offset)
            typeText(offset, "-9")
            press()
            tryVerify(function() { return messages()[0] === qsTranslate("Dialog", "ValueBelowMinimum") })
            typeText(offset, "-0.5")
            press()
            tryCompare(writes, "count", 2)
            compare(writes.signalArguments[1][1], 63488)
            page.refreshButton.clicked()
        }

        // A switch writes the settings word with its bit changed; calibration mode is
        // closed while tan delta calibration is on.
        function test_configBitsAndHvSourceStatus() {
            testHelper.setHvUnitParam(20, 1)
            testHelper.setHvUnitParam(19, 0x0401)
            var service = openService()
            var bits = openPage(child(service, "configBitsEntry"), "configBitsPage")
            var limit = child(bits, "limitPwmToggle")
            var load = child(bits, "loadDetectionToggle")
            verify(!limit.active)
            verify(load.active)
            compare(child(load, "stateText").text, qsTranslate("Calibration", "Off"))
            pressOn(limit)
            compare(writes.count, 1)
            compare(writes.signalArguments[0][0], 20)
            compare(writes.signalArguments[0][1], 5)
            testHelper.setHvUnitParam(20, 13)
            tryVerify(function() { return limit.active && child(bits, "tanDeltaCalibToggle").active })
            shot("config-bits")
            bits.close()
            tryCompare(stack().currentItem, "objectName", "serviceSettingsPage")
            verify(!child(service, "calibrationModeEntry").enabled)
            testHelper.setHvUnitParam(20, 1)
            verify(child(service, "calibrationModeEntry").enabled)

            var status = openPage(child(service, "hvSourceStatusEntry"), "hvSourceStatusPage")
            compare(child(status, "statusRow").value, qsTranslate("HVSource", "Run"))
            verify(child(status, "errorRow").value.length > 0)
            shot("hv-source-status")
            pressOn(status.refreshButton)
        }
    }
}
