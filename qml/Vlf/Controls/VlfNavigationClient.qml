import QtQuick 2.15

// What a control carries to take part in a page's encoder navigation. A control with
// inner positions (a list, a slider) sets canForward/canBackward while it can still move
// inside itself and reacts to internalForward/internalBackward.
QtObject {
    property Item vlfNavigation: null
    property bool canForward: false
    property bool canBackward: false

    signal knobPressed()
    signal knobDblPressed()
    signal newElementFocused(bool yourself)
    signal internalForward()
    signal internalBackward()
    signal internalFirst()
    signal internalLast()

    function keyPressed(event, sender) {
        if (!vlfNavigation)
            return false
        return vlfNavigation.keyPressed(event, sender)
    }
    function canInternalForward() { return canForward }
    function canInternalBackward() { return canBackward }
}
