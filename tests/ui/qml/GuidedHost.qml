import QtQuick
import AmberLoom.UI

// One guided screen over the model a test hands in: `screenName` picks the screen, which is made
// once `model` is set.
Item {
    id: host

    property string screenName
    property QtObject model: null
    property QtObject undoPoints: null
    readonly property Item shown: loader.item

    Loader {
        id: loader
        objectName: "guidedScreen"
        anchors.fill: parent
        active: host.model !== null
        sourceComponent: ({ recipes: recipes, repair: repair, removal: removal })[host.screenName]
    }

    Component { id: recipes; RecipesView { model: host.model } }
    Component { id: repair; RepairView { model: host.model; undoPoints: host.undoPoints } }
    // The removal screen in its sheet over a window's canvas; `model` is the model factory.
    Component {
        id: removal
        Item {
            id: window
            AppCanvas {}
            RemovalSheet {
                objectName: "removalSheet"
                theme: window.Theme.palette
                factory: host.model
                Component.onCompleted: open()
            }
        }
    }
}
