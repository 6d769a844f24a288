#include "platform/wayland/OverlayInput.h"

#include <Qt>

#include "hook/HookBlock.h"
#include "platform/WinMessages.h"

namespace {

// The main window while a selection wants the pointer; 0 otherwise.
HWND Selecting() {
    return HookBlock && HookRead(HookBlock->Mode) == HookModeSelect
               ? HookRead(HookBlock->MainWindow)
               : 0;
}

} // namespace

void TOverlayInput::Move(QPoint at) {
    FSeen = true;
    FLast = at;
    if (const HWND main = Selecting())
        PostMessage(main, LeftDown ? hmDrag : hmMove, at.x(), at.y());
}

void TOverlayInput::Button(bool left, bool press, QPoint at) {
    FSeen = true;
    FLast = at;
    const HWND main = Selecting();
    if (!main) {
        LeftDown = false;
        return;
    }
    if (left && press) {
        LeftDown = true;
        PostMessage(main, hmLeftDown, at.x(), at.y());
    } else if (left && LeftDown) {
        LeftDown = false;
        PostMessage(main, hmLeftUp, at.x(), at.y());
        HookWrite(HookBlock->Mode, HookModeKeys);
    } else if (!left && press) {
        PostMessage(main, hmRightClick, 0, 0);
    }
}

bool TOverlayInput::Key(int key) {
    const HWND main = Selecting();
    if (key != Qt::Key_Escape || !main) return false;
    LeftDown = false;
    PostMessage(main, hmCancel, 0, 0);
    HookWrite(HookBlock->Mode, HookModeKeys);
    return true;
}
