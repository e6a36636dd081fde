pragma Singleton
import QtQuick 2.15

// Colours and sizes shared by every page. The theme index comes from the settings.
QtObject {
    id: style

    property int currentTheme: 0
    readonly property var themes: [
        { "name": "Light", "background": "#FFFFFF", "foreground": "#202020", "header": "#E6E6E6",
          "highlight": "#4A90E2", "panel": "#F2F2F2",
          "chartBackground": "transparent", "chartGradient": ["#FFFFFF", "#FFFFFF", "#FFFFFF"],
          "chartGradientPos": 0.5, "chartGrid": "#D8D8D8" },
        { "name": "Dark", "background": "#202020", "foreground": "#F0F0F0", "header": "#303030",
          "highlight": "#4A90E2", "panel": "#2A2A2A",
          "chartBackground": "transparent", "chartGradient": ["#3A3A3A", "#262626", "#141414"],
          "chartGradientPos": 0.4, "chartGrid": "#4A4A4A" }
    ]
    readonly property var theme: themes[Math.max(0, Math.min(currentTheme, themes.length - 1))]

    readonly property color background: theme.background
    readonly property color foreground: theme.foreground
    readonly property color headerColor: theme.header
    readonly property color highlight: theme.highlight
    readonly property color panel: theme.panel
    readonly property color failure: "#F43149"
    readonly property color success: "#2E9E4F"
    readonly property color inactive: "#9B9B9B"
    // The highlight at 40 %, laid over the panel of a chosen entry.
    readonly property color chosenTint: "#664A90E2"
    // Text on the highlight or on a verdict's colour, whatever the theme.
    readonly property color lightText: "#FFFFFF"
    readonly property color darkText: "#202020"
    // A procedure's failed test, darker than failure.
    readonly property color failedHeadline: "crimson"

    // Measurement charts: plot area (a solid colour, or the gradient when that is
    // transparent), grid, one colour per kind of value and the trend arrow's warnings.
    readonly property color chartBackground: theme.chartBackground
    readonly property var chartGradient: theme.chartGradient
    readonly property real chartGradientPos: theme.chartGradientPos
    readonly property color chartGrid: theme.chartGrid
    readonly property color voltageColor: "#1F6FD1"
    readonly property color currentColor: "#D9822B"
    readonly property color leakageColor: "#2E9E4F"
    readonly property color tanDeltaColor: "#8E44AD"
    readonly property color trendRed: "#F43149"
    readonly property color trendOrange: "#F5A623"
    readonly property int chartFontSize: 12
    // Tan delta verdicts and bands, and one line per phase L1..L3.
    readonly property color actionRequired: "#F43149"
    readonly property color furtherStudy: "#F5A623"
    readonly property color noActionRequired: "#2E9E4F"
    readonly property var phaseColors: ["#A0522D", "#1F6FD1", "#8E44AD"]

    readonly property int windowWidth: 800
    readonly property int windowHeight: 480
    readonly property int headerHeight: 48
    readonly property int smallIconSize: 24
    readonly property int iconSize: 32
    readonly property int largeIconSize: 64
    readonly property int hugeIconSize: 96
    readonly property int tinyFontSize: 12
    readonly property int smallFontSize: 14
    readonly property int fontSize: 18
    readonly property int largeFontSize: 22
    readonly property int titleFontSize: 24
    readonly property int margin: 8
    readonly property int smallSpacing: 2
    readonly property int cornerRadius: 4
    readonly property int largeCornerRadius: 6
    // The frame of the entry the operator works on.
    readonly property int activeBorderWidth: 3
    readonly property int buttonWidth: 120
    readonly property int buttonHeight: 44
    readonly property int rowHeight: 40
    // Text fields and sliders; names and calibration values; a label or value of a form row.
    readonly property int fieldWidth: 420
    readonly property int narrowFieldWidth: 360
    readonly property int columnWidth: 220
    // The parameters or verdicts beside a test's results and live values.
    readonly property int sidePanelWidth: 440
}
