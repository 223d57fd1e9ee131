import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import AmberLoom.UI

// The main window: exactly 980 points wide, at least 560 high, showing the root view under the
// application's menus. `app` carries out the menu commands; `savePanel` makes the export's save
// panel (an object with open() that signals chosen(url) or cancelled()).
ApplicationWindow {
    id: window

    required property QtObject app
    required property AccountModel account
    required property RootViewState viewState
    required property SettingsModel catalogModel
    required property FirstRunModel firstRun
    property Component savePanel: Component { SavePanel {} }

    title: "AmberLoom"
    width: 980
    height: 700
    minimumWidth: 980
    maximumWidth: 980
    minimumHeight: 560
    color: Theme.palette.surface
    Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)
    // The menus and the system panels are drawn by Qt's own controls: give them the same colours.
    palette.window: Theme.palette.surfaceRaised
    palette.windowText: Theme.palette.onSurface
    palette.button: Theme.palette.surfaceRaised
    palette.buttonText: Theme.palette.onSurface
    palette.base: Theme.palette.surface
    palette.text: Theme.palette.onSurface
    palette.mid: Theme.palette.border
    palette.dark: Theme.palette.borderStrong
    palette.highlight: Theme.palette.primary
    palette.highlightedText: Theme.palette.onPrimary

    // Asks for a place, then has the application write the script there; a failed write is shown.
    function exportScript() {
        const panel = savePanel.createObject(window);
        panel.chosen.connect(file => {
            panel.destroy();
            const error = app.exportScript(file);
            if (error.length > 0) {
                exportAlert.text = error;
                exportAlert.open();
            }
        });
        panel.cancelled.connect(() => panel.destroy());
        panel.open();
    }

    menuBar: MenuBar {
        objectName: "menuBar"
        background: Rectangle {
            implicitHeight: 30
            color: Theme.palette.surfaceRaised
            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Theme.palette.border
            }
        }
        Menu {
            title: "AmberLoom"
            Action {
                objectName: "checkForUpdates"
                text: qsTr("Check for Updates…")
                enabled: window.app.canCheckForUpdates
                onTriggered: window.app.checkForUpdates()
            }
            MenuSeparator {}
            Action {
                text: qsTr("Settings…")
                shortcut: "Ctrl+,"
                onTriggered: window.app.showPreferences()
            }
            MenuSeparator {}
            Action {
                text: qsTr("Quit AmberLoom")
                shortcut: StandardKey.Quit
                onTriggered: Qt.quit()
            }
        }
        Menu {
            title: qsTr("File")
            Action {
                objectName: "exportScript"
                text: qsTr("Export as Terminal Commands…")
                onTriggered: window.exportScript()
            }
        }
    }

    RootView {
        objectName: "rootView"
        anchors.fill: parent
        account: window.account
        viewState: window.viewState
        catalogModel: window.catalogModel
        firstRun: window.firstRun
    }

    MessageDialog {
        id: exportAlert
        objectName: "exportAlert"
        title: qsTr("The script could not be saved")
        buttons: MessageDialog.Ok
    }
}
