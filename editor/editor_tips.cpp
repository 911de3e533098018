#include "editor/editor_tips.h"

#include "editor/folder_moves.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"
#include "resources/resource_ids.h"

namespace {

// Wide enough for the move and its key on the first line, in dialog units:
// as wide, for the text, at every font size the dialog is shown in.
const int kTipWidthUnits = 214;

struct Tips {
    HWND window;  // null: none
    HWND tree;
    HTREEITEM pointed;  // the row the pointer was last over
};
Tips g_tips;

}  // namespace

void StartEditorTips(HWND dialog) {
    RECT width = {0, 0, kTipWidthUnits, 0};
    MapDialogRect(dialog, &width);
    g_tips = Tips{CreateTips(dialog, width.right), GetDlgItem(dialog, IDC_FOLDER_TREE), nullptr};
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
    // Asked of every notification the dialog gets (each row the tree draws,
    // each item a move deletes): only a tip's request asks the tree anything.
    if (!g_tips.window || !IsTipTextRequestFor(notification, g_tips.tree)) return false;
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
