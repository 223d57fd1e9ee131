import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The main window's menus: the application menu and the File menu. F10 and Alt with the
// underlined letter of a title open them (Linux conventions); the arrows move within and between
// them, Return chooses, Escape closes. `mainWindow` carries out the commands and owns their key
// equivalents, which the commands only show. A file of its own, so that the window can show before
// the controls' types are loaded.
AppMenuBar {
    id: menus

    required property Window mainWindow

    objectName: "menuBar"

    AppMenu {
        title: "&AmberLoom"
        T.Action {
            objectName: "checkForUpdates"
            text: qsTr("Check for Updates…")
            enabled: menus.mainWindow.app.canCheckForUpdates
            onTriggered: menus.mainWindow.app.checkForUpdates()
        }
        AppMenuSeparator {}
        T.Action {
            readonly property string keys: menus.mainWindow.preferencesKeys
            text: qsTr("Settings…")
            onTriggered: menus.mainWindow.app.showPreferences()
        }
        AppMenuSeparator {}
        T.Action {
            readonly property string keys: menus.mainWindow.quitKeys
            text: qsTr("Quit AmberLoom")
            onTriggered: Qt.quit()
        }
    }
    AppMenu {
        title: qsTr("&File")
        T.Action {
            objectName: "exportScript"
            text: qsTr("Export as Terminal Commands…")
            onTriggered: menus.mainWindow.exportScript()
        }
    }
}
