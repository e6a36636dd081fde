import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.Controls 1.0
import Vlf.GUI 1.0
import Vlf.Pages.Items 1.0
import Vlf.Styles 1.0

Item {
    id: root

    property var window: null

    Component {
        id: longTitlePage
        Page {
            title: "A page title far too long to fit into the header bar of the window, so it has to scroll along"
        }
    }
    Component {
        id: scrollingText
        ScrollingText {
            text: "A message far too long for a box that the layout has not measured yet"
        }
    }
    Component {
        id: fieldPage
        Page {
            title: "Fields"
            property alias upper: upper
            property alias lower: lower
            VlfTextField { id: upper; y: 20; width: 200 }
            VlfTextField { id: lower; y: 370; width: 200 }
        }
    }
    Component {
        id: numberPage
        Page {
            title: "Numbers"
            property alias digits: digits
            property alias name: name
            VlfTextField { id: digits; y: 20; width: 200; inputMethodHints: Qt.ImhDigitsOnly }
            VlfTextField { id: name; y: 80; width: 200; inputMethodHints: Qt.ImhNoPredictiveText }
        }
    }

    VlfTestCase {
        name: "MainWindow"

        function init() {
            testHelper.clearLists()
            testHelper.setRemoteControlled(false, "")
            var component = Qt.createComponent("qrc:/Vlf/main.qml")
            compare(component.status, Component.Ready, component.errorString())
            root.window = component.createObject(null)
            verify(root.window)
            tryCompare(root.window, "visible", true)
            root.window.requestActivate()
            tryCompare(root.window, "active", true)
        }
        function testCleanup() {
            testHelper.clearLists()
            guiViewModel.setInputPanelActive(false)
            var w = root.window
            root.window = null
            testHelper.destroyNow(w)
        }

        function test_messageReplacesAScrollingTitleAndRestartsIt() {
            var title = window.headerBar.titleText
            window.pageStack.push(longTitlePage)
            compare(title.text, window.pageStack.currentItem.title)
            verify(title.overflowing)
            tryVerify(function() { return title.offset < -20 }, 6000)

            guiViewModel.showInfo("Saved")
            compare(title.text, "Saved")
            compare(title.offset, 0)
            verify(window.headerBar.message !== null)
            compare(String(window.headerBar.message.value), "#FF747474")
            verify(findChild(window.headerBar, "messageIcon").visible)
            // A short text fits and does not scroll.
            verify(!title.scrolling)
        }

        // The header lays its title out after its icons; until then the box has no width.
        function test_scrollingTextWaitsForItsWidth() {
            var text = createTemporaryObject(scrollingText, root, { "width": -150 })
            verify(!text.scrolling)
            text.width = 0
            verify(!text.scrolling)
            text.width = 120
            verify(text.scrolling)
        }

        // The burn icon shows in the failure colour while the burn mode is on; the lost HV
        // link shows as an error in the header.
        function test_headerShowsBurnAndLostLink() {
            var burn = findChild(window.headerBar, "burnIcon")
            testHelper.setBurn(true)
            tryCompare(burn, "visible", true)
            guiViewModel.showError(qsTranslate("Dialog", "CommunicationDown"))
            compare(window.headerBar.titleText.text, "Communication is down")
            rendered(window)
            verify(testHelper.colourShare(window, burn, Style.failure) > 0.2)
            verify(testHelper.saveScreenshot(window, "header-communication-down"))
            testHelper.setBurn(false)
            tryCompare(burn, "visible", false)
        }

        // Burn mode is stored per test mode: after a mode change the sign shows the new mode's.
        function test_burnSignFollowsTheMode_data() {
            return [{ tag: "sine on, DC off", sine: true, dc: false },
                    { tag: "sine off, DC on", sine: false, dc: true }]
        }
        function test_burnSignFollowsTheMode(data) {
            var burn = findChild(window.headerBar, "burnIcon")
            var modes = [[OperatingMode.VLFSin, data.sine], [OperatingMode.DC, data.dc]]
            for (var set = 0; set < 3; ++set) // stored, shown, back off
                for (var i = 0; i < 2; ++i) {
                    testHelper.setOperatingMode(modes[i][0])
                    if (set === 1)
                        tryCompare(burn, "visible", modes[i][1])
                    else
                        testHelper.setBurn(set === 0 && modes[i][1])
                }
            testHelper.setOperatingMode(OperatingMode.None)
        }

        function test_keyboardLocaleFollowsTheLanguage() {
            testHelper.setLanguage("Norwegian", "Norsk")
            compare(guiViewModel.settings.language, "Norsk")
            compare(window.keyboardLocale, "nb_NO")
            testHelper.setLanguage("Elvish", "Quenya")
            compare(window.keyboardLocale, "en_GB")
            testHelper.setLanguage("English", "English")
            compare(window.keyboardLocale, "en_GB")
        }

        function test_keyboardLocaleTableKnowsBothSpellings() {
            var names = [["Čeština", "cs_CZ"], ["Ceština", "cs_CZ"], ["Română", "ro_RO"], ["Româna", "ro_RO"],
                         ["Slovenčina", "sk_SK"], ["Slovencina", "sk_SK"], ["Slovenščina", "sl_SI"],
                         ["Slovenšcina", "sl_SI"], ["Deutsch", "de_DE"], ["漢語", "zh_TW"], ["Tiếng Việt", "vi_VN"]]
            for (var i = 0; i < names.length; ++i)
                compare(KeyboardLocale.forLanguage(names[i][0]), names[i][1], names[i][0])
            compare(KeyboardLocale.forLanguage(""), "en_GB")
        }

        function test_fieldInTheLowerHalfBringsTheKeyboardFromTheTop() {
            var page = window.pageStack.push(fieldPage)
            page.lower.forceActiveFocus()
            guiViewModel.setInputPanelActive(true)
            tryCompare(window.keyboard, "visible", true)
            verify(window.keyboardFromTop)
            compare(window.keyboard.y, 0)

            page.upper.forceActiveFocus()
            verify(!window.keyboardFromTop)
            compare(window.keyboard.y + window.keyboard.height, window.contentItem.height)

            // Every focus change clears the suggestions.
            guiViewModel.setInputPanelSuggestions(["K-1", "K-2"])
            compare(findChild(window.keyboard, "suggestionRow").visible, true)
            // A chosen suggestion goes into the focused field.
            window.keyboard.putSuggestion("K-2")
            compare(page.upper.text, "K-2")
            page.lower.forceActiveFocus()
            compare(guiViewModel.inputPanelSuggestions.length, 0)
        }

        function keyOf(item, wanted) {
            for (var i = 0; i < item.children.length; ++i) {
                var c = item.children[i]
                if (c.key !== undefined && c.weight !== undefined && wanted(c))
                    return c
                var found = keyOf(c, wanted)
                if (found)
                    return found
            }
            return null
        }
        function openKeyboardOn(field) {
            field.forceActiveFocus()
            guiViewModel.setInputPanelActive(true)
            Qt.inputMethod.show()
            tryCompare(window.keyboard.inputPanel, "active", true)
        }

        function test_keyboardKeysForOurFields() {
            var page = window.pageStack.push(numberPage)
            var keyboard = window.keyboard.inputPanel.keyboard
            openKeyboardOn(page.digits)
            tryCompare(keyboard, "digitsOnly", true)
            var minus = null
            tryVerify(function() { minus = keyOf(keyboard, function(k) { return k.text === "-" }); return minus !== null })
            compare(minus.displayText, "-")
            compare(keyOf(keyboard, function(k) { return k.key === Qt.Key_Space }), null)
            var language = keyOf(keyboard, function(k) { return k.objectName === "changeLanguageKey" })
            verify(language)
            verify(!language.visible)
            var ok = keyOf(keyboard, function(k) { return k.key === Qt.Key_Return })
            var cancel = keyOf(keyboard, function(k) { return String(k).indexOf("HideKeyboardKey") === 0 })
            compare(ok.text, "")
            compare(ok.displayText, "")
            compare(cancel.displayText, "")

            // What the pressed key reports, and what reaches the field.
            mousePress(minus)
            compare(guiViewModel.activeKeyCode, 45)
            mouseRelease(minus)
            compare(guiViewModel.activeKeyCode, 0)
            compare(page.digits.text, "-")
            mousePress(ok)
            compare(guiViewModel.activeKeyCode, Qt.Key_Enter)
            mouseRelease(ok)
            openKeyboardOn(page.digits)
            mousePress(cancel)
            compare(guiViewModel.activeKeyCode, Qt.Key_Escape)
            mouseRelease(cancel)
            compare(guiViewModel.activeKeyCode, 0)
            compare(page.digits.text, "-")

            // A text field keeps its space; letters report their case.
            openKeyboardOn(page.name)
            tryCompare(keyboard, "digitsOnly", false)
            var space = null
            tryVerify(function() { space = keyOf(keyboard, function(k) { return k.key === Qt.Key_Space }); return space !== null })
            compare(space.text, " ")
            tryVerify(function() {
                var l = keyOf(keyboard, function(k) { return k.objectName === "changeLanguageKey" })
                return l !== null && !l.visible
            })
            var q = keyOf(keyboard, function(k) { return k.text === "q" })
            mousePress(q)
            compare(guiViewModel.activeKeyCode, 81) // the field starts with a capital
            mouseRelease(q)
            mousePress(q)
            compare(guiViewModel.activeKeyCode, 113)
            mouseRelease(q)
            compare(page.name.text, "Qq")
            Qt.inputMethod.hide()
        }

        function test_dialogPageFollowsTheLists() {
            var id = guiViewModel.showQuestion("Delete all?", "Yes", "No")
            tryVerify(function() { return window.dialogLayer.depth === 1 }, 2000)
            var page = window.dialogLayer.currentItem
            compare(page.kind, "question")
            compare(findChild(page, "dialogText").text, "Delete all?")
            compare(page.confirmButton.text, "Yes")
            compare(page.cancelButton.text, "No")
            verify(page.confirmButton.activeFocus)

            // The question stays in front of a newer wait or progress, and a tap beside its
            // buttons answers nothing.
            wait(5)
            var waitId = guiViewModel.showWaitMessage("Working")
            var progressId = guiViewModel.showProgress("Writing", 0, 2, 1, 0)
            guiViewModel.updateProgress(progressId, "Writing 1")
            compare(page.kind, "question")
            verify(page.confirmButton.visible)
            mouseClick(page, 5, page.height - 5)
            compare(guiViewModel.questionList.length, 1)
            guiViewModel.hideWaitMessage(waitId)
            compare(page.kind, "question")

            verify(page.navigation.keyPressed({ "key": Qt.Key_Right }, page.confirmButton))
            verify(page.cancelButton.activeFocus)
            mouseClick(page.cancelButton)
            compare(guiViewModel.questionList.length, 0)
            // A turn and press on the progress alone presses nothing, not even the next
            // question that comes while the press settles.
            compare(page.kind, "progress")
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Return)
            guiViewModel.showQuestion("Downgrade?", "OK", "")
            wait(guiViewModel.settings.dblClickTime + 100)
            compare(guiViewModel.questionList.length, 1)
            guiViewModel.hideProgress(progressId)
            mouseClick(page.confirmButton)
            tryCompare(window.dialogLayer, "depth", 0, 2000)
            compare(window.pageStack.depth, 1)

            guiViewModel.showProgress("Copying", 0, 4, 1, 1)
            compare(window.dialogLayer.currentItem.kind, "progress")
            compare(findChild(window.dialogLayer.currentItem, "dialogProgress").value, 0.25)
        }

        // Two presses on a question's OK answer it once, never the question after it: the
        // knob pressed twice 0.1 s apart, or a tap the window drops right after the question
        // came up and one past that time, which the platform makes a double click.
        function test_pairOnOkAnswersOnce_data() {
            return [{ tag: "knob twice 0.1 s apart", knob: true },
                    { tag: "tap dropped, then one past the guard", knob: false }]
        }
        function test_pairOnOkAnswersOnce(data) {
            guiViewModel.showQuestion("First?", "OK", "")
            guiViewModel.showQuestion("Second?", "OK", "")
            tryVerify(function() { return window.dialogLayer.depth === 1 }, 2000)
            var asked = window.dialogLayer.currentItem.question.name
            var ok = window.dialogLayer.currentItem.confirmButton
            tryVerify(function() { return ok.activeFocus })
            if (data.knob) {
                keyClick(Qt.Key_Return)
                wait(100)
                keyClick(Qt.Key_Return)
            } else {
                verify(testHelper.guardLeft() > 0)
                testHelper.platformTap(ok, 0)
                compare(guiViewModel.questionList.length, 2)
                waitOutGuard()
                testHelper.platformTap(ok, 300)
            }
            tryCompare(guiViewModel.questionList, "length", 1, 2000)
            wait(guiViewModel.settings.dblClickTime + 200)
            compare(guiViewModel.questionList.length, 1)
            verify(guiViewModel.questionList[0].name !== asked)
        }

        function test_noDialogPageWhileBackfeedIsShown() {
            guiViewModel.backfeedDetected()
            verify(window.backfeedTrigger)
            verify(window.errorStack.visible)
            verify(!window.pageStack.visible)
            compare(window.errorStack.currentItem.title, "Backfeed detected")
            compare(window.headerBar.title, "Backfeed detected")
            guiViewModel.showQuestion("Anything?")
            wait(400)
            compare(window.dialogLayer.depth, 0)
        }

        function test_remoteFrameShowsThePeer() {
            verify(!window.remoteFrame.visible)
            testHelper.setRemoteControlled(true, "Service PC")
            verify(window.remoteFrame.visible)
            verify(!window.headerBar.visible)
            verify(!window.body.visible)
            compare(findChild(window.remoteFrame, "remoteText").text, "The instrument is controlled remotely\n\nService PC")
            testHelper.setRemoteControlled(false, "")
            verify(!window.remoteFrame.visible)
            verify(window.headerBar.visible)
        }
    }
}
