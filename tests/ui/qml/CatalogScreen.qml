import QtQuick
import AmberLoom.UI

// The catalogue window over models a test hands in through `fixture` (a property map holding
// `model`, `guide` and `repairCount`), with stand-ins for the pages of the other screens.
Item {
    id: host

    property QtObject fixture: null

    // The main window's own colour, behind the translucent divider of the split view.
    AppCanvas {}

    Loader {
        objectName: "catalogLoader"
        anchors.fill: parent
        active: host.fixture !== null
        sourceComponent: CatalogView {
            objectName: "catalog"
            model: host.fixture.model
            guide: host.fixture.guide
            repairCount: host.fixture.repairCount
            myMacsPage: standIn
            recipesPage: standIn
            repairsPage: standIn
            accountPage: Component {
                Rectangle {
                    objectName: "accountStandIn"
                    readonly property string title: "Account"
                    implicitHeight: 900
                    color: "transparent"
                }
            }
        }
    }

    Component {
        id: standIn
        Rectangle {
            objectName: "pageStandIn"
            readonly property string title: "Another screen"
            color: Theme.palette.surface
        }
    }
}
