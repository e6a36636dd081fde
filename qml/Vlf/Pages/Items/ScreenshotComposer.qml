import QtQuick 2.15

// Puts the window's picture together, the header over the page area (open dialogs
// included, the on-screen keyboard left out) at the window's width, and hands it to the
// view model to save. It draws outside the window and only while it composes.
Item {
    id: composer

    readonly property bool busy: token > 0
    // Which run the pending grabs belong to; 0 while idle. A grab that never arrives
    // (a window that is not drawn) must not block every later picture.
    property int token: 0
    property int runs: 0
    property int headerHeight: 0
    property int bodyHeight: 0
    // Both parts are handed to the images; the composite is asked for once.
    property bool partsSet: false
    property bool composing: false
    // The grab results stay referenced while their pictures are shown.
    property var headerShot: null
    property var bodyShot: null

    signal failed()

    x: parent ? parent.width : 0
    width: parent ? parent.width : 0
    height: headerHeight + bodyHeight
    visible: busy

    // Returns false when a picture is being taken already or the parts cannot be grabbed.
    function take(header, body) {
        if (busy)
            return false
        var run = ++runs
        token = run
        headerHeight = Math.round(header.height)
        bodyHeight = Math.round(body.height)
        giveUp.restart()
        // Both parts from the same frame.
        var started = header.grabToImage(function(result) {
            if (token !== run)
                return
            headerShot = result
            partArrived(run)
        }) && body.grabToImage(function(result) {
            if (token !== run)
                return
            bodyShot = result
            partArrived(run)
        })
        if (!started)
            finish(run, false)
        return started
    }

    function partArrived(run) {
        if (!headerShot || !bodyShot)
            return
        headerPart.source = headerShot.url
        bodyPart.source = bodyShot.url
        partsSet = true
        composeWhenLoaded(run)
    }

    function composeWhenLoaded(run) {
        if (token !== run || !partsSet || composing)
            return
        if (headerPart.status === Image.Loading || bodyPart.status === Image.Loading)
            return
        if (headerPart.status !== Image.Ready || bodyPart.status !== Image.Ready) {
            finish(run, false)
            return
        }
        composing = true
        if (!composer.grabToImage(function(shot) { if (finish(run, true)) guiViewModel.saveScreenshot(shot.image) },
                                  Qt.size(width, height)))
            finish(run, false)
    }

    // Ends the run; true when it was still the current one.
    function finish(run, ok) {
        if (token !== run)
            return false
        giveUp.stop()
        token = 0
        partsSet = false
        composing = false
        headerPart.source = ""
        bodyPart.source = ""
        headerShot = null
        bodyShot = null
        if (!ok)
            failed()
        return true
    }

    Timer {
        id: giveUp
        interval: 5000
        onTriggered: composer.finish(composer.token, false)
    }

    Column {
        Image {
            id: headerPart
            width: composer.width
            height: composer.headerHeight
            cache: false
            onStatusChanged: composer.composeWhenLoaded(composer.token)
        }
        Image {
            id: bodyPart
            width: composer.width
            height: composer.bodyHeight
            cache: false
            onStatusChanged: composer.composeWhenLoaded(composer.token)
        }
    }
}
