import QtQuick
import AmberLoom.UI

// A text that a screen reader hears as a sighted user reads it: in the accessibility tree as
// static text, or as a heading, with its characters as typed (never read as markup). A notice
// (`announces`: an error, a restart to finish, an outcome) is a notification, heard as it appears
// and each time it says something new, wherever the focus is.
Text {
    id: heardText

    property bool heading: false
    property bool announces: false

    textFormat: Text.PlainText
    Accessible.role: heading ? Accessible.Heading : announces ? Accessible.Notification : Accessible.StaticText
    Accessible.name: text

    // Told once the text and the visibility of this turn have settled.
    function tell() {
        if (announces && visible && text !== "")
            ScreenReader.announce(heardText);
    }
    onTextChanged: if (announces) Qt.callLater(tell)
    onVisibleChanged: if (announces && visible) Qt.callLater(tell)
    Component.onCompleted: if (announces) Qt.callLater(tell)
}
