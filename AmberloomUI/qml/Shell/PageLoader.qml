import QtQuick

// A screen loaded from its file when it is first shown rather than with the window, so that the
// screens a start does not show stay out of the start-up. `properties` are its initial values;
// its title and subtitle are passed on for the window's tool bar.
Loader {
    required property url file
    property var properties: ({})
    readonly property var title: item ? item.title : undefined
    readonly property var subtitle: item ? item.subtitle : undefined

    Component.onCompleted: setSource(file, properties)
}
