import QtQuick
import AmberLoom.UI

// The account page as the settings browser shows it, padded by 20 points, once a test has handed
// it an account model.
Item {
    id: host

    property var model: null

    AppCanvas {}

    Loader {
        objectName: "page"
        x: 20
        y: 20
        width: host.width - 40
        active: host.model !== null
        sourceComponent: Component {
            AccountSettingsView { model: host.model }
        }
    }
}
