import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.GUI 1.0

// The window as an operator with the encoder meets it: Right/Left turn, Return presses.
Item {
    id: root

    property var window: null

    VlfTestCase {
        name: "PageMechanics"

        function openWindow(modes) {
            testHelper.clearLists()
            guiViewModel.commissioningEnabled = false
            testHelper.setModeMask(modes)
            var component = Qt.createComponent("qrc:/Vlf/main.qml")
            compare(component.status, Component.Ready, component.errorString())
            root.window = component.createObject(null)
            root.window.requestActivate()
            tryCompare(root.window, "active", true)
        }
        function testCleanup() {
            testHelper.clearLists()
            guiViewModel.setInputPanelActive(false)
            guiViewModel.commissioningEnabled = false
            var w = root.window
            root.window = null
            testHelper.destroyNow(w)
        }

        function stack() { return window.pageStack }
        function buttonFor(page, mode) {
            var repeater = page.grid.buttons
            for (var i = 0; i < repeater.count; ++i)
                if (repeater.itemAt(i).node.mode === mode)
                    return repeater.itemAt(i)
            return null
        }
        function focused() { return window.activeFocusItem }
        function turn(key, times) {
            for (var i = 0; i < (times || 1); ++i)
                keyClick(key)
        }
        // Withstand, then VLF sine, by the encoder alone.
        function openCableData() {
            tryCompare(buttonFor(stack().currentItem, OperatingMode.Withstand), "activeFocus", true)
            keyClick(Qt.Key_Return)
            tryCompare(stack(), "depth", 2)
            tryCompare(buttonFor(stack().currentItem, OperatingMode.DC), "activeFocus", true)
            turn(Qt.Key_Right)
            keyClick(Qt.Key_Return)
            tryCompare(stack(), "depth", 3)
            var cable = stack().currentItem
            tryCompare(cable.field, "activeFocus", true)
            return cable
        }

        // Before the HV unit identified itself only the bottom row can be focused; the
        // encoder reaches the groups as soon as they appear, and a new identification keeps
        // the focused button.
        function test_encoderWorksFromStartUpOn() {
            openWindow([])
            var main = stack().currentItem
            verify(!buttonFor(main, OperatingMode.Withstand).visible)
            tryCompare(main.activitiesButton, "activeFocus", true)

            testHelper.setModeMask([OperatingMode.DC, OperatingMode.TanDelta, OperatingMode.SheathTest])
            tryVerify(function() { return buttonFor(main, OperatingMode.Withstand).visible })
            verify(main.activitiesButton.activeFocus)
            turn(Qt.Key_Right)
            verify(main.settingsButton.activeFocus)
            turn(Qt.Key_Right)
            verify(buttonFor(main, OperatingMode.Withstand).activeFocus)
            turn(Qt.Key_Right)
            var diagnosis = buttonFor(main, OperatingMode.Diagnosis)
            verify(diagnosis.activeFocus)

            testHelper.setModeMask([OperatingMode.DC, OperatingMode.TanDelta, OperatingMode.SheathTest,
                                    OperatingMode.VLFSin])
            compare(buttonFor(main, OperatingMode.Diagnosis), diagnosis)
            wait(50)
            verify(diagnosis.activeFocus)
            rendered(window)
            verify(testHelper.saveScreenshot(window, "main-page-encoder-focus"))

            // The focused group disappears: the focus moves on to a button still shown.
            testHelper.setModeMask([OperatingMode.DC, OperatingMode.SheathTest])
            tryVerify(function() { return focused() === buttonFor(main, OperatingMode.Withstand) })
        }

        // The knob acts a double-click time late; a question arriving in that gap stays on
        // its own layer while the page leaves, and the focus comes back when it is answered.
        function test_questionInsideTheKnobDelayStaysShown() {
            openWindow([OperatingMode.DC, OperatingMode.VLFSin])
            var cable = openCableData()
            compare(stack().depth, 3)
            turn(Qt.Key_Right)
            verify(cable.cancelButton.activeFocus)
            keyClick(Qt.Key_Return)
            guiViewModel.showQuestion("Switch the HV off?", "OK", "")
            tryCompare(window.dialogLayer, "depth", 1)
            tryCompare(stack(), "depth", 2)

            var dialog = window.dialogLayer.currentItem
            compare(dialog.kind, "question")
            compare(guiViewModel.questionList.length, 1)
            tryCompare(dialog.confirmButton, "activeFocus", true)
            verify(!dialog.cancelButton.visible)
            keyClick(Qt.Key_Return)
            tryCompare(guiViewModel.questionList, "length", 0)
            tryCompare(window.dialogLayer, "depth", 0)
            tryVerify(function() { return focused() === buttonFor(stack().currentItem, OperatingMode.VLFSin) })
        }

        // A page leaves by its own Back, Cancel or replacement, and says so once.
        function test_pagesLeaveThemselves() {
            openWindow([OperatingMode.DC, OperatingMode.VLFSin])
            var main = stack().currentItem
            verify(!main.backButton.visible)
            buttonFor(main, OperatingMode.Withstand).clicked()
            var selection = stack().currentItem
            verify(selection.backButton.visible)
            // Back ends the encoder's cycle: DC, VLF sine, Back.
            tryCompare(buttonFor(selection, OperatingMode.DC), "activeFocus", true)
            turn(Qt.Key_Left)
            verify(selection.backButton.activeFocus)
            rendered(window)
            verify(testHelper.saveScreenshot(window, "selection-with-back"))
            turn(Qt.Key_Right, 2)
            verify(buttonFor(selection, OperatingMode.VLFSin).activeFocus)

            keyClick(Qt.Key_Return)
            tryCompare(stack(), "depth", 3)
            var cable = stack().currentItem
            var left = 0
            cable.leaving.connect(function() { ++left })
            cable.confirmButton.clicked()
            compare(left, 1)
            var configuration = stack().currentItem
            verify(configuration.showBack)
            compare(stack().depth, 3)
            configuration.backButton.clicked()
            compare(stack().currentItem, selection)
            selection.backButton.clicked()
            compare(stack().currentItem, main)
            compare(left, 1)
        }

        function keyOf(item, key) {
            for (var i = 0, found = null; i < item.children.length && !found; ++i)
                found = item.children[i].key === key ? item.children[i] : keyOf(item.children[i], key)
            return found || null
        }
        function rectIn(item, target) { return item.mapToItem(target, 0, 0, item.width, item.height) }

        // The encoder leaves the text field at either end of its text; the keyboard comes
        // up on a press, where it covers less, the page scrolls the field above it, and its
        // Enter confirms the number.
        function test_cableDataByEncoderAndKeyboard() {
            openWindow([OperatingMode.DC, OperatingMode.VLFSin])
            guiViewModel.setCableNumber("K7")
            var cable = openCableData()
            var field = cable.field
            verify(!Qt.inputMethod.visible)
            compare(field.cursorPosition, 2)
            turn(Qt.Key_Left)
            verify(field.activeFocus)
            compare(field.cursorPosition, 1)
            turn(Qt.Key_Left)
            turn(Qt.Key_Left)
            verify(cable.confirmButton.activeFocus)
            turn(Qt.Key_Right)
            verify(field.activeFocus)
            turn(Qt.Key_Right, 2)
            compare(field.cursorPosition, 2)
            turn(Qt.Key_Right)
            verify(cable.cancelButton.activeFocus)
            turn(Qt.Key_Left)
            verify(field.activeFocus)

            keyClick(Qt.Key_Return)
            var keyboard = window.keyboard
            tryCompare(keyboard.inputPanel, "active", true)
            tryVerify(function() {
                var r = rectIn(field, window.contentItem)
                var k = rectIn(keyboard, window.contentItem)
                return r.y >= 0 && (keyboard.fromTop ? r.y >= k.y + k.height : r.y + r.height <= k.y)
            }, 2000, "the field shows beside the keyboard")
            rendered(window)
            verify(testHelper.saveScreenshot(window, "cable-data-keyboard"))
            keyClick("8")
            mouseClick(keyOf(keyboard, Qt.Key_Return))
            tryVerify(function() { return stack().currentItem.editor !== undefined }, 2000, "the configuration")
            compare(guiViewModel.cableNumber, "K78")
            verify(!Qt.inputMethod.visible)
        }

        // Ten procedures do not fit the window: each one the encoder reaches is scrolled
        // into view.
        function test_everyProcedureReachableAndShown() {
            openWindow([OperatingMode.DC])
            guiViewModel.commissioningEnabled = true
            buttonFor(stack().currentItem, OperatingMode.Calibration).clicked()
            var page = stack().currentItem
            verify(page.commissioning)
            tryCompare(buttonFor(page, OperatingMode.SafetyCircuitCheck), "activeFocus", true)
            var seen = []
            for (var i = 0; i < 11; ++i) {
                var item = focused()
                if (item === page.backButton)
                    break
                tryVerify(function() {
                    var r = rectIn(item, page.flickable)
                    return r.y >= 0 && r.y + r.height <= page.flickable.height
                }, 1000, "procedure " + i + " shown")
                seen.push(item.node.mode)
                turn(Qt.Key_Right)
            }
            compare(seen.length, 10)
            verify(page.flickable.contentY > 0)
            turn(Qt.Key_Left)
            tryVerify(function() { return page.flickable.contentY > 0 })
            rendered(window)
            verify(testHelper.saveScreenshot(window, "commissioning-last-procedure"))
        }

        // A second tap on a mode finds its page covered by the first tap's page.
        function test_doubleTapOpensOnePage() {
            openWindow([OperatingMode.DC, OperatingMode.VLFSin])
            buttonFor(stack().currentItem, OperatingMode.Withstand).clicked()
            var sine = buttonFor(stack().currentItem, OperatingMode.VLFSin)
            sine.clicked()
            sine.clicked()
            compare(stack().depth, 3)
            compare(guiViewModel.mode, OperatingMode.VLFSin)
            compare(stack().currentItem.title, "VLF sine withstand test")
        }
    }
}
