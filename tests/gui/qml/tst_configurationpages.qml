import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.GUI 1.0

// The configuration, extended configuration and confirmation pages in the real window, as
// an operator reaches them from the menu and works them with the encoder.
Item {
    id: root

    WindowTestCase {
        name: "ConfigurationPages"

        function init() {
            guiViewModel.commissioningEnabled = false
            testHelper.setModeMask([OperatingMode.DC, OperatingMode.VLFSin, OperatingMode.TanDelta,
                                    OperatingMode.MWTStep])
            openWindow()
        }
        function config() { return guiViewModel.config }
        function buttonTexts(page) {
            var out = []
            for (var i = 0; i < page.parameterButtons.count; ++i)
                out.push(page.parameterButtons.itemAt(i).item.name)
            return out
        }

        // Every mode's page shows one button per item of its list, with the editor of the
        // item being edited.
        function test_pagePerMode_data() {
            return [
                { tag: "DC", group: OperatingMode.Withstand, mode: OperatingMode.DC,
                  names: ["Phases", "Test voltage", "Test time"] },
                { tag: "MWTStep", group: OperatingMode.Diagnosis, mode: OperatingMode.MWTStep,
                  names: ["Phases", "Insulation", "Voltage U0", "Test voltage", "Test time"] }
            ]
        }
        function test_pagePerMode(data) {
            var page = openConfiguration(data.group, data.mode)
            compare(buttonTexts(page), data.names)
            compare(page.parameterButtons.count, config().mainParameters.length)
            // Five buttons share the width of four.
            var last = page.parameterButtons.itemAt(page.parameterButtons.count - 1)
            verify(last.mapToItem(window.contentItem, last.width, 0).x <= window.width)
            page.select(config().mainParameters[data.names.length - 2])
            compare(page.editor.item, config().mainParameters[data.names.length - 2])
            verify(page.editor.controls.length > 0)
            shot("configuration-" + data.tag)
            if (data.mode !== OperatingMode.DC)
                return
            // The title follows the polarity confirmed on the extended page.
            page.settingsButton.clicked()
            var extended = stack().currentItem
            extended.parameters[pluck(extended.parameters, "type").indexOf(ValueUnit.Polarity)].value = 1
            extended.confirmButton.clicked()
            verify(page.title.endsWith("-"), page.title)
            compare(window.headerBar.title, page.title)
        }

        function test_vlfSinByEncoder() {
            var page = openConfiguration(OperatingMode.Withstand, OperatingMode.VLFSin)
            var items = config().mainParameters
            compare(pluck(items, "type"), [ValueUnit.Phases, ValueUnit.Voltage, ValueUnit.Time])
            compare(buttonTexts(page), ["Phases", "Test voltage", "Test time"])
            verify(page.settingsButton.visible)
            shot("configuration-vlfsin")

            // The knob confirms the phases; the voltage editor follows.
            keyClick(Qt.Key_Return)
            tryCompare(items[1], "isActive", true)
            verify(items[0].isConfirmed)
            var slider = page.editor.controls[0]
            compare(slider.objectName, "valueSlider")
            // Left: Settings, then the slider; a press starts editing, a turn moves one step.
            keyClick(Qt.Key_Left)
            verify(page.settingsButton.activeFocus)
            keyClick(Qt.Key_Left)
            verify(slider.activeFocus)
            keyClick(Qt.Key_Return)
            tryCompare(slider, "editing", true)
            var before = items[1].value
            keyClick(Qt.Key_Right)
            compare(items[1].value, before + 1)
            turn(Qt.Key_Left, 2)
            compare(items[1].value, before - 1)
            keyClick(Qt.Key_Return)
            tryCompare(slider, "editing", false)
            keyClick(Qt.Key_Right)
            verify(page.settingsButton.activeFocus)

            // A touch near a tick lands on it: 14.1 kV RMS is the second snap value.
            compare(items[1].ticks, [71, 141, 212])
            var near = 138
            mouseClick(slider, slider.leftPadding + (near - slider.from) / (slider.to - slider.from)
                       * slider.availableWidth, slider.height / 2)
            compare(items[1].value, 141)
            compare(page.editor.valueText, "14.1")
            shot("configuration-vlfsin-voltage")

            // The extended page shows the further parameters; Back leaves them unwritten.
            page.settingsButton.clicked()
            var extended = stack().currentItem
            verify(extended.editors !== undefined, "the extended page")
            compare(pluck(extended.parameters, "type"),
                    [ValueUnit.Frequency, ValueUnit.VoltageType, ValueUnit.VoltageFactor, ValueUnit.RampMode])
            compare(extended.editors.itemAt(2).visible, false)
            var typeItem = extended.parameters[1]
            typeItem.value = 2
            compare(extended.editors.itemAt(2).visible, true)
            shot("configuration-extended-vlfsin")
            extended.backButton.clicked()
            compare(stack().currentItem, page)
            compare(typeItem.value, 0, "the unconfirmed choice is dropped on return")
            compare(items[1].value, 141)

            // The last Confirm opens the confirmation page, which has nothing to confirm
            // here and starts the test at once.
            page.confirmButton.clicked()
            page.confirmButton.clicked()
            var confirmation = stack().currentItem
            verify(confirmation.rows !== undefined, "the confirmation page")
            compare(confirmation.rows.length, 0)
            tryCompare(confirmation, "started", true)
            compare(actions.count, 1)
            compare(actions.signalArguments[0][0], "StartMode")
            confirmation.cancelButton.clicked()
            compare(stack().currentItem, page)
        }

        function test_tanDeltaConfirmation() {
            guiViewModel.setPhaseNameL1("L1")
            var page = openConfiguration(OperatingMode.Diagnosis, OperatingMode.TanDelta)
            var items = config().mainParameters
            compare(pluck(items, "type"), [ValueUnit.Phases, ValueUnit.InsulationType, ValueUnit.Voltage])
            compare(buttonTexts(page), ["Phases", "Insulation", "Voltage U0"])

            // Mark L3 as well by the encoder: Left over Settings to the third phase button.
            items[0].value = 1
            turn(Qt.Key_Left, 2)
            var l3 = page.editor.controls[2]
            verify(l3.activeFocus)
            keyClick(Qt.Key_Return)
            tryCompare(items[0], "value", 5)
            tryCompare(page.editor.children[3], "visible", true)
            shot("configuration-tandelta-phases")

            page.settingsButton.clicked()
            var extended = stack().currentItem
            compare(pluck(extended.parameters, "type"), [ValueUnit.Frequency, ValueUnit.VoltageFactor,
                    ValueUnit.NumberOfLevels, ValueUnit.ValuesPerLevel, ValueUnit.TanDeltaStandard])
            shot("configuration-extended-tandelta")
            extended.backButton.clicked()

            page.confirmButton.clicked()
            page.confirmButton.clicked()
            // A double tap on the last Confirm opens one confirmation page.
            page.confirmButton.clicked()
            page.confirmButton.clicked()
            compare(stack().depth, 4)
            var confirmation = stack().currentItem
            verify(confirmation.rows !== undefined, "the confirmation page")
            compare(confirmation.rows.length, 2)
            compare(confirmation.rows[0].type, PropertyConfirmationViewModel.VoltageLevels)
            compare(confirmation.rows[1].description(), "Connect to phase L1")
            var levels = confirmation.rowItems.itemAt(0)
            verify(findChild(levels, "levelsText").text.indexOf("1.0 \u00D7 U0") >= 0)
            compare(findChild(confirmation, "confirmationHeader").text, "Switch the high voltage on for phase L1")
            verify(!confirmation.statePart.visible)
            shot("confirmation-tandelta")

            // Row by row with the knob; the last one starts the test.
            tryCompare(levels.confirmButton, "activeFocus", true)
            keyClick(Qt.Key_Return)
            tryCompare(confirmation.rows[0], "isConfirmed", true)
            compare(actions.count, 0)
            var phase = confirmation.rowItems.itemAt(1)
            tryCompare(phase.confirmButton, "activeFocus", true)
            keyClick(Qt.Key_Return)
            tryCompare(confirmation, "started", true)
            compare(actions.count, 1)
            verify(confirmation.statePart.visible)
        }
    }
}
