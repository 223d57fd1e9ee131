import QtQuick
import AmberLoom.UI

// The My Macs page once a test has handed it a sync model, and a first-run model and a login
// item when it has them.
Item {
    id: host

    property var model: null
    property var backup: null
    property var startup: null

    Loader {
        objectName: "page"
        anchors.fill: parent
        active: host.model !== null
        sourceComponent: Component {
            MyMacsView {
                model: host.model
                backup: host.backup
                startup: host.startup ? host.startup : defaultStartup
                StartupQuestion { id: defaultStartup }
            }
        }
    }
}
