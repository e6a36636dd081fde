import QtQuick 2.15
import QtQuick.Window 2.15

// Moves the focus among the registered controls of one page. The current element is
// always the one that holds the active focus; the order is the order of registration,
// with the pinned elements (a page's bottom row and Back) always at the end.
//
// While `active`, the navigation heals the focus: when the active focus is null, on the
// navigation itself or outside `scope` (at start-up, or after the focused element was
// removed, hidden or rebuilt) it focuses the element at the last focused index, else
// `initialElement`, else the first usable one. Focus inside an element is left alone.
// An element destroyed while listed (a row rebuilt by a repeater) is dropped by itself.
FocusScope {
    id: nav

    property var elements: []
    property var pinned: []
    property bool active: true
    property Item scope: nav
    property Item initialElement: null
    property int lastIndex: -1
    property int dblClickTime: (typeof guiViewModel !== "undefined" && guiViewModel)
                               ? guiViewModel.settings.dblClickTime : 250
    property Item pendingPress: null
    readonly property Item windowFocusItem: Window.activeFocusItem
    // A stopping control the page moved the knob away from (a step of a procedure began),
    // and when: a press that soon after was meant for it.
    property Item knobTakenFrom: null
    property real knobTakenAt: 0
    // As long as the window drops a press meant for what was shown before.
    readonly property int knobTakenTime: Window.window && Window.window.inputGuard
                                         ? Window.window.inputGuard.guardTime : Math.max(dblClickTime, 400)

    signal jumpedToNext()
    signal jumpedToPrevious()

    onWindowFocusItemChanged: {
        var index = elementIndexOf(windowFocusItem)
        if (index >= 0)
            lastIndex = index
        scheduleHeal()
    }
    // A page comes up with the keyboard down, whatever the page before left open.
    onActiveChanged: {
        if (active)
            Qt.inputMethod.hide()
        scheduleHeal()
    }
    onVisibleChanged: scheduleHeal()
    onElementsChanged: scheduleHeal()

    function clientOf(element) {
        return element && element.vlfNavigationClient !== undefined ? element.vlfNavigationClient : null
    }

    // A destroyed item reads as having no properties at all.
    function alive(element) { return clientOf(element) !== null }

    function dropDestroyed() {
        if (elements.every(alive))
            return
        pinned = pinned.filter(alive)
        elements = elements.filter(alive)
    }

    function isInside(item, ancestor) {
        for (var i = item; i; i = i.parent)
            if (i === ancestor)
                return true
        return false
    }

    // Index of the element that is the item or holds it, -1 when none.
    function elementIndexOf(item) {
        for (var i = item; i; i = i.parent) {
            var index = elements.indexOf(i)
            if (index >= 0)
                return index
        }
        return -1
    }

    function pinnedCount() {
        var count = 0
        for (var i = 0; i < elements.length; ++i)
            if (pinned.indexOf(elements[i]) >= 0)
                ++count
        return count
    }

    function insertElement(element, index, focus, autoPress) {
        dropDestroyed()
        if (!clientOf(element)) {
            console.log("missing property/function vlfNavigationClient")
            return false
        }
        if (elements.indexOf(element) >= 0) {
            console.log("already added")
            return false
        }
        var list = elements
        list.splice(index, 0, element)
        element.vlfNavigationClient.vlfNavigation = nav
        element.visibleChanged.connect(nav.scheduleHeal)
        element.enabledChanged.connect(nav.scheduleHeal)
        elements = list
        if (focus)
            jumpTo(element, autoPress)
        return true
    }

    function addNavElement(element, focus, autoPress) {
        return insertElement(element, elements.length - pinnedCount(), focus, autoPress)
    }

    // Appends an element that stays behind every element added later.
    function pinNavElement(element) {
        if (!insertElement(element, elements.length, false, false))
            return false
        var list = pinned
        list.push(element)
        pinned = list
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
        if (!alive(element)) {
            dropDestroyed()
            return true
        }
        var list = elements
        list.splice(index, 1)
        var pins = pinned
        var pin = pins.indexOf(element)
        if (pin >= 0) {
            pins.splice(pin, 1)
            pinned = pins
        }
        element.visibleChanged.disconnect(nav.scheduleHeal)
        element.enabledChanged.disconnect(nav.scheduleHeal)
        elements = list
        return true
    }

    // Lists these controls in this order in place of the unpinned ones; false when they
    // are listed so already.
    function replaceElements(wanted) {
        dropDestroyed()
        wanted = wanted.filter(alive)
        var listed = elements.filter(function(e) { return pinned.indexOf(e) < 0 })
        if (listed.length === wanted.length && listed.every(function(e, i) { return e === wanted[i] }))
            return false
        for (var k = 0; k < listed.length; ++k)
            removeNavElement(listed[k])
        for (var m = 0; m < wanted.length; ++m)
            addNavElement(wanted[m], false, false)
        return true
    }

    function removeNavElementsFrom(parentItem) {
        for (var i = 0; i < parentItem.children.length; ++i)
            removeNavElement(parentItem.children[i])
    }

    function resetElements() {
        while (elements.length > 0)
            removeNavElement(elements[0])
        lastIndex = -1
    }

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
        return element && element.visible === true && (element.enabled === undefined || element.enabled)
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

    function firstUsableIndex() {
        for (var i = 0; i < elements.length; ++i)
            if (usable(elements[i]))
                return i
        return -1
    }

    function jumpTo(element, autoPress) {
        dropDestroyed()
        var index = elements.indexOf(element)
        if (index < 0 || !usable(element))
            return false
        var before = elementWithActiveFocus()
        knobTakenFrom = before && before !== element && before.stopping === true ? before : null
        knobTakenAt = Date.now()
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

    // The initial element, else the first usable one.
    function focusFirst() {
        if (initialElement && jumpTo(initialElement, false))
            return true
        var index = firstUsableIndex()
        return index >= 0 && focusIndex(index, true)
    }

    function needsHealing() {
        var item = Window.activeFocusItem
        if (!item)
            return true
        if (elementIndexOf(item) >= 0)
            return !item.visible
        // Outside the page, or somewhere in the navigation but in no element: what held
        // the focus is gone.
        return item === nav || !isInside(item, scope) || isInside(item, nav)
    }

    function heal() {
        dropDestroyed()
        if (!active || !visible || elements.length === 0 || !needsHealing())
            return false
        if (validIndex(lastIndex) && usable(elements[lastIndex]))
            return focusIndex(lastIndex, true)
        return focusFirst()
    }

    function scheduleHeal() {
        if (active)
            healTimer.restart()
    }

    function newElementFocused(element) {
        for (var i = 0; i < elements.length; ++i)
            clientOf(elements[i]).newElementFocused(elements[i] === element)
    }

    function keyPressed(event, element) {
        dropDestroyed()
        var index = elements.indexOf(element)
        if (index < 0) {
            console.log("ELEMENT NOT FOUND")
            return false
        }
        var client = clientOf(element)
        var next
        // Turned: the knob is where the operator put it.
        if (event.key !== Qt.Key_Return && event.key !== Qt.Key_Enter)
            knobTakenFrom = null
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
    // acts only once that time has passed. A stopping control acts at the first press, and
    // for it and a control that takes a double press as one (a dialog's OK) the two presses
    // are one press. A press right after the page moved the knob off a stopping control is
    // that control's: the operator still saw it under the knob.
    function press(element) {
        var taken = knobTakenFrom
        knobTakenFrom = null
        if (taken && taken !== element && alive(taken) && usable(taken) && Date.now() - knobTakenAt < knobTakenTime)
            element = taken
        if (dblClickTimer.running && element !== dblClickTimer.element && element.stopping === true) {
            // A stop pressed right after a press elsewhere is the stop's own first press, and
            // the press waiting before it starts nothing any more.
            dblClickTimer.stop()
            dblClickTimer.element = null
        }
        if (dblClickTimer.running) {
            dblClickTimer.stop()
            var first = dblClickTimer.element
            var acted = dblClickTimer.acted
            dblClickTimer.element = null
            if (!alive(first) || acted)
                return
            if (first.doubleIsOne === true)
                clientOf(first).knobPressed()
            else
                clientOf(first).knobDblPressed()
            return
        }
        dblClickTimer.element = element
        dblClickTimer.acted = element.stopping === true
        dblClickTimer.start()
        if (dblClickTimer.acted)
            clientOf(element).knobPressed()
    }

    // Once the focus changes of the moment have settled; dies with the navigation.
    Timer {
        id: healTimer
        interval: 0
        onTriggered: nav.heal()
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
        // The element acted at the press already.
        property bool acted: false
        interval: nav.dblClickTime
        repeat: false
        onTriggered: {
            var element = dblClickTimer.element
            dblClickTimer.element = null
            // Hidden or disabled meanwhile (a menu locked while the press waited): the
            // control no longer offers what the press was for.
            if (element && !dblClickTimer.acted && element.visible && element.enabled)
                nav.clientOf(element).knobPressed()
        }
    }
}
