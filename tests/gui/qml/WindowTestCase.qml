import QtQuick 2.15
import QtTest 1.15
import Vlf.GUI 1.0

// A test case over the program's real window, worked as an operator works it with the
// encoder: Right/Left turn, Return presses. A file's own settings go back in restore().
VlfTestCase {
    id: testCase

    property var window: null
    readonly property alias actions: actionSpy
    readonly property alias events: eventSpy

    SignalSpy { id: actionSpy; target: guiViewModel; signalName: "PerformExternalAction" }
    SignalSpy { id: eventSpy; target: guiViewModel; signalName: "sendAppEvent" }

    // Presses act sooner, the input guard ends sooner; the logic is the same.
    function openWindow() {
        testHelper.clearLists()
        guiViewModel.settings.dblClickTime = 20
        var component = Qt.createComponent("qrc:/Vlf/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        window = component.createObject(null)
        window.inputGuard.timeScale = 0.05
        window.requestActivate()
        tryCompare(window, "active", true)
        actionSpy.clear()
        eventSpy.clear()
    }
    function restore() {}
    function testCleanup() {
        restore()
        testHelper.clearLists()
        guiViewModel.settings.dblClickTime = 250
        guiViewModel.setInputPanelActive(false)
        var w = window
        window = null
        if (w)
            testHelper.destroyNow(w)
    }

    function stack() { return window.pageStack }
    function turn(key, times) {
        for (var i = 0; i < (times || 1); ++i)
            keyClick(key)
    }
    // Turns once the page is shown until the item has the focus; fails after a whole cycle.
    function turnTo(item, key) {
        tryVerify(function() { return stack().currentItem.current !== false }, 5000, "page shown")
        for (var i = 0; i < 40 && !item.activeFocus; ++i)
            keyClick(key || Qt.Key_Right)
        verify(item.activeFocus, "reached by the encoder: " + item.objectName)
    }
    // A press acts once the double-click time has passed: the wait ends with the knob signal
    // of the focused control's navigation client, or a while later for a control that takes
    // Return itself. One more pass delivers what the press queued.
    function press() {
        var client = null
        for (var item = window.activeFocusItem; item && !client; item = item.parent)
            client = item.vlfNavigationClient || null
        var acted = false
        var done = function() { acted = true }
        if (client)
            client.knobPressed.connect(done)
        keyClick(Qt.Key_Return)
        var until = Date.now() + guiViewModel.settings.dblClickTime + 500
        while (!acted && Date.now() < until)
            wait(5)
        // The press may have closed the control's page and, with it, the client.
        try {
            client.knobPressed.disconnect(done)
        } catch (gone) {}
        wait(0)
    }
    function pressOn(item) {
        turnTo(item)
        press()
    }
    // The keyboard would hide the bottom row; kept, it shows whether it is up.
    function shot(name, keepKeyboard) {
        if (!keepKeyboard) {
            Qt.inputMethod.hide()
            guiViewModel.setInputPanelActive(false)
        }
        rendered(window)
        verify(testHelper.saveScreenshot(window, name))
    }
    // The item itself or its first descendant of that name, depth first.
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
        pressOn(entry)
        tryCompare(stack(), "depth", depth + 1)
        tryCompare(stack().currentItem, "objectName", objectName)
        tryVerify(function() { return stack().currentItem.current })
        return stack().currentItem
    }
    function openSettings() { return openPage(stack().currentItem.settingsButton, "settingsPage") }
    function openFromSettings(entry, objectName) { return openPage(child(openSettings(), entry), objectName) }
    function openService() {
        verify(guiViewModel.settings.unlockServiceMenu("VlfService1"))
        return openFromSettings("serviceEntry", "serviceSettingsPage")
    }
    // Types into the focused field, replacing its text.
    function typeText(field, text) {
        verify(field.activeFocus)
        field.selectAll()
        keyClick(Qt.Key_Backspace)
        for (var i = 0; i < text.length; ++i)
            keyClick(text[i])
        compare(field.text, text)
    }
    function pluck(list, key) { return Array.from(list, function(e) { return e[key] }) }
    function messages() { return pluck(guiViewModel.messageList, "name") }
    function buttonFor(page, mode) {
        var repeater = page.grid.buttons
        for (var i = 0; i < repeater.count; ++i)
            if (repeater.itemAt(i).node.mode === mode)
                return repeater.itemAt(i)
        return null
    }
    function state(from, to) { testHelper.appStateChanged(from, to) }
    // Menu, selection and cable data to the configuration page of a mode.
    function openConfiguration(group, mode) {
        buttonFor(stack().currentItem, group).clicked()
        buttonFor(stack().currentItem, mode).clicked()
        stack().currentItem.confirmButton.clicked()
        var page = stack().currentItem
        verify(page.editor !== undefined, "the configuration page")
        tryCompare(page.confirmButton, "activeFocus", true)
        return page
    }
    // On to the confirmation page of a sine test, which starts it.
    function startSineTest() {
        var configuration = openConfiguration(OperatingMode.Withstand, OperatingMode.VLFSin)
        for (var i = 0; i < 3; ++i)
            configuration.confirmButton.clicked()
        var confirmation = stack().currentItem
        tryCompare(confirmation, "started", true)
        compare(actions.count, 1)
        state(States.Idle, States.InitTest)
        return confirmation
    }
}
