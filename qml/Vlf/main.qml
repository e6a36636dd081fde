import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Controls.Material 2.15
import QtQuick.VirtualKeyboard.Settings 2.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Styles 1.0
import Vlf.Pages.Items 1.0

// The one window of the instrument.
ApplicationWindow {
    id: window

    property Item lastActiveFocusItem: null
    property bool backfeedTrigger: false
    // The procedure page shown last: it shows its procedure's errors until it has left.
    property Item procedurePage: null
    readonly property string keyboardLocale: KeyboardLocale.forLanguage(guiViewModel.settings.language)
    readonly property bool keyboardFromTop: keyboard.fromTop
    // The pages do not take the encoder while something else is shown over them.
    readonly property bool pagesCovered: dialogLayer.depth > 0 || backfeedTrigger || guiViewModel.remoteControlled
    property alias pageStack: pageStack
    property alias dialogLayer: dialogLayer
    property alias errorStack: errorStack
    property alias headerBar: headerBar
    property alias keyboard: keyboard
    property alias remoteFrame: remoteFrame
    property alias body: body
    property alias screenshotComposer: screenshotComposer
    property alias inputGuard: inputGuard

    width: Style.windowWidth
    height: Style.windowHeight
    visible: true
    title: guiViewModel.systemName
    Material.theme: Style.currentTheme === 1 ? Material.Dark : Material.Light

    Component.onCompleted: {
        Style.currentTheme = guiViewModel.settings.theme
        dialogTimer.start()
    }

    // Gives the focus back to the last navigated control, moving its page's navigation there.
    function restoreFocus() {
        var item = lastActiveFocusItem
        if (!item || !item.vlfNavigationClient || !item.vlfNavigationClient.vlfNavigation)
            return false
        return item.vlfNavigationClient.vlfNavigation.jumpTo(item, false)
    }

    // The dialog page lives on its own layer over the pages, so that no page can pop it.
    function checkDialogs() {
        var pending = guiViewModel.waitList.length + guiViewModel.questionList.length
                      + guiViewModel.progressList.length > 0
        var shown = dialogLayer.depth > 0
        var top = pageStack.currentItem
        if (pending && !shown && !backfeedTrigger)
            dialogLayer.push(dialogPage, { "title": top ? top.title : "" })
        else if (!pending && shown)
            dialogLayer.clear()
    }

    // A picture of what the operator sees goes to the stick; a second request while one
    // is taken is ignored.
    function takeScreenshot() {
        if (screenshotComposer.busy)
            return
        if (guiViewModel.connections.usbState === Qt.Checked)
            screenshotComposer.take(headerBar, body)
        else
            guiViewModel.showError("No USB Device found!", "OK")
    }

    onActiveFocusItemChanged: {
        guiViewModel.setInputPanelSuggestions([])
        var item = activeFocusItem
        if (item && item.vlfNavigationClient !== undefined)
            lastActiveFocusItem = item
        if (keyboard.shown)
            keyboard.placeFor(item)
    }

    Binding {
        target: VirtualKeyboardSettings
        property: "locale"
        value: window.keyboardLocale
    }
    Binding {
        target: VirtualKeyboardSettings
        property: "activeLocales"
        value: [window.keyboardLocale]
    }

    Connections {
        target: guiViewModel
        function onWaitListChanged() { dialogTimer.restart() }
        function onQuestionListChanged() { dialogTimer.restart() }
        function onProgressListChanged() { dialogTimer.stop(); window.checkDialogs() }
        function onScreenshotTrigger() { window.takeScreenshot() }
        function onBackfeedDetected() {
            if (window.backfeedTrigger)
                return
            window.backfeedTrigger = true
            errorStack.push(backfeedPage, { "title": qsTranslate("ErrorMessages", "BackfeedDetected") })
        }
    }
    Connections {
        target: pageStack
        function onCurrentItemChanged() {
            var page = pageStack.currentItem
            if (page && page.showsProcedureErrors !== undefined)
                window.procedurePage = page
        }
    }
    // An error that comes after its page has gone (the unit's old values not restored once
    // the operator went on) still has to reach the operator: in the header.
    Connections {
        target: guiViewModel.commissioning
        function onErrorDescription(message) {
            if (!window.procedurePage || !window.procedurePage.showsProcedureErrors)
                guiViewModel.showError(message)
        }
    }
    Connections {
        target: guiViewModel.settings
        function onThemeChanged() { Style.currentTheme = guiViewModel.settings.theme }
    }
    Connections {
        target: keyboard
        function onShownChanged() {
            if (keyboard.shown)
                keyboard.placeFor(window.activeFocusItem)
        }
    }

    Timer {
        id: dialogTimer
        interval: 100
        repeat: false
        onTriggered: window.checkDialogs()
    }

    // A press or tap right after what is shown changed was meant for what was there before.
    InputGuard {
        id: inputGuard
        doubleClickTime: guiViewModel.settings.dblClickTime
        front: errorStack.visible ? errorStack.currentItem
               : guiViewModel.remoteControlled ? remoteFrame
               : dialogLayer.depth > 0 ? (dialogLayer.currentItem ? dialogLayer.currentItem.shown : null)
               : pageStack.currentItem
    }

    Component { id: mainPage; MainPage {} }
    Component { id: dialogPage; DialogPage {} }
    Component { id: backfeedPage; BackfeedPage {} }

    header: HeaderBar {
        id: headerBar
        visible: !guiViewModel.remoteControlled
        screenshotBusy: screenshotComposer.busy
        onScreenshotRequested: window.takeScreenshot()
        title: errorStack.visible ? (errorStack.currentItem ? errorStack.currentItem.title : "")
               : dialogLayer.currentItem ? dialogLayer.currentItem.title
               : (pageStack.currentItem ? pageStack.currentItem.title : "")
    }

    Item {
        id: body
        anchors.fill: parent
        visible: !guiViewModel.remoteControlled

        StackView {
            id: pageStack
            objectName: "pageStack"
            anchors.fill: parent
            focus: true
            visible: !errorStack.visible
            initialItem: mainPage
            pushEnter: Transition {}
            pushExit: Transition {}
            popEnter: Transition {}
            popExit: Transition {}
            replaceEnter: Transition {}
            replaceExit: Transition {}
        }

        Item {
            anchors.fill: parent
            visible: dialogLayer.depth > 0 && !errorStack.visible

            // Touches meant for the page below go nowhere.
            MouseArea {
                anchors.fill: parent
                acceptedButtons: Qt.AllButtons
                onWheel: wheel.accepted = true
            }
            StackView {
                id: dialogLayer
                objectName: "dialogLayer"
                anchors.fill: parent
                pushEnter: Transition {}
                pushExit: Transition {}
                popEnter: Transition {}
                popExit: Transition {}
                replaceEnter: Transition {}
                replaceExit: Transition {}
            }
        }

        StackView {
            id: errorStack
            objectName: "errorStack"
            anchors.fill: parent
            visible: window.backfeedTrigger
            pushEnter: Transition {}
            pushExit: Transition {}
        }
    }

    RemoteFrame {
        id: remoteFrame
        objectName: "remoteFrame"
        anchors.fill: parent
        visible: guiViewModel.remoteControlled
    }

    ScreenshotComposer {
        id: screenshotComposer
        onFailed: console.warn("The screenshot could not be taken")
    }

    KeyboardPanel {
        id: keyboard
        objectName: "keyboard"
        width: parent.width
        body: body
        z: 10
    }
}
