import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The results of a finished test: verdict, the code line of a failed test, the parameters
// as run (or the tan delta verdicts), where the results went and why the test ended.
// `measurement` is the results view model of the test just run, or a stored test that the
// history opened (isLoadedData).
VlfPage {
    id: page

    property int mode: 0
    property var measurement: null
    property var measurementData: null
    property var preparationParameters: []
    property var testParameters: []
    property bool usbWasConnected: false
    property bool isLoadedData: false
    // The history row of a stored test, for the edits of stored tests.
    property int activityType: 0
    readonly property bool tanDeltaMode: mode === OperatingMode.TanDelta || mode === OperatingMode.MWTStep
    // The last test's results still stand until this one's are taken.
    readonly property bool waiting: !isLoadedData && measurement !== null && measurement.pending === true
    // A test just run takes a comment only once it left a record.
    readonly property bool recorded: isLoadedData || (measurement !== null && measurement.recordStored === true)
    readonly property bool passed: measurement !== null
                                   && (measurement.testResult === TestResult.Passed
                                       || measurement.testResult === TestResult.Done)
    // Re-read when the list is rebuilt; the opener's copy would hold the old items.
    property int listRevision: 0
    readonly property var shownTestParameters: {
        listRevision
        return testParameters
    }
    readonly property alias verdictIcon: verdictIcon
    readonly property alias verdictText: verdictText
    readonly property alias codeLine: codeLine
    readonly property alias statusText: statusText
    readonly property alias detailText: detailText
    readonly property alias properties: properties
    readonly property alias tanDeltaSummary: tanDeltaSummary
    readonly property alias addInfoButton: addInfo
    readonly property alias detailsButton: details
    readonly property alias restartButton: restart
    readonly property alias returnButton: returnButton
    readonly property alias shareButton: share
    readonly property alias editCableButton: editCable

    function twoDigits(n) {
        return (n < 10 ? "0" : "") + n
    }
    // "#cause.contact [0xstatus]" for the service staff.
    function codeText() {
        if (!measurement)
            return ""
        var circuit = Math.ceil(Math.max(1, Math.log(measurement.safetyCircuitState) / Math.LN2))
        var status = measurement.hvUnitState >>> 0
        var hex = status.toString(16).toUpperCase()
        while (hex.length < 4)
            hex = "0" + hex
        return "#" + twoDigits(measurement.testResultDetail) + "." + twoDigits(circuit) + " "
               + (status > 0 ? "[0x" + hex + "]" : "")
    }
    function openComment() {
        StackView.view.push(Qt.resolvedUrl("CommentEditPage.qml"), { "measurement": page.measurement })
    }
    function openDetails() {
        if (tanDeltaMode) {
            StackView.view.push(Qt.resolvedUrl("MeasurementTanDeltaResultsPage.qml"),
                                { "title": page.title, "tanDelta": page.measurement.tanDelta })
            return
        }
        StackView.view.push(Qt.resolvedUrl("MeasurementDataDetailsPage.qml"),
                            { "measurementData": page.measurementData, "mode": page.mode })
    }
    function openShare() {
        StackView.view.push(Qt.resolvedUrl("SharePage.qml"),
                            { "fileName": page.measurement.filename,
                              "filePath": page.isLoadedData ? page.measurement.filepath : "" })
    }
    function editCable() {
        var cable = StackView.view.push(Qt.resolvedUrl("CableDataPage.qml"),
                                        { "title": page.title, "number": page.measurement.getCableNumber() })
        cable.confirmed.connect(function(number) {
            guiViewModel.activities.setLoadedDataCableNumber(number)
            cable.close()
        })
    }
    function leave() {
        if (!isLoadedData)
            guiViewModel.confirmTestResults()
        // The history shows what is stored now.
        guiViewModel.activities.loadActivityList()
        page.close()
    }

    Connections {
        target: page.measurement
        ignoreUnknownSignals: true
        function onTestFinished() { page.listRevision++ }
    }

    Item {
        id: content
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - Style.margin * 4
        height: page.flickable.height - Style.margin * 4

        Column {
            id: verdict
            width: parent.width - sidePanel.width - Style.margin * 2
            spacing: Style.margin

            Image {
                id: verdictIcon
                objectName: "verdictIcon"
                anchors.horizontalCenter: parent.horizontalCenter
                source: page.waiting ? "qrc:/icons/hourglass-empty.svg"
                                     : (page.passed ? "qrc:/icons/passed.svg" : "qrc:/icons/failed.svg")
                sourceSize.width: Style.hugeIconSize
                sourceSize.height: Style.hugeIconSize
            }
            Text {
                id: verdictText
                objectName: "verdictText"
                width: parent.width
                visible: !page.waiting
                text: page.measurement ? page.measurement.resultString : ""
                color: page.passed ? Style.success : Style.failure
                font.pixelSize: Style.titleFontSize
                font.bold: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
            }
            Text {
                id: codeLine
                objectName: "codeLine"
                width: parent.width
                visible: !page.waiting && !page.passed
                text: page.codeText()
                color: Style.foreground
                font.pixelSize: Style.fontSize
                font.family: "monospace"
                horizontalAlignment: Text.AlignHCenter
            }
        }

        Item {
            id: sidePanel
            anchors.right: parent.right
            width: Style.sidePanelWidth
            height: page.tanDeltaMode ? tanDeltaSummary.height : properties.height

            TestPropertiesItem {
                id: properties
                width: parent.width
                visible: !page.tanDeltaMode
                preparationParameters: page.preparationParameters
                testParameters: page.shownTestParameters
            }
            TanDeltaResultItem {
                id: tanDeltaSummary
                width: parent.width
                visible: page.tanDeltaMode
                tanDelta: page.tanDeltaMode && page.measurement ? page.measurement.tanDelta : null
            }
        }

        Item {
            id: statusArea
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: Math.max(statusText.implicitHeight, detailText.implicitHeight)
            visible: !page.waiting

            Text {
                id: statusText
                objectName: "resultStatus"
                width: parent.width * 0.45
                anchors.bottom: parent.bottom
                text: !page.recorded ? qsTranslate("TestData", "TestResultsNotSaved")
                      : qsTranslate("TestData", page.isLoadedData ? "TestResultsLoaded"
                                    : (page.usbWasConnected ? "TestResultsSavedAtUsb" : "TestResultsSaved"))
                        + "\n" + qsTranslate("TestData", "UseShareToExportResults")
                color: Style.foreground
                font.pixelSize: Style.smallFontSize
                wrapMode: Text.WordWrap
            }
            Text {
                id: detailText
                objectName: "resultDetail"
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                width: parent.width * 0.55 - Style.margin * 2
                text: page.measurement ? page.measurement.resultDetailString : ""
                textFormat: Text.RichText
                color: Style.foreground
                font.pixelSize: Style.fontSize
                horizontalAlignment: Text.AlignRight
                wrapMode: Text.WordWrap
            }
        }
    }

    buttons: [
        VlfButton {
            id: addInfo
            objectName: "addInfoButton"
            text: page.isLoadedData ? qsTranslate("Menu", "EditInfo") : qsTranslate("Menu", "AddInfo")
            enabled: page.recorded && !page.waiting
            onClicked: page.openComment()
        },
        VlfButton {
            id: editCable
            objectName: "editCableButton"
            text: qsTranslate("Menu", "EditCable")
            visible: page.isLoadedData
            onClicked: page.editCable()
        },
        VlfButton {
            id: share
            objectName: "shareButton"
            text: qsTranslate("Menu", "Share")
            enabled: !page.waiting && page.measurement !== null && page.measurement.filename.length > 0
            onClicked: page.openShare()
        },
        VlfButton {
            id: details
            objectName: "detailsButton"
            text: qsTranslate("Menu", "Details")
            enabled: !page.waiting && (page.tanDeltaMode ? page.measurement !== null : page.measurementData !== null)
            onClicked: page.openDetails()
        },
        VlfButton {
            id: restart
            objectName: "restartButton"
            text: qsTranslate("Menu", "Restart")
            visible: !page.isLoadedData && guiViewModel.isRestartAble
            enabled: !page.waiting
            onClicked: {
                guiViewModel.restartTest()
                page.replaceWith(Qt.resolvedUrl("TestConfirmationPage.qml"))
            }
        },
        VlfButton {
            id: returnButton
            objectName: "returnButton"
            text: qsTranslate("Dialog", "Return")
            enabled: !page.waiting
            onClicked: page.leave()
        }
    ]
}
