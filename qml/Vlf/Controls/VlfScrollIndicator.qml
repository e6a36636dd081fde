import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// Where the view stands in content longer than itself, shown for as long as it is longer:
// the operator sees that more follows before scrolling.
ScrollIndicator {
    id: indicator

    visible: size < 1
    active: visible
    contentItem: Rectangle {
        implicitWidth: 6
        implicitHeight: 6
        radius: 3
        color: Style.inactive
    }
}
