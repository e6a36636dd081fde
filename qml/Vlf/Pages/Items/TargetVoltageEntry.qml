import QtQuick 2.15

// The target of a manual ramp, chosen with the encoder in steps of 0.1 kV between 0 and
// the voltage range. Below 1 kV the HV unit cannot hold a voltage: from 0 a step jumps to
// 1 kV and back. Only an open entry takes a target; closing it drops the one being chosen.
QtObject {
    id: entry

    property real range: 0
    property bool open: true
    property bool active: false
    property real target: 0
    readonly property real lowEnd: Math.min(0, range)
    readonly property real highEnd: Math.max(0, range)

    signal chosen(real kV)

    function tenths(kV) { return Math.round(kV * 10) }

    // Starts at the present target, on the 0.1 kV grid and inside the range.
    function begin(kV) {
        if (!open)
            return
        var t = tenths(Math.max(lowEnd, Math.min(highEnd, kV)))
        if (Math.abs(t) < 10)
            t = 0
        target = t / 10
        active = true
    }

    function step(direction) {
        var t = tenths(target)
        var next = t + direction
        if (t === 0)
            next = 10 * direction
        else if (Math.abs(t) === 10 && Math.abs(next) < 10)
            next = 0
        if (next < tenths(lowEnd) || next > tenths(highEnd))
            return
        target = next / 10
    }

    function finish() {
        if (!active)
            return
        active = false
        if (open)
            chosen(target)
    }

    onOpenChanged: if (!open) active = false
}
