import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// Stands where a screen of this build is still missing: its name, one line on what it will do and,
// when given, the one action that moves the user on.
Item {
    id: placeholder

    property string title
    property string detail
    property string actionTitle
    signal action()

    AppCanvas {}

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(460, parent.width - 48)
        spacing: 12

        Text {
            Layout.fillWidth: true
            text: placeholder.title
            font: Tokens.text.h2
            color: Theme.palette.onSurface
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
        }
        Text {
            Layout.fillWidth: true
            text: placeholder.detail
            font: Tokens.text.body
            color: Theme.palette.onSurfaceMuted
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
        }
        ActionButton {
            objectName: "placeholderAction"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            visible: placeholder.actionTitle.length > 0
            prominent: true
            text: placeholder.actionTitle
            onClicked: placeholder.action()
        }
    }
}
