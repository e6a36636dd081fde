import QtQuick 2.15
import Vlf.Controls 1.0

// The results of a finished test; the results view fills it.
VlfPage {
    property int mode: 0
    property var measurement: null
    property var measurementData: null
    property var preparationParameters: []
    property var testParameters: []
    property bool usbWasConnected: false

    showBack: true
}
