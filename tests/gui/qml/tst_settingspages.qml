import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Vlf.GUI 1.0
import Vlf.Styles 1.0

// The settings pages in the real window, operated with the encoder: Right/Left turn,
// Return presses.
Item {
    id: root

    WindowTestCase {
        name: "SettingsPages"

        function init() { openWindow() }
        function restore() {
            guiViewModel.settings.lockServiceMenu()
            guiViewModel.settings.lockRyxMenu()
            guiViewModel.settings.lockAdminMenu()
        }

        // Main page, Settings, System: the theme, the brightness, the formats, the clock.
        function test_systemSettings() {
            var settings = openSettings()
            shot("settings")
            var system = openPage(child(settings, "systemEntry"), "systemSettingsPage")
            compare(child(system, "languageFallback").visible, true)
            // The theme list is focused first; the knob walks it and picks "Dark".
            tryCompare(system.themeList, "activeFocus", true)
            turn(Qt.Key_Right)
            press()
            compare(guiViewModel.settings.theme, 1)
            compare(Style.currentTheme, 1)
            shot("system-dark")
            system.themeList.choose(0)
            compare(Style.currentTheme, 0)

            // With a language list the fallback text gives way to the list.
            testHelper.setLanguage("German", "Deutsch")
            tryCompare(system.languageList, "count", 1)
            verify(!child(system, "languageFallback").visible)
            compare(system.languageList.selectedIndex, 0)

            // Passing over the slider leaves it; a press edits, the next one ends editing.
            turnTo(system.brightness)
            var before = testHelper.brightness()
            turn(Qt.Key_Right)
            verify(!system.brightness.activeFocus)
            compare(testHelper.brightness(), before)
            turn(Qt.Key_Left)
            press()
            verify(system.brightness.editing)
            turn(Qt.Key_Left, 3)
            compare(testHelper.brightness(), before - 3)
            compare(guiViewModel.settings.brightness, before - 3)
            press()
            verify(!system.brightness.editing)

            turnTo(system.dateFormatList)
            turn(Qt.Key_Right)
            press()
            compare(guiViewModel.settings.dateFormatString, "MM/dd/yyyy")
            pressOn(system.timeFormatList)
            compare(guiViewModel.settings.timeFormatString, "HH:mm:ss")
            tryVerify(function() { return /^[0-9]{2}\/[0-9]{2}\/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}$/
                                          .test(child(system, "clockText").text) })
            shot("system-formats")
        }

        // The date and time editor sets the fake clock; a refused time shows a warning and
        // puts the editor back to now.
        function test_dateTimeReachesTheClock() {
            var system = openFromSettings("systemEntry", "systemSettingsPage")
            var editor = system.dateTimeEditor
            var zone = child(editor, "zoneSpin")
            var times = testHelper.systemTimes().length
            var at = { yearSpin: 2030, monthSpin: 2, daySpin: 28, hourSpin: 13, minuteSpin: 5 }
            for (var spin in at)
                child(editor, spin).value = at[spin]
            var offset = editor.zoneOffset(zone.value)
            turnTo(editor.setButton)
            shot("system-datetime")
            press()
            tryCompare(testHelper.systemTimes(), "length", times + 1)
            var set = testHelper.systemTimes()[times]
            compare(set[0], Date.UTC(2030, 1, 28, 13, 5) / 1000 - offset)
            compare(set[1], offset)
            tryCompare(guiViewModel.messageList, "length", 1)
            compare(guiViewModel.messageList[0].name, qsTranslate("Dialog", "DateTimeChanged"))

            testHelper.clearLists()
            testHelper.setClockResult(false)
            child(editor, "yearSpin").value = 2031
            press()
            testHelper.setClockResult(true)
            tryCompare(guiViewModel.messageList, "length", 1)
            compare(guiViewModel.messageList[0].name, qsTranslate("Dialog", "CantChangeDateTime"))
            compare(child(editor, "yearSpin").value, new Date().getFullYear())
        }

        // The graph interval by the knob, a phase name, and snap points written on Confirm only.
        function test_measurementSettings() {
            var page = openFromSettings("measurementEntry", "measurementSettingsPage")
            var interval = guiViewModel.settings.graphUpdateIntervall
            tryCompare(page.interval, "activeFocus", true)
            press()
            turn(Qt.Key_Right, 2)
            press()
            compare(guiViewModel.settings.graphUpdateIntervall, interval + 20)

            var l1 = child(page, "phaseName0")
            turnTo(l1)
            typeText(l1, "R")
            turn(Qt.Key_Right, 2)
            verify(!l1.activeFocus)
            compare(guiViewModel.phaseNameL1, "R")
            shot("measurement")

            // A copy: the property reads the stored list anew on every access.
            var stored = Array.from(guiViewModel.settings.voltageSnapsTestVoltage)
            var snaps = openPage(child(page, "testVoltageSnapsEntry"), "voltageSnapPage")
            compare(snaps.sliders.count, stored.length)
            var first = snaps.sliders.itemAt(0).slider
            tryCompare(first, "activeFocus", true)
            press()
            turn(Qt.Key_Left, 5)
            press()
            snaps.sliders.itemAt(1).slider.value = 0
            compare(snaps.sliders.itemAt(1).valueText, qsTranslate("Settings", "Off"))
            shot("voltage-snaps")
            compare(guiViewModel.settings.voltageSnapsTestVoltage, stored) // nothing before Confirm
            pressOn(child(snaps, "confirmButton"))
            tryCompare(stack().currentItem, "objectName", "measurementSettingsPage")
            var written = guiViewModel.settings.voltageSnapsTestVoltage
            compare(written.length, stored.length)
            compare(written[0], Math.round(stored[0] * 10 - 5) / 10)
            compare(written[1], 0)
            compare(written[2], stored[2])
        }

        // Locked: only the password. A wrong one is marked and keeps the focus; on a fresh
        // database the factory one opens the entries. Tan delta settings and steps lie behind it.
        function test_adminMenu() {
            verify(testHelper.freshDatabase())
            var admin = openFromSettings("adminEntry", "adminSettingsPage")
            var field = admin.prompt.field
            tryCompare(field, "activeFocus", true)
            verify(!admin.menu.visible)
            verify(!admin.backButton.visible)
            shot("admin-locked")
            typeText(field, "wrong")
            pressOn(child(admin, "okButton"))
            verify(admin.prompt.error)
            tryCompare(field, "activeFocus", true)
            verify(guiViewModel.settings.adminMenuLocked)
            shot("admin-wrong-password")

            typeText(field, "VlfAdmin7")
            verify(!admin.prompt.error)
            pressOn(child(admin, "okButton"))
            tryCompare(guiViewModel.settings, "adminMenuLocked", false)
            compare(field.text, "")
            verify(admin.menu.visible)
            verify(child(admin, "lockButton").visible)
            tryVerify(function() { return child(admin, "changePasswordEntry").activeFocus })
            shot("admin-unlocked")

            var td = openPage(child(admin, "tanDeltaSettingsEntry"), "tanDeltaSettingsPage")
            var precision = guiViewModel.settings.tanDeltaPrecision
            tryCompare(td.resolution, "activeFocus", true)
            // Superscript characters read right whether the list draws plain or styled text.
            verify(/^10\u207B[\u2074-\u2076]$/.test(td.resolution.model[0]), td.resolution.model[0])
            turn(Qt.Key_Right)
            press()
            compare(guiViewModel.settings.tanDeltaPrecision, 6)
            td.resolution.choose(0)
            compare(guiViewModel.settings.tanDeltaPrecision, precision)
            // The second type is switched off: it moves behind the enabled ones, the knob with it.
            turnTo(td.insulationList)
            turn(Qt.Key_Right)
            var type = td.insulations[1].value
            press()
            tryVerify(function() { return td.insulations[td.insulationList.currentIndex].value === type })
            compare(td.insulationList.currentIndex, td.insulationList.count - 1)
            compare(td.insulations[td.insulationList.currentIndex].icon, "")
            shot("tandelta-settings")
            press()
            tryVerify(function() { return td.insulations[td.insulationList.currentIndex].icon !== "" })

            var steps = openPage(child(td, "tanDeltaStepsEntry"), "tanDeltaStepPage")
            var spin = steps.levels.itemAt(0).spin
            tryCompare(spin, "activeFocus", true)
            var level = guiViewModel.settings.getTanDeltaLevel(0)
            press()
            turn(Qt.Key_Right, 2)
            press()
            compare(guiViewModel.settings.getTanDeltaLevel(0), Math.round(level * 10 + 2) / 10)
            shot("tandelta-steps")
            steps.close()
            td.close()
            compare(stack().currentItem, admin)

            // Lock tapped while a press on an entry waits out the double-click time: the
            // locked menu opens nothing.
            guiViewModel.settings.dblClickTime = 300
            turnTo(child(admin, "changePasswordEntry"))
            keyClick(Qt.Key_Return)
            wait(150)
            mouseClick(child(admin, "lockButton"))
            tryCompare(guiViewModel.settings, "adminMenuLocked", true)
            wait(500)
            compare(stack().currentItem, admin)
            tryCompare(field, "activeFocus", true)
        }

        function test_changePassword_data() {
            return [
                { tag: "equal and long", first: "Secret7", second: "Secret7", ok: true, notEqual: false, short: false },
                { tag: "unequal", first: "Secret7", second: "Secret8", ok: false, notEqual: true, short: false },
                { tag: "short", first: "Abcd", second: "Abcd", ok: false, notEqual: false, short: true },
                { tag: "empty", first: "", second: "", ok: false, notEqual: false, short: false },
            ]
        }
        function test_changePassword(data) {
            verify(guiViewModel.settings.setAdminPassword("Admin42"))
            verify(guiViewModel.settings.unlockAdminMenu("Admin42"))
            var admin = openFromSettings("adminEntry", "adminSettingsPage")
            var page = openPage(child(admin, "changePasswordEntry"), "changePasswordPage")
            tryCompare(page.first, "activeFocus", true)
            if (data.first !== "")
                typeText(page.first, data.first)
            turnTo(page.second)
            if (data.second !== "")
                typeText(page.second, data.second)
            compare(page.okButton.enabled, data.ok)
            compare(child(page, "notEqualText").visible, data.notEqual)
            compare(child(page, "tooShortText").visible, data.short)
            shot("change-password-" + data.tag.replace(/ /g, "-"))
            if (!data.ok)
                return
            pressOn(page.okButton)
            tryCompare(stack().currentItem, "objectName", "adminSettingsPage")
            compare(messages()[0], qsTranslate("Dialog", "PasswordChanged"))
            verify(!guiViewModel.settings.unlockAdminMenu("Admin42"))
            verify(guiViewModel.settings.unlockAdminMenu(data.first))
        }

        // One field for both levels, shown while either is locked: the Ryx password opens
        // only the Ryx level, the service password the entries; the lock button locks the
        // Ryx level first, whose password the field then offers beside the entries.
        function test_serviceMenu() {
            var settings = guiViewModel.settings
            var service = openFromSettings("serviceEntry", "serviceSettingsPage")
            var field = service.prompt.field
            tryCompare(field, "activeFocus", true)
            shot("service-locked")
            typeText(field, "RyxLevel42")
            pressOn(child(service, "okButton"))
            tryCompare(settings, "ryxMenuLocked", false)
            verify(settings.serviceMenuLocked)
            verify(service.prompt.visible)
            verify(!service.menu.visible)
            verify(child(service, "lockButton").visible)
            shot("service-ryx-only")
            // Typed, then locked: the password is gone from the field with the lock.
            turnTo(field)
            typeText(field, "RyxLevel42")
            pressOn(child(service, "lockButton"))
            tryCompare(settings, "ryxMenuLocked", true)
            compare(field.text, "")
            typeText(field, "RyxLevel42")
            pressOn(child(service, "okButton"))
            tryCompare(settings, "ryxMenuLocked", false)

            turnTo(field)
            typeText(field, "VlfService1")
            pressOn(child(service, "okButton"))
            tryCompare(settings, "serviceMenuLocked", false)
            verify(!service.prompt.visible)
            verify(service.menu.visible)
            shot("service-unlocked")
            pressOn(child(service, "lockButton"))
            tryCompare(settings, "ryxMenuLocked", true)
            verify(!settings.serviceMenuLocked)
            verify(service.menu.visible)
            verify(service.prompt.visible)
            turnTo(field)
            shot("service-offers-ryx")
            typeText(field, "RyxLevel42")
            pressOn(child(service, "okButton"))
            tryCompare(settings, "ryxMenuLocked", false)
            verify(!service.prompt.visible)

            var serial = openPage(child(service, "serialNumberEntry"), "serialNumberPage")
            tryCompare(serial.field, "activeFocus", true)
            typeText(serial.field, "123")
            pressOn(child(serial, "okButton"))
            compare(messages()[0], qsTranslate("Dialog", "SerialNumberNotValid"))
            compare(stack().currentItem, serial)
            testHelper.clearLists()
            turnTo(serial.field)
            typeText(serial.field, "12345678901")
            shot("serial-number")
            pressOn(child(serial, "okButton"))
            tryCompare(stack().currentItem, "objectName", "serviceSettingsPage")
            compare(messages()[0], qsTranslate("Dialog", "SerialNumberChanged"))
            compare(settings.serialNumber, "12345678901")
            compare(child(service, "serialNumberEntry").valueText, "12345678901")
        }

        // From the service menu into a group and back; text that is no number, a refused
        // value and a read-only key leave the store as it was.
        function test_configurationEditor() {
            verify(testHelper.setConfigLong("/Editor/Count", 7, 0, 0, 0))
            verify(testHelper.setConfigDouble("/Editor/Ratio", 0.5))
            verify(testHelper.setConfigLong("/Editor/Level", 4, 0, 10, 2))
            verify(testHelper.setConfigLong("/Editor/Fixed", 3, 0, 0, 0))
            verify(testHelper.setConfigReadOnly("/Editor/Fixed"))
            var service = openService()
            var editor = openPage(child(service, "configurationEditorEntry"), "configurationEditor")
            compare(child(editor, "leaveButton").text, qsTranslate("Dialog", "Close"))
            shot("editor-root")
            var group = openPage(child(editor, "group_Editor"), "configurationEditor")
            compare(group.path, "/Editor")
            compare(group.title, "/Editor")
            compare(child(group, "leaveButton").text, qsTranslate("Dialog", "Back"))
            var names = []
            for (var i = 0; i < group.entries.length; ++i)
                names.push(group.entries[i].name)
            compare(names, ["Count", "Fixed", "Level", "Ratio"])

            var count = child(group, "edit_Count")
            var ratio = child(group, "edit_Ratio")
            var bad = ["12x", "nan", "", " ", "1e999", "0x10"]
            for (var b = 0; b < bad.length; ++b) {
                count.text = bad[b]
                count.editingFinished()
                compare(testHelper.configText("/Editor/Count"), "7", "long " + bad[b])
                compare(count.text, "7")
                ratio.text = bad[b]
                ratio.editingFinished()
                compare(testHelper.configText("/Editor/Ratio"), "0.5", "double " + bad[b])
                compare(ratio.text, "0.5")
            }
            turnTo(count)
            typeText(count, "-12")
            turn(Qt.Key_Left, 4)
            verify(!count.activeFocus)
            compare(testHelper.configText("/Editor/Count"), "-12")
            ratio.text = "2.5e-1"
            ratio.editingFinished()
            compare(testHelper.configText("/Editor/Ratio"), "0.25")
            compare(ratio.text, "0.25")

            var level = child(group, "slider_Level")
            pressOn(level)
            turn(Qt.Key_Right)
            press()
            compare(testHelper.configText("/Editor/Level"), "6")
            // Read-only: shown, passed by the knob, never edited.
            var fixed = child(group, "value_Fixed")
            turnTo(fixed)
            compare(fixed.text, "3")
            press()
            compare(testHelper.configText("/Editor/Fixed"), "3")
            shot("editor-group")

            pressOn(child(group, "leaveButton"))
            tryCompare(stack().currentItem, "objectName", "configurationEditor")
            compare(stack().currentItem, editor)
            editor.close()
            compare(stack().currentItem, service)
        }
    }
}
