#include "editor/order_editor.h"

#include "order/order_file.h"
#include "order/tree_sort.h"
#include "plugin/host_api.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"
#include "resources/resource_ids.h"

namespace {

const int kItemTextCapacity = 100;

void MoveSelectionUp(HWND tree) {
    HTREEITEM selected = TreeGetSelection(tree);
    if (!selected) return;
    HTREEITEM previous = TreeGetPreviousSibling(tree, selected);
    if (!previous) return;
    MoveEditorItem(tree, selected, TreeGetParent(tree, selected),
                   TreeGetPreviousSibling(tree, previous));
}

void MoveSelectionDown(HWND tree) {
    HTREEITEM selected = TreeGetSelection(tree);
    if (!selected) return;
    HTREEITEM next = TreeGetNextSibling(tree, selected);
    if (!next) return;
    MoveEditorItem(tree, selected, TreeGetParent(tree, selected), next);
}

void OnEditorCommand(HWND dialog, WORD id) {
    switch (id) {
        case IDOK:
            SaveOrderFile(g_module.editorTree);
            EndDialog(dialog, 1);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        case IDC_MOVE_UP:
            MoveSelectionUp(g_module.editorTree);
            break;
        case IDC_MOVE_DOWN:
            MoveSelectionDown(g_module.editorTree);
            break;
        default:
            break;
    }
}

}  // namespace

void RunOrderEditor(HWND owner) {
    HWND hostTree = HostGetFolderTree();
    SortFolderTree(hostTree);
    // -1 (the dialog could not be created) counts as a change too: the host
    // tree is re-sorted by whatever the file now holds.
    INT_PTR result = DialogBoxParamA(g_module.moduleHandle, MAKEINTRESOURCEA(IDD_ORDER_EDITOR),
                                     owner, OrderEditorProc, 0);
    if (result != 0) SortFolderTree(hostTree);
}

INT_PTR CALLBACK OrderEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            g_module.editorTree = GetDlgItem(dialog, IDC_FOLDER_TREE);
            FillEditorTree(g_module.editorTree);
            return TRUE;
        case WM_COMMAND:
            OnEditorCommand(dialog, LOWORD(wParam));
            return FALSE;
        default:
            return FALSE;
    }
}

void FillEditorTree(HWND editorTree) {
    HWND hostTree = HostGetFolderTree();
    for (HTREEITEM item = TreeGetRoot(hostTree); item; item = TreeGetNextSibling(hostTree, item))
        CopyTreeItem(editorTree, TVI_ROOT, TVI_LAST, hostTree, item);
}

HTREEITEM CopyTreeItem(HWND destinationTree, HTREEITEM parent, HTREEITEM insertAfter,
                       HWND sourceTree, HTREEITEM sourceItem) {
    char text[kItemTextCapacity];
    LPARAM itemData = TreeGetItemTextAndData(sourceTree, sourceItem, text, kItemTextCapacity);
    HTREEITEM copy = TreeInsertItem(destinationTree, parent, insertAfter, text, itemData);
    // Without the new item its children would land at the top level.
    if (!copy) return nullptr;
    for (HTREEITEM child = TreeGetChild(sourceTree, sourceItem); child;
         child = TreeGetNextSibling(sourceTree, child))
        CopyTreeItem(destinationTree, copy, TVI_LAST, sourceTree, child);
    TreeExpandItem(destinationTree, copy);
    return copy;
}

void MoveEditorItem(HWND tree, HTREEITEM item, HTREEITEM parent, HTREEITEM previousSibling) {
    HTREEITEM insertAfter = previousSibling ? previousSibling : TVI_FIRST;
    HTREEITEM moved = CopyTreeItem(tree, parent, insertAfter, tree, item);
    // Keep the original unless its copy is really there: a folder missing
    // from the editor would be missing from the saved order.
    if (!moved) return;
    TreeDeleteItem(tree, item);
    TreeSelectItem(tree, moved);
}
