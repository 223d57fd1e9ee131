import QtQuick
import AmberLoom.UI

// The content of the main window: the sign-in page until an account is signed in, then the
// first-run wizard until it has been finished once, then the catalogue window. It sets the palette
// of the system colour scheme for everything it shows.
Item {
    id: root

    required property AccountModel account
    required property RootViewState viewState
    required property SettingsModel catalogModel
    // Also read by the My Macs page for its backup section.
    required property FirstRunModel firstRun
    required property SyncModel syncModel
    required property RecipesModel recipesModel
    required property RepairModel repairModel
    required property UndoPointsModel undoPoints
    // Null when no manual guide was loaded.
    required property ManualGuideList guide

    Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)

    Loader {
        id: content
        objectName: "rootContent"
        anchors.fill: parent
        // Switching between the three replaces the whole screen.
        sourceComponent: root.account.state !== AccountModel.SignedIn ? signIn
                       : root.viewState.showsWizard ? wizard
                       : catalogue
    }

    Component {
        id: signIn
        SignInView {
            objectName: "signInView"
            account: root.account
        }
    }

    Component {
        id: wizard
        FirstRunView {
            objectName: "firstRunView"
            model: root.firstRun
            onFinish: root.viewState.finishWizard()
        }
    }

    Component {
        id: catalogue
        CatalogView {
            objectName: "catalogView"
            model: root.catalogModel
            guide: root.guide
            repairCount: root.repairModel.findings.count
            myMacsPage: Component { MyMacsView { model: root.syncModel; backup: root.firstRun } }
            recipesPage: Component { RecipesView { model: root.recipesModel } }
            accountPage: Component { AccountSettingsView { model: root.account } }
            repairsPage: Component { RepairView { model: root.repairModel; undoPoints: root.undoPoints } }
        }
    }
}
