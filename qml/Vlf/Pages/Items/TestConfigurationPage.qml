import QtQuick 2.15
import QtQuick.Controls 2.15
import Vlf.Styles 1.0

// The parameters of the next test; the configuration view fills it.
Page {
    background: Rectangle { color: Style.background }
}
