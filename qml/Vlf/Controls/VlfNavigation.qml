import QtQuick 2.15

// Moves the focus among the registered controls of one page. The current element is
// always the one that holds the active focus; the order is the order of registration.
FocusScope {
    id: nav

    property var elements: []
    property int dblClickTime: (typeof guiViewModel !== "undefined" && guiViewModel)
                               ? guiViewModel.settings.dblClickTime : 250
    property Item pendingPress: null

    signal jumpedToNext()
    signal jumpedToPrevious()

    function clientOf(element) {
        return element && element.vlfNavigationClient !== undefined ? element.vlfNavigationClient : null
    }

    function addNavElement(element, focus, autoPress) {
        if (!clientOf(element)) {
            console.log("missing property/function vlfNavigationClient")
            return false
        }
        if (elements.indexOf(element) >= 0) {
            console.log("already added")
            return false
        }
        var list = elements
        list.push(element)
        elements = list
        element.vlfNavigationClient.vlfNavigation = nav
        if (focus)
            jumpTo(element, autoPress)
        return true
    }

    function addNavElementsFrom(parentItem) {
        for (var i = 0; i < parentItem.children.length; ++i)
            addNavElement(parentItem.children[i], false, false)
    }

    function addNavElementsFromContent(parentItem) {
        for (var i = 0; i < parentItem.contentChildren.length; ++i)
            addNavElement(parentItem.contentChildren[i], false, false)
    }

    function removeNavElement(element) {
        var index = elements.indexOf(element)
        if (index < 0)
            return false
        var list = elements
        list.splice(index, 1)
        elements = list
        return true
    }

    function removeNavElementsFrom(parentItem) {
        for (var i = 0; i < parentItem.children.length; ++i)
            removeNavElement(parentItem.children[i])
    }

    function resetElements() { elements = [] }

    function validIndex(index) { return index >= 0 && index < elements.length }

    function currentIndex() {
        for (var i = 0; i < elements.length; ++i)
            if (elements[i].activeFocus)
                return i
        return -1
    }

    function elementWithActiveFocus() {
        var index = currentIndex()
        return index >= 0 ? elements[index] : ({})
    }

    function usable(element) {
        return element.visible && (element.enabled === undefined || element.enabled)
    }

    // Focuses the first element from index on (wrapping) that takes the focus.
    function focusIndex(index, first) {
        for (var i = 0; i < elements.length; ++i)
            elements[i].focus = false
        for (var step = 0; step < elements.length; ++step) {
            var element = elements[(index + step) % elements.length]
            element.forceActiveFocus()
            if (element.activeFocus) {
                if (first)
                    clientOf(element).internalFirst()
                else
                    clientOf(element).internalLast()
                newElementFocused(element)
                return true
            }
        }
        return false
    }

    function nextIndex(from, direction) {
        var count = elements.length
        var index = from
        for (var step = 0; step < count; ++step) {
            index = (index + direction + count) % count
            if (usable(elements[index]))
                return index
        }
        return index
    }

    function jumpTo(element, autoPress) {
        var index = elements.indexOf(element)
        if (index < 0 || !usable(element))
            return false
        focusIndex(index, true)
        if (autoPress) {
            pendingPress = element
            delayTimer.interval = 50
            delayTimer.start()
        }
        return true
    }

    function jumpToIndex(index, autoPress) {
        if (!validIndex(index)) {
            console.log("ELEMENT NOT FOUND AT INDEX " + index)
            return false
        }
        return jumpTo(elements[index], autoPress)
    }

    function newElementFocused(element) {
        for (var i = 0; i < elements.length; ++i)
            clientOf(elements[i]).newElementFocused(elements[i] === element)
    }

    function keyPressed(event, element) {
        var index = elements.indexOf(element)
        if (index < 0) {
            console.log("ELEMENT NOT FOUND")
            return false
        }
        var client = clientOf(element)
        var next
        switch (event.key) {
        case Qt.Key_Right:
        case Qt.Key_Down:
            if (client.canInternalForward()) {
                client.internalForward()
                return true
            }
            next = nextIndex(index, 1)
            if (next === index)
                return false
            focusIndex(next, true)
            jumpedToNext()
            return true
        case Qt.Key_Left:
        case Qt.Key_Up:
            if (client.canInternalBackward()) {
                client.internalBackward()
                return true
            }
            next = nextIndex(index, -1)
            if (next === index)
                return false
            focusIndex(next, false)
            jumpedToPrevious()
            return true
        case Qt.Key_Return:
        case Qt.Key_Enter:
            press(element)
            return true
        default:
            return false
        }
    }

    // A second press within the double-click time makes a double press; a single press
    // acts only once that time has passed.
    function press(element) {
        if (dblClickTimer.running) {
            dblClickTimer.stop()
            var first = dblClickTimer.element
            dblClickTimer.element = null
            clientOf(first).knobDblPressed()
            return
        }
        dblClickTimer.element = element
        dblClickTimer.start()
    }

    Timer {
        id: delayTimer
        interval: 2000
        repeat: false
        onTriggered: {
            var element = nav.pendingPress
            nav.pendingPress = null
            if (element)
                nav.clientOf(element).knobPressed()
        }
    }

    Timer {
        id: dblClickTimer
        property Item element: null
        interval: nav.dblClickTime
        repeat: false
        onTriggered: {
            var element = dblClickTimer.element
            dblClickTimer.element = null
            if (element)
                nav.clientOf(element).knobPressed()
        }
    }
}
