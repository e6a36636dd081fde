import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Controls 1.0
import Vlf.Styles 1.0

// Date, time and time zone for the system clock. Set hands back one text: the seconds
// since the epoch, "UTC" and the zone's offset in seconds.
Column {
    id: editor

    property var zones: []
    readonly property var fields: [day, month, year, hour, minute, zone, setButton]
    property alias setButton: setButton

    signal accepted(string value)

    function zoneOffset(index) {
        var item = index >= 0 && index < zones.length ? zones[index] : null
        return item ? Number(item.value) : 0
    }

    function offsetText(seconds) {
        var sign = seconds < 0 ? "-" : "+"
        var minutes = Math.abs(seconds) / 60
        var h = Math.floor(minutes / 60)
        var m = minutes % 60
        return "UTC" + sign + (h < 10 ? "0" : "") + h + ":" + (m < 10 ? "0" : "") + m
    }

    // Back to the current time in the first zone with the system's present offset.
    function reset() {
        var now = new Date()
        var offset = -now.getTimezoneOffset() * 60
        var index = 0
        for (var i = 0; i < zones.length; ++i) {
            if (zoneOffset(i) === offset) {
                index = i
                break
            }
        }
        zone.value = index
        var local = new Date(now.getTime() + offset * 1000)
        year.value = local.getUTCFullYear()
        month.value = local.getUTCMonth() + 1
        day.value = local.getUTCDate()
        hour.value = local.getUTCHours()
        minute.value = local.getUTCMinutes()
    }

    function text() {
        var offset = zoneOffset(zone.value)
        var seconds = Date.UTC(year.value, month.value - 1, day.value, hour.value, minute.value, 0) / 1000 - offset
        return seconds + "UTC" + offset
    }

    spacing: Style.margin
    Component.onCompleted: reset()

    component Caption: Text {
        anchors.verticalCenter: parent.verticalCenter
        width: 110
        color: Style.foreground
        font.pixelSize: Style.fontSize
    }

    Row {
        spacing: Style.margin
        Caption { text: qsTranslate("Settings", "Date") }
        VlfSpinBox {
            id: day
            objectName: "daySpin"
            from: 1
            // The days of the chosen month.
            to: new Date(Date.UTC(year.value, month.value, 0)).getUTCDate()
        }
        VlfSpinBox { id: month; objectName: "monthSpin"; from: 1; to: 12 }
        VlfSpinBox { id: year; objectName: "yearSpin"; from: 2000; to: 2099
            textFromValue: function(value) { return String(value) } }
    }
    Row {
        spacing: Style.margin
        Caption { text: qsTranslate("Settings", "Time") }
        VlfSpinBox { id: hour; objectName: "hourSpin"; from: 0; to: 23
            textFromValue: function(value) { return (value < 10 ? "0" : "") + value } }
        VlfSpinBox { id: minute; objectName: "minuteSpin"; from: 0; to: 59
            textFromValue: function(value) { return (value < 10 ? "0" : "") + value } }
    }
    Row {
        spacing: Style.margin
        Caption { text: qsTranslate("Settings", "TimeZone") }
        VlfSpinBox {
            id: zone
            objectName: "zoneSpin"
            width: 400
            from: 0
            to: Math.max(0, editor.zones.length - 1)
            textFromValue: function(value) {
                var item = value >= 0 && value < editor.zones.length ? editor.zones[value] : null
                return item ? item.name + " (" + editor.offsetText(Number(item.value)) + ")" : ""
            }
        }
        VlfButton {
            id: setButton
            objectName: "setDateTimeButton"
            text: qsTranslate("Settings", "SetDateTime")
            onClicked: editor.accepted(editor.text())
        }
    }
}
