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
        ScreenPlaceholder {
            objectName: "catalogView"
            title: qsTr("%1 settings").arg(root.catalogModel.editableCount)
            detail: qsTr("The settings browser will list them here by group.")
        }
    }
}
