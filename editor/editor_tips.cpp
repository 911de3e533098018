#include "editor/editor_tips.h"

#include "editor/folder_moves.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"
#include "resources/resource_ids.h"

namespace {

// Wide enough for the move and its key on the first line.
const int kTipWidth = 320;

struct Tips {
    HWND window;  // null: none
    HWND tree;
    HTREEITEM pointed;  // the row the pointer was last over
};
Tips g_tips;

}  // namespace

void StartEditorTips(HWND dialog) {
    g_tips = Tips{CreateTips(dialog, kTipWidth), GetDlgItem(dialog, IDC_FOLDER_TREE), nullptr};
    if (!g_tips.window) return;
    AddTip(g_tips.window, GetDlgItem(dialog, IDC_MOVE_UP), kTipMoveUp);
    AddTip(g_tips.window, GetDlgItem(dialog, IDC_MOVE_DOWN), kTipMoveDown);
    // The tree's tip depends on the row: asked for each time. Its mouse
    // comes from the editor's own subclass: the tree is busy while folders move.
    AddTip(g_tips.window, g_tips.tree, nullptr, true);
}

void StopEditorTips() {
    if (g_tips.window && IsWindow(g_tips.window)) DestroyWindow(g_tips.window);
    g_tips = Tips{};
}

bool AnswerFolderTip(LPARAM notification) {
    if (!g_tips.window) return false;
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(g_tips.tree, &point);
    HTREEITEM item = TreeHitTest(g_tips.tree, point);
    // A folder the control could not read gets no tip rather than a wrong one.
    LPARAM itemData = 0;
    const bool grey = item && TreeReadItemData(g_tips.tree, item, &itemData) && !FolderHasKey(itemData);
    return AnswerTipText(notification, g_tips.tree, grey ? kTipGreyFolder : "");
}

void NoteTreeMouse(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_tips.window || tree != g_tips.tree) return;
    if (message == WM_MOUSEMOVE) {
        POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        HTREEITEM item = TreeHitTest(tree, point);
        if (item != g_tips.pointed) {
            g_tips.pointed = item;
            HideTip(g_tips.window);
        }
    }
    RelayToTip(g_tips.window, tree, message, wParam, lParam);
}
