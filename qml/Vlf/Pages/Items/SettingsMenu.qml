import QtQuick 2.15
import Vlf.Styles 1.0

// A column of SettingsEntry items. Pages of other features add their entries as children;
// register() puts every entry into the page's navigation in column order.
Column {
    id: menu

    property Item page: null

    function register() {
        for (var i = 0; i < children.length; ++i) {
            var child = children[i]
            if (child.vlfNavigationClient !== undefined)
                page.navigation.addNavElement(child, false, false)
        }
    }

    spacing: Style.smallSpacing
}
