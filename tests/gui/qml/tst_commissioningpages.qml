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

    WindowTestCase {
        name: "CommissioningPages"

        function init() {
            guiViewModel.commissioningEnabled = true
            openWindow()
        }
        function restore() {
            testHelper.setUnavailableMachines(false)
            guiViewModel.settings.lockServiceMenu()
            guiViewModel.commissioningEnabled = false
        }

        // Main page, Calibration, then the procedure: by the encoder.
        function openProcedure(mode) {
            pressOn(buttonFor(stack().currentItem, OperatingMode.Calibration))
            tryCompare(stack(), "depth", 2)
            pressOn(buttonFor(stack().currentItem, mode))
            tryCompare(stack(), "depth", 3)
            return stack().currentItem
        }

        function test_everyPageOpens_data() {
            return [
                [OperatingMode.SafetyCircuitCheck, "safetyCalibration", "SafetyBits"],
                [OperatingMode.OutputCalibration, "outputVoltageCalibration", "Kalibrierung HV-Ausgang"],
                [OperatingMode.CascadeCalibration, "cascadeCalibration", "Kalibrierung HV-Kaskaden"],
                [OperatingMode.VoltageWaveformCheck, "voltageWaveformCheck", "Prüfung Spannungsverlauf"],
                [OperatingMode.TanDCalibration, "tanDCalibration", "TanD-Kalibrierung"],
                [OperatingMode.MaxCapacityLoad, "maxCapacityLoad", "Maximale kapazitive Last"],
                [OperatingMode.CascadePowerEnvelope, "cascadePowerEnvelope", "Kennlinien der Kaskaden"],
                [OperatingMode.LongDurationTest, "burnIn", "Einbrennen"],
                [OperatingMode.SinusDiagnosis, "diagnosisSinus", "Diagnose Sinus"],
                [OperatingMode.ManualDiagnosis, "diagnosisManual", "Manuelle Diagnose"],
            ].map(function(r) { return { tag: r[1], mode: r[0], name: r[1], title: r[2] } })
        }
        // Without machines every command is only logged, so each page stays open.
        function test_everyPageOpens(data) {
            var page = openProcedure(data.mode)
            compare(page.objectName, data.name)
            compare(window.headerBar.title, data.title)
            shot("commissioning-" + data.name)
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
            // The sine page reads the settings and lists the five protections, all on. The list
            // came back: its entry is taken once the knob turned.
            turn(Qt.Key_Right)
            pressOn(buttonFor(stack().currentItem, OperatingMode.SinusDiagnosis))
            sine = stack().currentItem
            compare(sine.voltageSpin.displayText, "12.3 kV")
            compare(sine.frequencySpin.displayText, "0.05 Hz")
            compare(sine.bits.count, 5)
            var breakdown = sine.bits.itemAt(3)
            verify(breakdown.checked)
            pressOn(breakdown)
            tryCompare(breakdown, "checked", false)
            shot("commissioning-sine-bits")
            verify(sine.close())

            // The results page: both points and a failed step in red.
            testHelper.reportTanDCalibration()
            tryVerify(function() { return guiViewModel.commissioning.tanDValidation.rowCount() === 3 })
            var results = stack().push(Qt.resolvedUrl("qrc:/Vlf/Pages/Items/TanDCalibrationResults.qml"))
            tryCompare(results.validationTable, "rows", 3)
            compare(results.calibration.aReal, 1.000125)
            shot("commissioning-tand-results")
            verify(results.close())

            // A cancelled run's end reaching a page opened just after is no success of its own.
            testHelper.setUnavailableMachines(false)
            turn(Qt.Key_Right)
            pressOn(buttonFor(stack().currentItem, OperatingMode.OutputCalibration))
            var output = stack().currentItem
            guiViewModel.commissioning.outputMachineEvent(Commissioning.Done)
            verify(!output.succeeded)
            guiViewModel.commissioning.outputMachineEvent(Commissioning.Step4)
            guiViewModel.commissioning.outputMachineEvent(Commissioning.Done)
            verify(output.succeeded)
            verify(output.close())
        }

        // A procedure's error reaches the operator once: the open page shows it and closes,
        // as does one this version cannot run at Start; one that comes after the operator left
        // the page (the unit's gains not restored) is shown in the header, not only logged.
        function test_procedureErrorShownOnce_data() {
            var gains = "Die Verstärkungen des HV-Geräts konnten nicht wiederhergestellt werden"
            return [
                { tag: "cannot run", mode: OperatingMode.MaxCapacityLoad, unavailable: true, left: false,
                  text: "Diese Prozedur ist in dieser Softwareversion nicht verfügbar.", shot: "unavailable" },
                { tag: "page open", mode: OperatingMode.OutputCalibration, unavailable: false, left: false,
                  text: gains, shot: "error-open" },
                { tag: "page left", mode: OperatingMode.OutputCalibration, unavailable: false, left: true,
                  text: gains, shot: "error-late" },
            ]
        }
        function test_procedureErrorShownOnce(data) {
            testHelper.setUnavailableMachines(data.unavailable)
            if (data.unavailable) {
                pressOn(buttonFor(stack().currentItem, OperatingMode.Calibration))
                pressOn(buttonFor(stack().currentItem, data.mode))
                tryCompare(stack(), "depth", 2)
            } else {
                var page = openProcedure(data.mode)
                if (data.left) {
                    pressOn(page.cancelButton)
                    tryCompare(stack(), "depth", 2)
                }
                guiViewModel.commissioning.errorDescription(data.text)
                compare(stack().depth, 2)
                wait(200)
            }
            if (data.left) {
                compare(window.dialogLayer.depth, 0)
                compare(guiViewModel.questionList.length, 0)
                compare(messages(), [data.text])
                compare(window.headerBar.titleText.text, data.text)
                compare(String(window.headerBar.message.value), "#FFF43149")
            } else {
                tryCompare(window.dialogLayer, "depth", 1)
                compare(guiViewModel.questionList.length, 1)
                compare(guiViewModel.questionList[0].name, data.text)
                compare(guiViewModel.messageList.length, 0)
            }
            shot("commissioning-" + data.shot)
        }

        // The unlocked service menu's calibration page switches commissioning on and leads to
        // the procedures; locking the menu switches it off again.
        function test_serviceMenuSwitchesCommissioning() {
            guiViewModel.commissioningEnabled = false
            var service = openService()
            var calibration = openPage(child(service, "calibrationModeEntry"), "calibrationMenuPage")
            verify(guiViewModel.commissioningEnabled)
            verify(calibration.commissioningButton.visible)
            turnTo(calibration.commissioningButton)
            shot("commissioning-calibration-menu")
            press()
            tryCompare(stack(), "depth", 5)
            var selection = stack().currentItem
            verify(selection.commissioning)
            compare(selection.grid.buttons.count, 10)
            shot("commissioning-from-service")
            var page = openPage(buttonFor(selection, OperatingMode.ManualDiagnosis), "diagnosisManual")
            compare(page.rows.count, 3)
            guiViewModel.settings.lockServiceMenu()
            verify(!guiViewModel.commissioningEnabled)
            verify(stack().currentItem !== page)
        }
    }
}
