import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Controls.Material 2.15
import QtQuick.VirtualKeyboard.Settings 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0
import Vlf.Pages.Items 1.0

// The one window of the instrument.
ApplicationWindow {
    id: window

    property Item lastActiveFocusItem: null
    property bool backfeedTrigger: false
    readonly property string keyboardLocale: KeyboardLocale.forLanguage(guiViewModel.settings.language)
    readonly property bool keyboardFromTop: keyboard.fromTop
    property alias pageStack: pageStack
    property alias errorStack: errorStack
    property alias headerBar: headerBar
    property alias keyboard: keyboard
    property alias remoteFrame: remoteFrame
    property alias body: body

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

    function checkDialogs() {
        var pending = guiViewModel.waitList.length + guiViewModel.questionList.length
                      + guiViewModel.progressList.length > 0
        var top = pageStack.currentItem
        var dialogOnTop = top !== null && top.isDialogPage === true
        if (pending && !dialogOnTop && !backfeedTrigger)
            pageStack.push(dialogPage, { "title": top ? top.title : "" })
        else if (!pending && dialogOnTop)
            pageStack.pop()
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
        function onBackfeedDetected() {
            if (window.backfeedTrigger)
                return
            window.backfeedTrigger = true
            errorStack.push(backfeedPage, { "title": qsTranslate("ErrorMessages", "BackfeedDetected") })
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

    Component { id: mainPage; MainPage {} }
    Component { id: dialogPage; DialogPage {} }
    Component { id: backfeedPage; BackfeedPage {} }

    header: HeaderBar {
        id: headerBar
        visible: !guiViewModel.remoteControlled
        title: errorStack.visible ? (errorStack.currentItem ? errorStack.currentItem.title : "")
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

    KeyboardPanel {
        id: keyboard
        objectName: "keyboard"
        width: parent.width
        body: body
        z: 10
    }
}
