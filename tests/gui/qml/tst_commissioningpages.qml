import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.GUI 1.0

// The commissioning pages in the real window: each opens from the commissioning selection
// by the encoder, a procedure this version cannot run shows its error and closes, an error
// after its page has gone shows in the header, and the service menu switches commissioning
// on and off.
Item {
    id: root

    property var window: null

    VlfTestCase {
        name: "CommissioningPages"

        function init() {
            testHelper.clearLists()
            guiViewModel.settings.dblClickTime = 60
            guiViewModel.commissioningEnabled = true
            var component = Qt.createComponent("qrc:/Vlf/main.qml")
            compare(component.status, Component.Ready, component.errorString())
            root.window = component.createObject(null)
            root.window.requestActivate()
            tryCompare(root.window, "active", true)
        }
        function testCleanup() {
            testHelper.clearLists()
            testHelper.setUnavailableMachines(false)
            guiViewModel.settings.lockServiceMenu()
            guiViewModel.commissioningEnabled = false
            guiViewModel.settings.dblClickTime = 250
            var w = root.window
            root.window = null
            testHelper.destroyNow(w)
        }

        function stack() { return window.pageStack }
        function turnTo(item) {
            for (var i = 0; i < 40 && !item.activeFocus; ++i)
                keyClick(Qt.Key_Right)
            verify(item.activeFocus, "reached by the encoder: " + item.objectName)
        }
        function press() {
            keyClick(Qt.Key_Return)
            wait(guiViewModel.settings.dblClickTime + 50)
        }
        function buttonFor(page, mode) {
            var repeater = page.grid.buttons
            for (var i = 0; i < repeater.count; ++i)
                if (repeater.itemAt(i).node.mode === mode)
                    return repeater.itemAt(i)
            return null
        }
        // Main page, Calibration, then the procedure: by the encoder.
        function openProcedure(mode) {
            var main = stack().currentItem
            turnTo(buttonFor(main, OperatingMode.Calibration))
            press()
            tryCompare(stack(), "depth", 2)
            turnTo(buttonFor(stack().currentItem, mode))
            press()
            tryCompare(stack(), "depth", 3)
            return stack().currentItem
        }

        function test_everyPageOpens_data() {
            return [
                { tag: "safety", mode: OperatingMode.SafetyCircuitCheck, name: "safetyCalibration", title: "SafetyBits" },
                { tag: "output", mode: OperatingMode.OutputCalibration, name: "outputVoltageCalibration",
                  title: "Kalibrierung HV-Ausgang" },
                { tag: "cascade", mode: OperatingMode.CascadeCalibration, name: "cascadeCalibration",
                  title: "Kalibrierung HV-Kaskaden" },
                { tag: "waveform", mode: OperatingMode.VoltageWaveformCheck, name: "voltageWaveformCheck",
                  title: "Prüfung Spannungsverlauf" },
                { tag: "tan delta", mode: OperatingMode.TanDCalibration, name: "tanDCalibration",
                  title: "TanD-Kalibrierung" },
                { tag: "load", mode: OperatingMode.MaxCapacityLoad, name: "maxCapacityLoad",
                  title: "Maximale kapazitive Last" },
                { tag: "power", mode: OperatingMode.CascadePowerEnvelope, name: "cascadePowerEnvelope",
                  title: "Kennlinien der Kaskaden" },
                { tag: "burn-in", mode: OperatingMode.LongDurationTest, name: "burnIn", title: "Einbrennen" },
                { tag: "sine", mode: OperatingMode.SinusDiagnosis, name: "diagnosisSinus", title: "Diagnose Sinus" },
                { tag: "manual", mode: OperatingMode.ManualDiagnosis, name: "diagnosisManual", title: "Manuelle Diagnose" },
            ]
        }
        // Without machines every command is only logged, so each page stays open.
        function test_everyPageOpens(data) {
            var page = openProcedure(data.mode)
            compare(page.objectName, data.name)
            compare(window.headerBar.title, data.title)
            waitForRendering(window.contentItem)
            verify(testHelper.saveScreenshot(window, "commissioning-" + data.name))
            verify(page.close())
            compare(stack().depth, 2)
        }

        function test_pagesShowWhatTheProceduresReport() {
            var sine = openProcedure(OperatingMode.SinusDiagnosis)
            compare(sine.bits.count, 0)
            verify(sine.close())
            testHelper.setUnavailableMachines(true)
            guiViewModel.commissioning.sinusVoltage = 12.3
            guiViewModel.commissioning.sinusFrequency = 0.05
            // The sine page reads the settings and lists the five protections, all on.
            turnTo(buttonFor(stack().currentItem, OperatingMode.SinusDiagnosis))
            press()
            sine = stack().currentItem
            compare(sine.voltageSpin.displayText, "12.3 kV")
            compare(sine.frequencySpin.displayText, "0.05 Hz")
            compare(sine.bits.count, 5)
            var breakdown = sine.bits.itemAt(3)
            verify(breakdown.checked)
            turnTo(breakdown)
            press()
            tryCompare(breakdown, "checked", false)
            waitForRendering(window.contentItem)
            verify(testHelper.saveScreenshot(window, "commissioning-sine-bits"))
            verify(sine.close())

            // The results page: both points and a failed step in red.
            testHelper.reportTanDCalibration()
            tryVerify(function() { return guiViewModel.commissioning.tanDValidation.rowCount() === 3 })
            var results = stack().push(Qt.resolvedUrl("qrc:/Vlf/Pages/Items/TanDCalibrationResults.qml"))
            tryCompare(results.validationTable, "rows", 3)
            compare(results.calibration.aReal, 1.000125)
            waitForRendering(window.contentItem)
            verify(testHelper.saveScreenshot(window, "commissioning-tand-results"))
            verify(results.close())
        }

        // A procedure this version cannot run answers Start with its error: the page closes
        // and the error stays for the operator.
        function test_unavailableProcedureShowsItsErrorAndCloses() {
            testHelper.setUnavailableMachines(true)
            var main = stack().currentItem
            turnTo(buttonFor(main, OperatingMode.Calibration))
            press()
            turnTo(buttonFor(stack().currentItem, OperatingMode.MaxCapacityLoad))
            press()
            tryCompare(stack(), "depth", 2)
            tryCompare(window.dialogLayer, "depth", 1)
            compare(guiViewModel.questionList.length, 1)
            compare(guiViewModel.questionList[0].name, "Diese Prozedur ist in dieser Softwareversion nicht verfügbar.")
            waitForRendering(window.contentItem)
            verify(testHelper.saveScreenshot(window, "commissioning-unavailable"))
        }

        // A procedure's error reaches the operator once: the open page shows it and closes;
        // one that comes after the operator left the page (the unit's gains not restored)
        // is shown in the header instead of only being logged.
        function test_procedureErrorShownOnce_data() {
            return [ { tag: "page open", left: false }, { tag: "page left", left: true } ]
        }
        function test_procedureErrorShownOnce(data) {
            var text = "Die Verstärkungen des HV-Geräts konnten nicht wiederhergestellt werden"
            var page = openProcedure(OperatingMode.OutputCalibration)
            if (data.left) {
                turnTo(page.cancelButton)
                press()
                tryCompare(stack(), "depth", 2)
            }
            guiViewModel.commissioning.errorDescription(text)
            compare(stack().depth, 2)
            wait(200)
            if (data.left) {
                compare(window.dialogLayer.depth, 0)
                compare(guiViewModel.questionList.length, 0)
                compare(guiViewModel.messageList.length, 1)
                compare(window.headerBar.titleText.text, text)
                compare(String(window.headerBar.message.value), "#FFF43149")
            } else {
                tryCompare(window.dialogLayer, "depth", 1)
                compare(guiViewModel.questionList.length, 1)
                compare(guiViewModel.questionList[0].name, text)
                compare(guiViewModel.messageList.length, 0)
            }
            waitForRendering(window.contentItem)
            verify(testHelper.saveScreenshot(window, "commissioning-error-" + (data.left ? "late" : "open")))
        }

        function child(item, name) {
            if (!item || item.objectName === name)
                return item
            for (var i = 0; i < item.children.length; ++i) {
                var found = child(item.children[i], name)
                if (found)
                    return found
            }
            return null
        }
        function openPage(entry, objectName) {
            var depth = stack().depth
            turnTo(entry)
            press()
            tryCompare(stack(), "depth", depth + 1)
            tryCompare(stack().currentItem, "objectName", objectName)
            return stack().currentItem
        }

        // The unlocked service menu's calibration page switches commissioning on and leads to
        // the procedures; locking the menu switches it off again.
        function test_serviceMenuSwitchesCommissioning() {
            guiViewModel.commissioningEnabled = false
            verify(guiViewModel.settings.unlockServiceMenu("VlfService1"))
            var settings = openPage(stack().currentItem.settingsButton, "settingsPage")
            var service = openPage(child(settings, "serviceEntry"), "serviceSettingsPage")
            var calibration = openPage(child(service, "calibrationModeEntry"), "calibrationMenuPage")
            verify(guiViewModel.commissioningEnabled)
            verify(calibration.commissioningButton.visible)
            turnTo(calibration.commissioningButton)
            Qt.inputMethod.hide()
            guiViewModel.setInputPanelActive(false)
            waitForRendering(window.contentItem)
            verify(testHelper.saveScreenshot(window, "commissioning-calibration-menu"))
            press()
            tryCompare(stack(), "depth", 5)
            var selection = stack().currentItem
            verify(selection.commissioning)
            compare(selection.grid.buttons.count, 10)
            waitForRendering(window.contentItem)
            verify(testHelper.saveScreenshot(window, "commissioning-from-service"))
            var page = openPage(buttonFor(selection, OperatingMode.ManualDiagnosis), "diagnosisManual")
            compare(page.rows.count, 3)
            guiViewModel.settings.lockServiceMenu()
            verify(!guiViewModel.commissioningEnabled)
            verify(stack().currentItem !== page)
        }
    }
}
