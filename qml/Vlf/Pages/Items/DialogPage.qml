import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// The modal layer over the pages. A question waits for its answer, so it shows over any
// wait or progress; of those two the one that changed last shows.
Page {
    id: page

    readonly property bool isDialogPage: true
    readonly property var wait: guiViewModel.waitList.length > 0 ? guiViewModel.waitList[0] : null
    readonly property var progress: guiViewModel.progressList.length > 0 ? guiViewModel.progressList[0] : null
    readonly property var question: guiViewModel.questionList.length > 0 ? guiViewModel.questionList[0] : null
    readonly property var shown: question !== null ? question : newest([wait, progress])
    readonly property string kind: shown === null ? "" : shown === question ? "question"
                                                         : shown === progress ? "progress" : "wait"
    readonly property string acceptText: question ? guiViewModel.questionButtonText(question.value,
                                                        guiViewModel.questionAcceptedResult()) : ""
    readonly property string rejectText: question ? guiViewModel.questionButtonText(question.value,
                                                        guiViewModel.questionRejectedResult()) : ""
    property alias confirmButton: confirmButton
    property alias cancelButton: cancelButton
    property alias navigation: navigation

    function newest(entries) {
        var best = null
        for (var i = 0; i < entries.length; ++i) {
            if (entries[i] && (best === null || entries[i].timestamp > best.timestamp))
                best = entries[i]
        }
        return best
    }

    function answer(result) {
        if (question)
            guiViewModel.hideQuestion(question.value, result)
    }

    background: Rectangle { color: Style.background }

    Column {
        anchors.centerIn: parent
        width: page.width - 8 * Style.margin
        spacing: Style.margin * 2

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: Style.iconSize * 2
            height: width
            radius: width / 2
            color: Style.inactive
            Image {
                id: icon
                anchors.centerIn: parent
                source: page.shown ? page.shown.icon : ""
                sourceSize.height: Style.iconSize * 1.5
                RotationAnimator on rotation {
                    running: page.kind === "wait" || page.kind === "progress"
                    from: 0
                    to: 360
                    duration: 2000
                    loops: Animation.Infinite
                }
            }
        }

        Text {
            objectName: "dialogText"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: page.shown ? page.shown.name : ""
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }

        ProgressBar {
            objectName: "dialogProgress"
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width * 0.8
            visible: page.kind === "progress"
            value: page.kind === "progress" ? page.progress.value : 0
        }

        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: Style.margin * 4
            visible: page.kind === "question"

            VlfButton {
                id: confirmButton
                objectName: "confirmButton"
                doubleIsOne: true
                text: page.acceptText
                visible: text.length > 0
                onClicked: page.answer(guiViewModel.questionAcceptedResult())
            }
            VlfButton {
                id: cancelButton
                objectName: "cancelButton"
                text: page.rejectText
                visible: text.length > 0
                onClicked: page.answer(guiViewModel.questionRejectedResult())
            }
        }
    }

    VlfNavigation {
        id: navigation
        focus: true
        scope: page
        Component.onCompleted: {
            addNavElement(confirmButton, false, false)
            addNavElement(cancelButton, false, false)
        }
    }

    // Hidden buttons keep no focus: a press meant for nothing must not wait in one for the
    // next question.
    onKindChanged: {
        if (kind === "question")
            focusFirstButton()
        else {
            confirmButton.focus = false
            cancelButton.focus = false
        }
    }
    StackView.onActivated: if (kind === "question") focusFirstButton()

    function focusFirstButton() {
        if (!navigation.jumpTo(confirmButton, false))
            navigation.jumpTo(cancelButton, false)
    }
}
