import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The main window: exactly 980 points wide, at least 560 high, showing the root view under the
// application's menus. `app` carries out the menu commands; `savePanel` makes the export's save
// panel (an object with open() that signals chosen(url) or cancelled()); the system panels are
// loaded only when first needed, which keeps them out of the start-up.
T.ApplicationWindow {
    id: window

    required property QtObject app
    required property AccountModel account
    required property RootViewState viewState
    required property SettingsModel catalogModel
    required property FirstRunModel firstRun
    required property SyncModel syncModel
    required property RecipesModel recipesModel
    required property RepairModel repairModel
    required property UndoPointsModel undoPoints
    required property ManualGuideList guide
    property Component savePanel: null

    title: "AmberLoom"
    width: 980
    height: 700
    minimumWidth: 980
    maximumWidth: 980
    // The menu bar is drawn inside the window here: the root view keeps its 560 points below it.
    minimumHeight: 560 + (menuBar ? menuBar.implicitHeight : 0)
    color: Theme.palette.surface
    Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)

    // Asks for a place, then has the application write the script there; a failed write is shown.
    function exportScript() {
        if (!savePanel)
            savePanel = Qt.createComponent("SavePanel.qml");
        const panel = savePanel.createObject(window);
        panel.chosen.connect(file => {
            panel.destroy();
            const error = app.exportScript(file);
            if (error.length > 0) {
                const alert = Qt.createComponent("ExportAlert.qml").createObject(window, {text: error});
                alert.accepted.connect(() => alert.destroy());
                alert.rejected.connect(() => alert.destroy());
                alert.open();
            }
        });
        panel.cancelled.connect(() => panel.destroy());
        panel.open();
    }

    menuBar: AppMenuBar {
        objectName: "menuBar"
        AppMenuBar.Menu {
            title: "AmberLoom"
            T.Action {
                objectName: "checkForUpdates"
                text: qsTr("Check for Updates…")
                enabled: window.app.canCheckForUpdates
                onTriggered: window.app.checkForUpdates()
            }
            AppMenuBar.Separator {}
            T.Action {
                text: qsTr("Settings…")
                shortcut: "Ctrl+,"
                onTriggered: window.app.showPreferences()
            }
            AppMenuBar.Separator {}
            T.Action {
                text: qsTr("Quit AmberLoom")
                shortcut: "Ctrl+Q"
                onTriggered: Qt.quit()
            }
        }
        AppMenuBar.Menu {
            title: qsTr("File")
            T.Action {
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
        syncModel: window.syncModel
        recipesModel: window.recipesModel
        repairModel: window.repairModel
        undoPoints: window.undoPoints
        guide: window.guide
    }
}
