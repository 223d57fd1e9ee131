import QtQuick
import AmberLoom.UI

// The scrolling list of a browser page, moved through from the keyboard (see FocusList). Its
// header grows and shrinks as its texts wrap to the page's width; until the user scrolls, the list
// keeps the top of the header in view. While it has rows, one of them is always the current one:
// Tab enters the list there, whatever the page showed before.
FocusList {
    id: list

    property bool userScrolled: false

    // Shows the top of the page, margin included, and keeps it there until the user scrolls again.
    function showTop() {
        userScrolled = false;
        contentY = originY - topMargin;
    }

    reuseItems: true
    cacheBuffer: 0
    boundsBehavior: Flickable.StopAtBounds
    onMovementStarted: userScrolled = true
    onMovedByKeys: userScrolled = true
    onOriginYChanged: if (!userScrolled) contentY = originY - topMargin
    onCountChanged: keepCurrentRow()
    onCurrentIndexChanged: keepCurrentRow()

    function keepCurrentRow() {
        if (count > 0 && (currentIndex < 0 || currentIndex >= count))
            currentIndex = 0;
    }
}
