#include "editor/order_editor.h"

#include "order/order_file.h"
#include "order/tree_sort.h"
#include "plugin/host_api.h"
#include "plugin/module_state.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"
#include "resources/resource_ids.h"

namespace {

const int kItemTextCapacity = 100;
// The report names a path of up to MAX_PATH bytes and two short texts;
// wsprintfA never writes more than 1024 bytes.
const int kSaveFailureMessageBytes = 1024;

// Marks the editor as running for as long as it runs, whatever path leaves.
class EditorSession {
public:
    EditorSession() { g_module.editorRunning = true; }
    ~EditorSession() {
        g_module.editorRunning = false;
        g_module.editorDialog = nullptr;
    }
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;
};

const char* SaveFailureCause(SaveResult result) {
    switch (result) {
        case SaveResult::kReadOnly: return kSaveFailedReadOnly;
        case SaveResult::kInUse: return kSaveFailedInUse;
        case SaveResult::kDiskFull: return kSaveFailedDiskFull;
        default: return kSaveFailedNotWritable;
    }
}

void ShowSaveFailure(HWND dialog, SaveResult result) {
    char message[kSaveFailureMessageBytes];
    wsprintfA(message, kSaveFailedFormat, g_module.orderFilePath, SaveFailureCause(result));
    MessageBoxA(dialog, message, kEditorCaption, MB_OK | MB_ICONWARNING);
}

// Saves and closes. A save that fails keeps the dialog open with the user's
// moves, so they can let the other program go and press OK again, or cancel.
// Without an order-file path the host check has failed and the user was told
// at start-up: the dialog closes, as nothing can be saved.
void ConfirmEditor(HWND dialog) {
    SaveResult result = SaveOrderFile(GetDlgItem(dialog, IDC_FOLDER_TREE));
    if (result == SaveResult::kSaved || result == SaveResult::kNoOrderFile) {
        EndDialog(dialog, 1);
        return;
    }
    ShowSaveFailure(dialog, result);
}

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

// Every command works on the tree of the dialog that received it.
void OnEditorCommand(HWND dialog, WORD id) {
    switch (id) {
        case IDOK:
            ConfirmEditor(dialog);
            break;
        case IDCANCEL:
            DeleteLeftoverSave();
            EndDialog(dialog, 0);
            break;
        case IDC_MOVE_UP:
            MoveSelectionUp(GetDlgItem(dialog, IDC_FOLDER_TREE));
            break;
        case IDC_MOVE_DOWN:
            MoveSelectionDown(GetDlgItem(dialog, IDC_FOLDER_TREE));
            break;
        default:
            break;
    }
}

}  // namespace

void RunOrderEditor(HWND owner) {
    if (g_module.editorRunning) {
        // A second editor would copy the tree again and, closing first, leave
        // the first one saving over the user's order: show the open one.
        if (g_module.editorDialog) SetForegroundWindow(g_module.editorDialog);
        return;
    }
    EditorSession session;
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
            g_module.editorDialog = dialog;
            FillEditorTree(GetDlgItem(dialog, IDC_FOLDER_TREE));
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
    bool hasChildren = false;
    for (HTREEITEM child = TreeGetChild(sourceTree, sourceItem); child;
         child = TreeGetNextSibling(sourceTree, child)) {
        CopyTreeItem(destinationTree, copy, TVI_LAST, sourceTree, child);
        hasChildren = true;
    }
    // The control leaves an item without children as it is when asked to
    // expand it (it answers FALSE and sets no state), so only parents are
    // asked: one message fewer for every leaf of a large tree.
    if (hasChildren) TreeExpandItem(destinationTree, copy);
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
