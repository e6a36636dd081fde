import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The frame of a commissioning procedure's page: its head line; an error of the
// procedure closes the page and is shown (one after the page has left, the window shows
// in its header); leaving the page by any path (also commissioning switched off) ends the
// run first. Content starts at contentTop.
VlfPage {
    id: page

    property string headline: ""
    property color headlineColor: Style.foreground
    // Where the procedure is, apart from its head line: waiting for the unit's HV-on key,
    // ended with success.
    property bool waitsForHvOnKey: false
    property bool succeeded: false
    // Ends the procedure's run; called once, when the page leaves the stack.
    property var abort: function() {}
    readonly property real contentTop: headlineText.visible
                                       ? headlineText.y + headlineText.height + Style.margin * 2
                                       : Style.margin * 2
    readonly property bool showsProcedureErrors: !hasLeft

    // Without group separators: volts run into the ten thousands.
    function number(value, decimals) { return value.toFixed(decimals).replace(".", Qt.locale().decimalPoint) }
    // Output voltage in volts and current in nanoamperes.
    function outputText(voltage, current) {
        return (voltage / 1000).toLocaleString(Qt.locale(), "f", 1) + " kV   " + Math.trunc(current / 1000) + " µA"
    }
    // Cascade voltages in volts, currents in milliamperes.
    function cascadeText(voltageA, voltageB, currentA, currentB) {
        return "A " + (voltageA / 1000).toLocaleString(Qt.locale(), "f", 1) + " kV "
               + currentA.toLocaleString(Qt.locale(), "f", 1) + " mA   B "
               + (voltageB / 1000).toLocaleString(Qt.locale(), "f", 1) + " kV "
               + currentB.toLocaleString(Qt.locale(), "f", 1) + " mA"
    }

    function fail(message) {
        if (!showsProcedureErrors)
            return
        // First: the page is gone once it has closed.
        guiViewModel.showError(message, "OK")
        close()
    }

    onLeaving: abort()

    Connections {
        target: guiViewModel.commissioning
        function onErrorDescription(message) { page.fail(message) }
    }
    Connections {
        target: guiViewModel
        function onCommissioningEnabledChanged() {
            if (!guiViewModel.commissioningEnabled)
                page.close()
        }
    }

    Text {
        id: headlineText
        objectName: "headline"
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - 4 * Style.margin
        visible: text.length > 0
        text: page.headline
        color: page.headlineColor
        font.pixelSize: 26
        font.bold: true
        wrapMode: Text.WordWrap
    }
}
