import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// A symbol by name, drawn in one colour. `pointSize` is the size of the font the symbol is set
// in; the icon is a square of that many points. An unknown name draws the neutral fallback icon.
Image {
    id: icon

    property string name
    property color color: Theme.palette.onSurface
    property real pointSize: 13

    // The image is drawn at the screen's density, which makes its own size that many times larger:
    // a layout is told the size in points.
    Layout.preferredWidth: pointSize
    Layout.preferredHeight: pointSize
    width: pointSize
    height: pointSize
    sourceSize.width: Math.ceil(pointSize * Screen.devicePixelRatio)
    sourceSize.height: Math.ceil(pointSize * Screen.devicePixelRatio)
    fillMode: Image.PreserveAspectFit
    // Shared through the image cache: the address names the symbol and its colour and the cache
    // tells sizes apart, so each tint is drawn once, and a palette change asks for new images.
    cache: true
    // The provider reads "<name>/<colour without #>".
    source: "image://symbol/" + name + "/" + String(color).substring(1)
    Accessible.ignored: true
}
