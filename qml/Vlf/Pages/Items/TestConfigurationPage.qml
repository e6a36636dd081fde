import QtQuick 2.15
import Vlf.Controls 1.0

// The parameters of the next test; the configuration view fills it.
VlfPage {
    showBack: true
}
