import QtQuick
import AmberLoom.UI

// The settings window: the application's preferences at their own size, 520 points wide, and no
// taller than the screen holds: an account of many Macs scrolls within it.
Window {
    id: window

    required property PreferencesViewModel model
    readonly property real fittedHeight: Math.min(content.implicitHeight, Math.max(240, Screen.desktopAvailableHeight - 60))

    title: qsTr("AmberLoom Settings")
    width: 520
    height: fittedHeight
    minimumWidth: 520
    maximumWidth: 520
    minimumHeight: fittedHeight
    maximumHeight: fittedHeight
    color: Theme.palette.surface
    Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)
    // Settings are being put back before removal: the window is busy (see AppWindow).
    readonly property bool busy: content.busy

    // The keys go to the content whenever no sheet or alert holds them, while the window is in
    // use: a closed (or inactive) window keeps nothing focused.
    onActiveFocusItemChanged: if (active && (!activeFocusItem || activeFocusItem === contentItem)) content.forceActiveFocus()
    // What was open over the window closes with it, short of work that must run to its end.
    onVisibleChanged: if (!visible) content.closeSheets()

    FocusAfterWork {
        shownIn: window
        busy: window.busy
    }

    PageFlickable {
        id: scroller
        objectName: "preferencesScroller"
        anchors.fill: parent
        contentWidth: width
        contentHeight: content.implicitHeight
        clip: true
        PageScrollBar {
            flickable: scroller
            alwaysShown: true
        }

        PreferencesView {
            id: content
            objectName: "preferencesView"
            width: scroller.width
            height: implicitHeight
            model: window.model
            // Escape and Ctrl+W close the window; while a sheet or an alert is open, it takes the keys.
            focus: true
            Keys.onPressed: event => {
                if (event.key === Qt.Key_Escape || event.matches(StandardKey.Close)) {
                    event.accepted = true;
                    window.close();
                }
            }
        }
    }
}
