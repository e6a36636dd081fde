import QtQuick 2.15
import QtTest 1.15

// A test case that fails when QML printed a warning during one of its tests.
TestCase {
    when: windowShown

    function cleanup() {
        testCleanup()
        var warnings = qmlWarnings.take()
        compare(warnings.join("\n"), "", "QML warnings")
    }
    function testCleanup() {}
    // The window drops a press or tap right after what it shows changed: presses and taps
    // wait out what remains of that first.
    TestEvent { id: input }
    function waitOutGuard() {
        for (var left; (left = testHelper.guardLeft()) > 0; )
            wait(left)
    }
    function keyClick(key, modifiers, delay) {
        if (key === Qt.Key_Return || key === Qt.Key_Enter)
            waitOutGuard()
        verify(input[typeof(key) === "string" ? "keyClickChar" : "keyClick"](key, modifiers || 0, delay || -1))
    }
    function mouseClick(item, x, y) { mouseAt("mouseClick", item, x, y) }
    function mousePress(item, x, y) { mouseAt("mousePress", item, x, y) }
    function mouseAt(kind, item, x, y) {
        waitOutGuard()
        verify(input[kind](item, x === undefined ? item.width / 2 : x, y === undefined ? item.height / 2 : y,
                           Qt.LeftButton, 0, -1), kind)
    }
    // A frame of what the window holds now; an idle window draws none by itself.
    function rendered(window) {
        window.update()
        waitForRendering(window.contentItem)
    }
}
