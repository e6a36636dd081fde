import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Layout, language, brightness, date and time, and the date and time formats.
VlfPage {
    id: page

    readonly property var settings: guiViewModel.settings
    property alias themeList: themeList
    property alias languageList: languageList
    property alias brightness: brightness
    property alias dateTimeEditor: dateTimeEditor
    property alias dateFormatList: dateFormatList
    property alias timeFormatList: timeFormatList

    function applyDateTime(value) {
        var parts = value.split("UTC")
        var ok = parts.length === 2 && page.settings.setDateTime(Number(parts[0]), Number(parts[1]))
        if (ok) {
            guiViewModel.showInfo(qsTranslate("Dialog", "DateTimeChanged"))
        } else {
            guiViewModel.showWarning(qsTranslate("Dialog", "CantChangeDateTime"))
            dateTimeEditor.reset()
        }
        return ok
    }

    objectName: "systemSettingsPage"
    title: qsTranslate("Menu", "System")
    showBack: true

    Column {
        id: column
        x: Style.margin * 2
        y: Style.margin
        width: parent.width - 4 * Style.margin
        spacing: Style.margin

        SettingHeading { text: qsTranslate("Settings", "Layout") }
        VlfChoiceList {
            id: themeList
            objectName: "themeList"
            width: parent.width
            model: Style.themes
            textOf: function(theme) { return qsTranslate("Settings", theme.name) }
            selectedIndex: page.settings.theme
            onChosen: {
                page.settings.theme = index
                Style.currentTheme = page.settings.theme
            }
        }

        SettingHeading { text: qsTranslate("Settings", "Language") }
        VlfChoiceList {
            id: languageList
            objectName: "languageList"
            width: parent.width
            visible: count > 0
            model: page.settings.languageList
            iconOf: function(item) { return item.icon }
            selectedIndex: {
                for (var i = 0; i < count; ++i)
                    if (model[i] && model[i].name === page.settings.language)
                        return i
                return -1
            }
            onChosen: page.settings.language = model[index].name
        }
        Text {
            objectName: "languageFallback"
            visible: languageList.count === 0
            text: qsTranslate("Settings", "LanguageFallback")
            textFormat: Text.RichText
            color: Style.foreground
            font.pixelSize: Style.fontSize
        }

        SettingHeading { text: qsTranslate("Settings", "Brightness") }
        Row {
            spacing: Style.margin
            VlfSlider {
                id: brightness
                objectName: "brightnessSlider"
                width: Style.fieldWidth
                from: 0
                to: 100
                value: page.settings.brightness
                onEdited: page.settings.brightness = value
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: Math.round(brightness.value) + " %"
                color: Style.foreground
                font.pixelSize: Style.fontSize
            }
        }

        // Kept in the page for service staff, not shown to the operator.
        VlfSlider {
            id: dblClick
            visible: false
            width: Style.fieldWidth
            from: 0
            to: 1000
            stepSize: 10
            value: page.settings.dblClickTime
            onEdited: page.settings.dblClickTime = value
        }
        VlfSlider {
            id: scrollSpeed
            visible: false
            width: Style.fieldWidth
            from: 1
            to: 100
            value: 101 - page.settings.textScrollSpeed
            onEdited: page.settings.textScrollSpeed = 101 - value
        }

        SettingHeading { text: qsTranslate("Settings", "DateTime") }
        Text {
            id: clock
            objectName: "clockText"
            color: Style.foreground
            font.pixelSize: Style.fontSize
            function refresh() {
                text = Qt.formatDateTime(new Date(), page.settings.dateFormatString + " " + page.settings.timeFormatString)
            }
            Component.onCompleted: refresh()
            Timer {
                interval: 1000
                repeat: true
                running: page.visible
                onTriggered: clock.refresh()
            }
            Connections {
                target: page.settings
                function onTimeFormatChanged() { clock.refresh() }
                function onDateFormatChanged() { clock.refresh() }
            }
        }
        DateTimeEditor {
            id: dateTimeEditor
            zones: page.settings.timeZoneList
            onAccepted: page.applyDateTime(value)
        }

        SettingHeading { text: qsTranslate("Settings", "DateFormat") }
        VlfChoiceList {
            id: dateFormatList
            objectName: "dateFormatList"
            width: parent.width
            model: page.settings.dateFormatList
            selectedIndex: page.settings.dateFormat
            onChosen: page.settings.dateFormat = index
        }

        SettingHeading { text: qsTranslate("Settings", "TimeFormat") }
        VlfChoiceList {
            id: timeFormatList
            objectName: "timeFormatList"
            width: parent.width
            model: page.settings.timeFormatList
            selectedIndex: page.settings.timeFormat
            onChosen: page.settings.timeFormat = index
        }
    }

    Component.onCompleted: {
        navigation.addNavElement(themeList, false, false)
        navigation.addNavElement(languageList, false, false)
        navigation.addNavElement(brightness, false, false)
        navigation.addNavElement(dblClick, false, false)
        navigation.addNavElement(scrollSpeed, false, false)
        for (var i = 0; i < dateTimeEditor.fields.length; ++i)
            navigation.addNavElement(dateTimeEditor.fields[i], false, false)
        navigation.addNavElement(dateFormatList, false, false)
        navigation.addNavElement(timeFormatList, false, false)
    }
}
