import QtQuick 2.15
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// What the confirmation page shows once the test was started, until the high voltage is
// on: the state of the start, a clock when the HV on button was not pressed in time. It
// also leads the page on: to the preparation page once the HV is on, to a fresh
// confirmation page for the next phase, back when the test ended.
Column {
    id: status

    // The confirmation page that holds this item.
    property Item page: null
    // The phase to connect in the single-phase modes.
    property string phaseName: ""
    readonly property bool singlePhase: guiViewModel.mode === OperatingMode.TanDelta
                                        || guiViewModel.mode === OperatingMode.MWTStep
    property bool started: false
    property bool clockVisible: false
    // After the HV on time-out the page offers to start again.
    readonly property bool confirmVisible: clockVisible
    property string header: ""
    property string detail: ""
    // Once the page moved on, later signals are not its business.
    property bool done: false

    // The test is idle again: the page may start it anew.
    signal timedOut()

    // Whether the page shows it: its own visibility follows the page's.
    readonly property bool shown: started || clockVisible

    spacing: Style.margin * 2

    Connections {
        target: guiViewModel.prepare
        enabled: status.page !== null && !status.done

        function onInitTest() {
            status.started = true
            status.clockVisible = false
            status.header = qsTranslate("Statemachine", "SystemPreparingMode")
            status.detail = qsTranslate("Statemachine", "Initialisation")
        }
        function onWaitForHvSignal() {
            status.header = status.singlePhase
                    ? qsTranslate("Statemachine", "ConfirmHVOnSinglePhase").arg(status.phaseName)
                    : qsTranslate("Statemachine", "ConfirmHVOn")
            status.detail = qsTranslate("Statemachine", "PressGreenButton")
        }
        function onHvSignalTimeout() {
            status.started = false
            status.clockVisible = true
            status.header = qsTranslate("Statemachine", "ReleaseHVOn")
            status.detail = qsTranslate("Statemachine", "TimeoutHVOn")
            status.timedOut()
        }
        function onPrepareMeasurement() {
            status.done = true
            status.page.replaceWith(Qt.resolvedUrl("MeasurementPreparationPage.qml"))
        }
        function onWaitPhaseConnect() {
            status.done = true
            status.page.replaceWith(Qt.resolvedUrl("TestConfirmationPage.qml"), { "title": status.page.title })
        }
        // The start was refused for the unit's error (a next phase's: no phase follows): the
        // page that started it goes (the unit's error is told on its own), and with it a start
        // still kept for Idle, as its Cancel would take it.
        function onStartRefused() {
            if (!status.page.visible || !status.page.started)
                return
            status.done = true
            status.page.cancel()
        }
        function onTestFinished() {
            // Only the end of a test this page saw start: a restart's page comes up before
            // the last test's results are taken, and their end is no business of it.
            if (!status.page.visible || !status.started)
                return
            status.done = true
            status.page.close()
        }
    }

    Row {
        spacing: Style.margin * 2

        Image {
            id: clock
            objectName: "startClock"
            visible: status.clockVisible
            source: "qrc:/icons/clock.svg"
            sourceSize.width: Style.iconSize * 1.5
            sourceSize.height: Style.iconSize * 1.5
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            objectName: "startHeader"
            width: status.width - (clock.visible ? clock.width + Style.margin * 2 : 0)
            text: status.header
            color: Style.foreground
            font.pixelSize: Style.largeFontSize
            font.bold: true
            wrapMode: Text.WordWrap
            anchors.verticalCenter: parent.verticalCenter
        }
    }
    Text {
        objectName: "startDetail"
        width: status.width
        // The line stays low while the loop is open: the page says which input holds the start.
        text: guiViewModel.prepare.openSafetyInput !== ""
              ? qsTranslate("Statemachine", "SafetyInputOpen").arg(guiViewModel.prepare.openSafetyInput)
              : status.detail
        color: Style.foreground
        font.pixelSize: Style.fontSize
        wrapMode: Text.WordWrap
    }
}
