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
    // A frame of what the window holds now; an idle window draws none by itself.
    function rendered(window) {
        window.update()
        waitForRendering(window.contentItem)
    }
}
