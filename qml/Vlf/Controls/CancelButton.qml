import QtQuick 2.15

// The Cancel of a page's bottom row; the page says what cancelling does.
VlfButton {
    objectName: "cancelButton"
    text: qsTranslate("Dialog", "Cancel")
}
