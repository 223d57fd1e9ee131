import QtQuick
import AmberLoom.UI

// Setting cards over a settings model given by the test, one per id of `ids`, stacked in the
// width the settings list has beside the sidebar of a 980-point window. `groupNames` maps ids to
// the badge a search result shows; `pasteboard` records the copied commands.
Item {
    id: screen
    property SettingsModel settingsModel: null
    property var ids: []
    property var groupNames: ({})
    property Pasteboard pasteboard: null

    AppCanvas {}

    Column {
        x: 260
        y: 20
        width: screen.width - 280
        spacing: 8

        Repeater {
            model: screen.settingsModel ? screen.ids : []
            SettingCard {
                required property string modelData
                objectName: "card:" + modelData
                width: parent.width
                settingsModel: screen.settingsModel
                settingID: modelData
                groupName: screen.groupNames[modelData] || ""
                pasteboard: screen.pasteboard
            }
        }
    }
}
