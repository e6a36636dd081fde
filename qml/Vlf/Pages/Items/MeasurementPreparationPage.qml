import QtQuick 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The high voltage is on and the HV unit prepares the test: load detection, effective
// test parameters. Leads on to the live values, to the reduced-frequency question or,
// when the test ends here, to its results.
VlfPage {
    id: page

    readonly property var prepare: guiViewModel.prepare
    property string detail: qsTranslate("Statemachine", "SystemPreparingMode")
    property bool done: false
    readonly property alias hvOffButton: hvOff
    readonly property alias statusText: statusText
    readonly property alias detailText: detailText
    readonly property alias properties: properties

    title: guiViewModel.getModeString()

    function moveOn(url, properties) {
        page.done = true
        page.replaceWith(url, properties)
    }

    Connections {
        target: page.prepare
        enabled: !page.done

        function onWaitForLoadDetection() { page.detail = qsTranslate("ErrorMessages", "LoadDetection") }
        function onWaitForEffTestParamerters() {
            page.detail = qsTranslate("ErrorMessages", "EffectiveTestParameters")
        }
        function onTestStarted() {
            page.moveOn(Qt.resolvedUrl("MeasurementPage.qml"), { "remainingShown": true })
        }
        function onWaitForConfirmation() { page.moveOn(Qt.resolvedUrl("MeasurementReducedFrequencyPage.qml")) }
        function onTestFinished() {
            if (!page.visible)
                return
            page.moveOn(Qt.resolvedUrl("MeasurementResultsPage.qml"), {
                "title": page.title,
                "mode": guiViewModel.mode,
                "measurement": guiViewModel.results,
                "measurementData": guiViewModel.measure.measurementData,
                "preparationParameters": page.prepare.preparationParameters,
                "testParameters": page.prepare.shownTestParameters
            })
        }
    }

    Row {
        x: Style.margin * 2
        y: Style.margin * 2
        width: parent.width - Style.margin * 4
        spacing: Style.margin * 2

        Image {
            source: "qrc:/icons/warning.svg"
            sourceSize.width: Style.hugeIconSize
            sourceSize.height: Style.hugeIconSize
        }
        Column {
            width: parent.width - Style.hugeIconSize - Style.margin * 2
            spacing: Style.margin * 2

            Text {
                id: statusText
                objectName: "preparationStatus"
                width: parent.width
                text: qsTranslate("Statemachine", "PreparingMeasurement") + " "
                      + qsTranslate("Units", "ValueSeconds", "value with unit seconds").arg(page.prepare.time)
                color: Style.foreground
                font.pixelSize: Style.largeFontSize
                font.bold: true
                wrapMode: Text.WordWrap
            }
            Text {
                id: detailText
                objectName: "preparationDetail"
                width: parent.width
                text: page.detail
                color: Style.foreground
                font.pixelSize: Style.fontSize
                wrapMode: Text.WordWrap
            }
            TestPropertiesItem {
                id: properties
                width: parent.width
                preparationParameters: page.prepare.preparationParameters
                testParameters: page.prepare.shownTestParameters
            }
        }
    }

    buttons: [
        VlfButton {
            id: hvOff
            objectName: "hvOffButton"
            stopping: true
            text: qsTranslate("Menu", "HvOff")
            onClicked: guiViewModel.abortTest()
        }
    ]
}
