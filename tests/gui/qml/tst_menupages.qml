import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.GUI 1.0

Item {
    id: root

    property var window: null

    VlfTestCase {
        name: "MenuPages"

        function init() {
            guiViewModel.commissioningEnabled = false
            testHelper.setModeMask([OperatingMode.DC, OperatingMode.VLFSin, OperatingMode.TanDelta,
                                    OperatingMode.SheathTest])
            var component = Qt.createComponent("qrc:/Vlf/main.qml")
            compare(component.status, Component.Ready, component.errorString())
            root.window = component.createObject(null)
            verify(root.window)
            root.window.requestActivate()
            tryCompare(root.window, "active", true)
        }
        function testCleanup() {
            guiViewModel.setInputPanelActive(false)
            var w = root.window
            root.window = null
            testHelper.destroyNow(w)
        }

        function stack() { return window.pageStack }
        function buttonsOf(page) {
            var out = []
            var repeater = page.grid.buttons
            for (var i = 0; i < repeater.count; ++i)
                out.push(repeater.itemAt(i))
            return out
        }
        function visibleModes(page) {
            return buttonsOf(page).filter(function(b) { return b.visible })
                                  .map(function(b) { return b.node.mode })
        }
        function buttonFor(page, mode) {
            return buttonsOf(page).filter(function(b) { return b.node.mode === mode })[0]
        }

        function test_mainPageShowsOneButtonPerEnabledGroup() {
            var main = stack().currentItem
            compare(buttonsOf(main).length, 4)
            compare(visibleModes(main), [OperatingMode.Withstand, OperatingMode.Diagnosis, OperatingMode.SheathFault])
            var withstand = buttonFor(main, OperatingMode.Withstand)
            tryCompare(withstand, "activeFocus", true)
            compare(withstand.contentItem.children[0].source.toString(), withstand.node.focusIcon)
            compare(buttonFor(main, OperatingMode.Diagnosis).contentItem.children[0].source.toString(),
                    buttonFor(main, OperatingMode.Diagnosis).node.icon)
            rendered(window)
            verify(testHelper.saveScreenshot(window, "main-menu"))

            // The commissioning switch shows the calibration group.
            guiViewModel.commissioningEnabled = true
            compare(visibleModes(main).length, 4)
            guiViewModel.commissioningEnabled = false
            verify(!buttonFor(main, OperatingMode.Calibration).visible)
        }

        function test_groupOpensItsSelectionAndALeafTheCableData() {
            var main = stack().currentItem
            buttonFor(main, OperatingMode.Withstand).clicked()
            compare(stack().depth, 2)
            var selection = stack().currentItem
            compare(selection.node.mode, OperatingMode.Withstand)
            compare(selection.title, selection.node.subMenuText)
            compare(window.headerBar.title, selection.node.subMenuText)
            compare(visibleModes(selection), [OperatingMode.DC, OperatingMode.VLFSin])
            rendered(window)
            verify(testHelper.saveScreenshot(window, "test-selection"))

            buttonFor(selection, OperatingMode.VLFSin).clicked()
            compare(guiViewModel.mode, OperatingMode.VLFSin)
            var config = guiViewModel.config
            verify(config.mainParameters.length > 0)
            compare(stack().depth, 3)
            var cable = stack().currentItem
            verify(cable.field !== undefined)
            compare(cable.title, guiViewModel.getModeString())
            verify(cable.title.length > 0)

            // Cancel goes back to the selection.
            cable.cancelButton.clicked()
            compare(stack().depth, 2)
            compare(stack().currentItem, selection)

            // The same mode again starts its configuration afresh.
            config.confirmParameter()
            verify(config.mainParameters[0].isConfirmed)
            buttonFor(selection, OperatingMode.VLFSin).clicked()
            verify(!config.mainParameters[0].isConfirmed)
            verify(config.mainParameters[0].isActive)
        }

        function test_cableDataOffersStoredNumbersAndConfirms() {
            testHelper.addCableNumber("K-100")
            testHelper.addCableNumber("x-k-7")
            testHelper.addCableNumber("M-1")
            guiViewModel.setCableNumber("OLD")
            buttonFor(stack().currentItem, OperatingMode.Diagnosis).clicked()
            buttonFor(stack().currentItem, OperatingMode.TanDelta).clicked()
            var cable = stack().currentItem
            compare(cable.field.text, "OLD")
            compare(cable.field.maximumLength, 30)
            tryCompare(cable.field, "activeFocus", true)
            cable.field.selectAll()
            keyClick(Qt.Key_K)
            keyClick(Qt.Key_Minus)
            compare(cable.field.text, "k-")
            compare(cable.suggestions, ["K-100", "x-k-7"])
            compare(guiViewModel.inputPanelSuggestions, ["K-100", "x-k-7"])
            keyClick(Qt.Key_1)
            compare(guiViewModel.inputPanelSuggestions, ["K-100"])

            var title = cable.title
            keyClick(Qt.Key_Space) // surrounding blanks are not part of the number
            cable.confirmButton.clicked()
            compare(guiViewModel.cableNumber, "k-1")
            compare(stack().depth, 3)
            verify(stack().currentItem !== cable)
            compare(stack().currentItem.title, title)
        }

        function test_calibrationOpensTheCommissioningSelection() {
            guiViewModel.commissioningEnabled = true
            guiViewModel.setOperationMode(OperatingMode.DC)
            guiViewModel.config.reset()
            guiViewModel.config.confirmParameter()
            var main = stack().currentItem
            buttonFor(main, OperatingMode.Calibration).clicked()
            var page = stack().currentItem
            verify(page.commissioning)
            compare(visibleModes(page).length, 10)
            var requested = []
            page.procedureRequested.connect(function(mode) { requested.push(mode) })
            var modeBefore = guiViewModel.mode
            buttonFor(page, OperatingMode.OutputCalibration).clicked()
            compare(requested, [OperatingMode.OutputCalibration])
            compare(stack().depth, 3)
            compare(stack().currentItem.objectName, "outputVoltageCalibration")
            verify(guiViewModel.config.mainParameters[0].isConfirmed)
            compare(guiViewModel.mode, modeBefore)
            guiViewModel.commissioningEnabled = false
        }
    }
}
