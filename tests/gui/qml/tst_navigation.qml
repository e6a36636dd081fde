import QtQuick 2.15
import QtTest 1.15
import Vlf.Controls 1.0

Item {
    id: root
    width: 400
    height: 300

    VlfNavigation {
        id: nav
        anchors.fill: parent
        focus: true

        Column {
            id: column
            VlfButton { id: first; text: "first" }
            VlfButton { id: second; text: "second" }
            VlfListView {
                id: list
                width: 200
                height: 90
                model: 3
                delegate: Text { text: "row " + index; height: 30 }
            }
            VlfButton { id: last; text: "last" }
            Rectangle { id: plain; width: 10; height: 10 }
        }
    }

    Component { id: buttonMaker; VlfButton {} }

    SignalSpy { id: pressed; target: first.vlfNavigationClient; signalName: "knobPressed" }
    SignalSpy { id: dblPressed; target: first.vlfNavigationClient; signalName: "knobDblPressed" }
    SignalSpy { id: secondPressed; target: second.vlfNavigationClient; signalName: "knobPressed" }
    SignalSpy { id: next; target: nav; signalName: "jumpedToNext" }

    VlfTestCase {
        name: "Navigation"

        function init() {
            nav.resetElements()
            verify(nav.addNavElement(first, false, false))
            verify(nav.addNavElement(second, false, false))
            verify(nav.addNavElement(list, false, false))
            verify(nav.addNavElement(last, false, false))
            first.visible = second.visible = list.visible = last.visible = true
            first.stopping = first.doubleIsOne = false
            pressed.clear()
            dblPressed.clear()
            secondPressed.clear()
            next.clear()
        }
        function testCleanup() { guiViewModel.settings.dblClickTime = 250 }

        function test_addRefusesDuplicatesAndStrangers() {
            verify(!nav.addNavElement(first, false, false))
            verify(!nav.addNavElement(plain, false, false))
            compare(nav.elements.length, 4)
            verify(nav.removeNavElement(second))
            compare(nav.elements.length, 3)
            verify(!nav.validIndex(3))
            verify(!nav.jumpToIndex(5, false))
        }

        function test_turningWrapsAround() {
            verify(nav.jumpTo(last, false))
            compare(nav.currentIndex(), 3)
            keyClick(Qt.Key_Right)
            verify(first.activeFocus)
            compare(next.count, 1)
            keyClick(Qt.Key_Left)
            verify(last.activeFocus)
            // Backwards into the list lands on its last row.
            keyClick(Qt.Key_Up)
            verify(list.activeFocus)
            compare(list.currentIndex, 2)
        }

        function test_hiddenElementsAreSkippedAndAloneKeepsTheFocus() {
            second.visible = false
            verify(nav.jumpTo(first, false))
            keyClick(Qt.Key_Down)
            verify(list.activeFocus)
            list.visible = false
            last.visible = false
            verify(nav.jumpTo(first, false))
            next.clear()
            verify(!nav.keyPressed({ "key": Qt.Key_Right }, first))
            verify(!nav.keyPressed({ "key": Qt.Key_Left }, first))
            verify(first.activeFocus)
            compare(next.count, 0)
            verify(!nav.jumpTo(second, false))
        }

        function test_listMovesInsideItselfBeforeLeaving() {
            verify(nav.jumpTo(list, false))
            compare(list.currentIndex, 0)
            keyClick(Qt.Key_Right)
            verify(list.activeFocus)
            compare(list.currentIndex, 1)
            keyClick(Qt.Key_Right)
            compare(list.currentIndex, 2)
            keyClick(Qt.Key_Right)
            verify(last.activeFocus)
            // Rows beyond its height show in its indicator.
            verify(!list.scrollIndicator.visible)
            list.height = 60
            tryCompare(list.scrollIndicator, "visible", true)
            list.height = 90
        }

        // A page registers the controls of rebuilt rows a moment later, when the old ones may
        // be destroyed already, focused or not: they drop out.
        function test_destroyedElementsDropOut_data() {
            return [{ tag: "removed, then the new one added", focused: false },
                    { tag: "focused, then replaced", focused: true }]
        }
        function test_destroyedElementsDropOut(data) {
            var old = buttonMaker.createObject(column)
            verify(nav.addNavElement(old, data.focused, false))
            testHelper.destroyNow(old)
            if (data.focused)
                tryVerify(function() { return first.activeFocus }, 1000, "the focus healed")
            var fresh = buttonMaker.createObject(column)
            if (data.focused)
                verify(nav.replaceElements([first, second, list, last, fresh]))
            else
                verify(nav.removeNavElement(old) && nav.addNavElement(fresh, false, false))
            compare(nav.elements, [first, second, list, last, fresh])
            verify(nav.jumpTo(last, false))
            keyClick(Qt.Key_Right)
            verify(fresh.activeFocus)
            testHelper.destroyNow(fresh)
        }

        // Two presses within the double-click time give one double press and no single one;
        // on a stopping control and one that takes them as one (a dialog's OK) one press, the
        // stopping control's at the first. A single press acts once the double-click time
        // has passed, a stopping control's at once.
        function test_doublePress_data() {
            return [{ tag: "plain", stopping: false, doubleIsOne: false, pair: 0, dbl: 1, atOnce: 0 },
                    { tag: "stopping", stopping: true, doubleIsOne: true, pair: 1, dbl: 0, atOnce: 1 },
                    { tag: "double is one", stopping: false, doubleIsOne: true, pair: 1, dbl: 0, atOnce: 0 }]
        }
        function test_doublePress(data) {
            guiViewModel.settings.dblClickTime = 400
            compare(nav.dblClickTime, 400)
            first.stopping = data.stopping
            first.doubleIsOne = data.doubleIsOne
            verify(nav.jumpTo(first, false))
            keyClick(Qt.Key_Return)
            compare(pressed.count, data.atOnce)
            keyClick(Qt.Key_Return)
            compare(pressed.count, data.pair)
            compare(dblPressed.count, data.dbl)
            wait(600)
            compare(pressed.count, data.pair)
            compare(dblPressed.count, data.dbl)

            keyClick(Qt.Key_Return)
            compare(pressed.count, data.pair + data.atOnce)
            tryCompare(pressed, "count", data.pair + 1, 2000)
            // No press of this row is pending for the next.
            wait(600)
            compare(pressed.count, data.pair + 1)
            compare(dblPressed.count, data.dbl)
        }

        // A stop pressed within the double-click time after a press on another control is
        // taken at once, and the press before it starts nothing.
        function test_stopRightAfterAPressElsewhere() {
            guiViewModel.settings.dblClickTime = 400
            first.stopping = true
            verify(nav.jumpTo(second, false))
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Left)
            verify(first.activeFocus)
            keyClick(Qt.Key_Return)
            compare(pressed.count, 1)
            wait(600)
            compare(pressed.count, 1)
            compare(dblPressed.count + secondPressed.count, 0)
        }

        function test_autoPressFollowsAJump() {
            verify(nav.jumpTo(first, true))
            compare(pressed.count, 0)
            tryCompare(pressed, "count", 1, 1000)
        }
    }
}
