import QtQuick
import AmberLoom.UI

// The content of the main window: the sign-in page until an account is signed in, then the
// first-run wizard until it has been finished once, then the catalogue window. It sets the palette
// of the system colour scheme for everything it shows.
Item {
    id: root
    objectName: "rootView"

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
        // Switching between the three replaces the whole screen. Sign-in and the wizard are loaded
        // from their files only when shown: most starts show neither.
        sourceComponent: root.account.state !== AccountModel.SignedIn ? signIn
                       : root.viewState.showsWizard ? wizard
                       : catalogue
    }

    Component {
        id: signIn
        PageLoader {
            objectName: "signInView"
            file: "SignInView.qml"
            properties: ({account: root.account})
        }
    }

    Component {
        id: wizard
        PageLoader {
            objectName: "firstRunView"
            file: "FirstRunView.qml"
            properties: ({model: root.firstRun})
            onLoaded: item.finish.connect(root.viewState.finishWizard)
        }
    }

    Component {
        id: catalogue
        CatalogView {
            objectName: "catalogView"
            model: root.catalogModel
            guide: root.guide
            repairCount: root.repairModel.findings.count
            myMacsPage: Component {
                PageLoader { file: "MyMacsView.qml"; properties: ({model: root.syncModel, backup: root.firstRun}) }
            }
            recipesPage: Component {
                PageLoader { file: "RecipesView.qml"; properties: ({model: root.recipesModel}) }
            }
            accountPage: Component {
                PageLoader { file: "AccountSettingsView.qml"; properties: ({model: root.account}) }
            }
            repairsPage: Component {
                PageLoader { file: "RepairView.qml"; properties: ({model: root.repairModel, undoPoints: root.undoPoints}) }
            }
        }
    }
}
