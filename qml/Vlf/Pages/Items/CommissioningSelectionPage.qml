import QtQuick 2.15

// The commissioning and calibration procedures; each opens its own page.
TestSelectionPage {
    commissioning: true
}
