import QtQuick
import AmberLoom.UI

// The first-run wizard once a test has handed it a model, counting the times it was left.
Item {
    id: host

    property var model: null
    property int finishes: 0

    Loader {
        objectName: "wizard"
        anchors.fill: parent
        active: host.model !== null
        sourceComponent: Component {
            FirstRunView {
                model: host.model
                onFinish: host.finishes++
            }
        }
    }
}
