import QtQuick
import AmberLoom.UI

// The main window: exactly 980 points wide, at least 560 high, showing the root view under the
// application's menus. `app` carries out the menu commands; `savePanel` makes the export's save
// panel (an object with open() that signals chosen(url) or cancelled()); the system panels are
// loaded only when first needed, which keeps them out of the start-up.
Window {
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
    // The menu bar along the top (AppMenus), made once the root view has drawn: the application
    // sets `showsMenus` then. Null until then; its place is kept, so that nothing moves when it
    // comes.
    property Item menuBar: null
    property bool showsMenus: false
    readonly property int menuBarHeight: 30
    // The menus' types, compiled on the loader thread once the root view has drawn: they are the
    // first to need the controls' module, whose loading would otherwise hold up that first frame.
    property Component menusComponent: null
    // The key equivalents the menus show.
    readonly property string preferencesKeys: preferencesKeysShortcut.sequence
    readonly property string quitKeys: quitKeysShortcut.sequence
    // The root view is made once the window has drawn (the application sets `showsContent` then),
    // so that the window shows at once; its types compile on the engine's loader thread meanwhile.
    // The menus follow the root view's first frame, which their making would otherwise delay.
    property bool showsContent: false
    readonly property Item rootView: content.item
    // A batch of writes runs on one of the screens and takes no input meanwhile: the window says
    // it is busy (to a screen reader too) and the controls it blocks say they are unavailable.
    readonly property bool busy: firstRun.progress.shown || recipesModel.progress.shown || repairModel.progress.shown
                                 || undoPoints.progress.shown || syncModel.progress.shown

    title: "AmberLoom"
    width: 980
    height: 700
    minimumWidth: 980
    maximumWidth: 980
    // The menu bar is drawn inside the window here: the root view keeps its 560 points below it.
    minimumHeight: 560 + menuBarHeight
    color: Theme.palette.surface
    Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)

    // Qt's own file, folder, colour and message dialogs are drawn in this window in Qt's style, which
    // takes its colours from the window's palette: these roles give them the palette in force.
    palette {
        window: Theme.palette.surface
        windowText: Theme.palette.onSurface
        base: Theme.palette.surfaceRaised
        alternateBase: Theme.palette.surface
        text: Theme.palette.onSurface
        button: Theme.palette.surfaceRaised
        buttonText: Theme.palette.onSurface
        brightText: Theme.palette.onPrimary
        highlight: Theme.palette.primary
        // Qt's dialogs draw the current row in a faint tint of the highlight with this colour on it.
        highlightedText: Theme.palette.onSurface
        light: Theme.palette.surfaceRaised
        midlight: Theme.palette.border
        mid: Theme.palette.borderStrong
        dark: Theme.palette.borderStrong
        placeholderText: Theme.palette.onSurfaceFaint
        link: Theme.palette.primary
        toolTipBase: Theme.palette.surfaceRaised
        toolTipText: Theme.palette.onSurface
        disabled.text: Theme.palette.onSurfaceFaint
        disabled.buttonText: Theme.palette.onSurfaceFaint
        disabled.windowText: Theme.palette.onSurfaceFaint
    }

    // Asks for a place, then has the application write the script there; a failed write is shown.
    // A panel that cannot be made is said so in an alert of the application's own.
    function exportScript() {
        if (!savePanel)
            savePanel = Qt.createComponent("SavePanel.qml");
        const panel = SystemDialogs.make(savePanel, SystemDialogs.FileDialog, window.contentItem,
                                         {folder: app.exportFolder, themePalette: Theme.palette});
        if (!panel) {
            alert(qsTr("The save panel could not be opened"), SystemDialogs.failure);
            return;
        }
        panel.chosen.connect(file => {
            panel.destroy();
            const error = app.exportScript(file);
            if (error.length > 0)
                showExportError(error);
        });
        panel.cancelled.connect(() => panel.destroy());
        panel.open();
    }

    function showExportError(error) {
        const message = SystemDialogs.make(Qt.createComponent("ExportAlert.qml"), SystemDialogs.MessageDialog, window,
                                           {text: error});
        if (!message) {
            alert(qsTr("The script could not be saved"), error);
            return;
        }
        message.accepted.connect(() => message.destroy());
        message.rejected.connect(() => message.destroy());
        message.open();
        SystemDialogs.readyOpened(message);
    }

    function alert(title, message) {
        Qt.createComponent("DialogAlert.qml").createObject(window.contentItem,
                {themePalette: Theme.palette, title: title, message: message}).open();
    }

    onShowsMenusChanged: makeMenus()
    function makeMenus() {
        if (!showsMenus || menuBar)
            return;
        if (!menusComponent)
            menusComponent = Qt.createComponent("AppMenus.qml", Component.Asynchronous);
        if (menusComponent.status === Component.Loading) {
            menusComponent.statusChanged.connect(makeMenus);
            return;
        }
        if (menusComponent.status !== Component.Ready) {
            console.warn("The menus cannot be made:", menusComponent.errorString());
            return;
        }
        menuBar = menusComponent.createObject(window.contentItem, {
            mainWindow: window,
            width: Qt.binding(() => window.width),
            height: menuBarHeight
        });
    }

    // The menu bar's place from the root view until the menus are made. Not in the window's first
    // frame: with nothing to draw but its colour, that frame compiles no shader (some 20 ms on a
    // software display).
    MenuBarStrip {
        width: parent.width
        height: window.menuBarHeight
        visible: window.showsContent && !window.menuBar
    }

    // The key equivalents of the application menu, in every window of the application, whether a
    // menu is open or not: the menus' commands show the keys but leave them to these, so that no
    // key ever has two owners.
    Shortcut {
        id: preferencesKeysShortcut
        sequence: "Ctrl+,"
        context: Qt.ApplicationShortcut
        onActivated: {
            if (window.menuBar)
                window.menuBar.dismiss();
            window.app.showPreferences();
        }
    }
    Shortcut {
        id: quitKeysShortcut
        sequence: "Ctrl+Q"
        context: Qt.ApplicationShortcut
        onActivated: Qt.quit()
    }
    Shortcut {
        sequence: "F10"
        onActivated: {
            if (window.menuBar)
                window.menuBar.toggleFirst();
        }
    }

    FocusAfterWork {
        shownIn: window
        busy: window.busy
    }

    Loader {
        id: content
        objectName: "rootViewLoader"
        // Below the menu bar.
        anchors.top: parent.top
        anchors.topMargin: window.menuBarHeight
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        focus: true
        enabled: !window.busy
        active: window.showsContent
        Component.onCompleted: setSource("RootView.qml", {
            account: window.account,
            viewState: window.viewState,
            catalogModel: window.catalogModel,
            firstRun: window.firstRun,
            syncModel: window.syncModel,
            recipesModel: window.recipesModel,
            repairModel: window.repairModel,
            undoPoints: window.undoPoints,
            guide: window.guide
        })
    }

    // Over whatever the window shows: going on without a way back, and a batch the last run left
    // unsettled, offered as the window opens.
    WayBackQuestions {
        questions: [window.firstRun.wayBackQuestion, window.recipesModel.wayBackQuestion,
                    window.repairModel.wayBackQuestion, window.syncModel.wayBackQuestion,
                    window.undoPoints.wayBackQuestion]
        interrupted: window.undoPoints.interrupted
        theme: Theme.palette
    }
}
