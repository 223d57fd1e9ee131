import QtQuick

// A text that a screen reader hears as a sighted user reads it: in the accessibility tree as
// static text, or as a heading, with its characters as typed (never read as markup).
Text {
    property bool heading: false

    textFormat: Text.PlainText
    Accessible.role: heading ? Accessible.Heading : Accessible.StaticText
    Accessible.name: text
}
