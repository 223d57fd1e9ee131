import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The main window's menu bar, drawn in the window's palette: a row of menu titles whose menus
// (AppMenus) drop down below them, over the window's content. A title's "&" marks the letter that
// opens its menu with Alt. Once the last menu closes, the keyboard's focus goes back where it was
// before the first opened; when the command chosen opened a panel or a question, once that is gone.
T.MenuBar {
    id: bar

    // Where the focus was when the first menu opened, and how it got there.
    property Item focusBefore: null
    property int focusReasonBefore: Qt.OtherFocusReason

    // Opens the first menu, or closes the open one.
    function toggleFirst() {
        if (openMenu() !== null)
            dismiss();
        else if (count > 0)
            itemAt(0).triggered();
    }
    function dismiss() {
        const menu = openMenu();
        if (menu)
            menu.dismiss();
    }
    function openMenu() {
        for (let i = 0; i < count; ++i)
            if (menuAt(i).visible)
                return menuAt(i);
        return null;
    }
    function menuOpening() {
        const focused = Window.activeFocusItem;
        if (focusBefore || !focused || FocusChain.isWithin(focused, bar))
            return;
        focusBefore = focused;
        focusReasonBefore = focused.focusReason ?? Qt.OtherFocusReason;
    }
    function menuClosed() {
        Qt.callLater(() => {
            if (openMenu() !== null || !focusBefore)
                return;
            const back = focusBefore;
            focusBefore = null;
            const focused = Window.activeFocusItem;
            // A command that opened a panel, a sheet or another window leaves the focus there, and
            // gets it back once they are gone.
            if (!Window.active || (focused && focused !== back && focused !== Window.contentItem && !FocusChain.isWithin(focused, bar))) {
                focusAfterCommand.giveBack(back, focusReasonBefore);
                return;
            }
            if (focused === back && back.focusReason !== undefined)
                back.focusReason = focusReasonBefore;
            else
                back.forceActiveFocus(focusReasonBefore);
        });
    }
    readonly property FocusReturn focusAfterCommand: FocusReturn {}
    // Without its "&": "&File" reads "File".
    function plainTitle(title) {
        return title.replace(/&(.)/g, "$1");
    }

    Component.onCompleted: {
        for (let i = 0; i < count; ++i) {
            menuAt(i).aboutToShow.connect(menuOpening);
            menuAt(i).closed.connect(menuClosed);
        }
    }

    implicitWidth: contentWidth + leftPadding + rightPadding
    implicitHeight: 30
    leftPadding: 4

    delegate: T.MenuBarItem {
        id: title
        implicitWidth: contentItem.implicitWidth + leftPadding + rightPadding
        implicitHeight: 30
        leftPadding: 10
        rightPadding: 10
        Accessible.name: bar.plainTitle(text)
        contentItem: Text {
            text: bar.plainTitle(title.text)
            font.pixelSize: 13
            color: Theme.palette.onSurface
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            color: title.highlighted ? Theme.palette.border : "transparent"
            radius: 4
        }
    }

    contentItem: Row {
        spacing: bar.spacing
        Repeater { model: bar.contentModel }
    }

    background: MenuBarStrip {}
}
