import QtQuick
import AmberLoom.UI

// One setting's control on a canvas, given by the test as `adapter`, with a folder panel that
// answers at once: it chooses `chosenFolder`, or cancels when that is empty. `panelsOpened`
// counts the panels opened.
Item {
    id: screen
    property SettingControlAdapter adapter: null
    property url chosenFolder
    property int panelsOpened: 0

    AppCanvas {}

    // Something else to give the focus to.
    TextInput {
        objectName: "elsewhere"
        x: 20
        y: 20
        width: 100
        height: 20
    }

    Loader {
        objectName: "controlHost"
        active: screen.adapter !== null
        x: 200
        y: 60
        width: 230
        sourceComponent: SettingControlView {
            objectName: "control"
            adapter: screen.adapter
            folderPanel: Component {
                QtObject {
                    signal chosen(url folder)
                    signal cancelled()
                    function open() {
                        ++screen.panelsOpened;
                        if (screen.chosenFolder.toString() === "")
                            cancelled();
                        else
                            chosen(screen.chosenFolder);
                    }
                }
            }
        }
    }
}
