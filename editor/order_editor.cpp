#include "editor/order_editor.h"

#include "editor/editor_drag.h"
#include "editor/editor_input.h"
#include "editor/editor_layout.h"
#include "editor/move_history.h"
#include "order/folder_key_copies.h"
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

// The editor's state for as long as it runs, whatever path leaves: the
// running mark, the dialog, and the copies of the keys it shows, which are
// released with it.
class EditorSession {
public:
    EditorSession() {
        g_module.editorRunning = true;
        g_module.editorInitialised = false;
        g_module.editorAbandoned = false;
        g_module.editorKeys = &keys_;
        g_module.editorSaved = &saved_;
    }
    ~EditorSession() {
        // Already done when the dialog was destroyed; a dialog that never
        // got that far leaves no hook behind either.
        StopEditorInput();
        g_module.editorRunning = false;
        g_module.editorDialog = nullptr;
        g_module.editorKeys = nullptr;
        g_module.editorSaved = nullptr;
        DeleteLeftoverSaves();
    }
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    SavedOrder& saved() { return saved_; }

private:
    FolderKeyCopies keys_;
    SavedOrder saved_;
};

// A box about the editor: caption "並び替え", a warning. An owner that is no
// window would keep the box from showing at all, so it then has none.
void ShowEditorWarning(HWND owner, const char* text) {
    MessageBoxA(IsWindow(owner) ? owner : nullptr, text, kEditorCaption, MB_OK | MB_ICONWARNING);
}

// A move that could not be made: the folder stays where it was.
void TellMoveFailed(HWND tree) { ShowEditorWarning(GetParent(tree), kEditorMoveFailed); }

const char* SaveFailureCause(SaveResult result) {
    switch (result) {
        case SaveResult::kReadOnly: return kSaveFailedReadOnly;
        case SaveResult::kInUse: return kSaveFailedInUse;
        case SaveResult::kDiskFull: return kSaveFailedDiskFull;
        case SaveResult::kNoMemory: return kSaveFailedNoMemory;
        case SaveResult::kFolderPathTooLong: return kSaveFailedPathTooLong;
        case SaveResult::kUnreadable: return kSaveFailedUnreadable;
        default: return kSaveFailedNotWritable;
    }
}

void ShowSaveFailure(HWND dialog, SaveResult result) {
    char message[kSaveFailureMessageBytes];
    if (result == SaveResult::kFolderNotWritable) {
        char folder[kPathCapacity];
        OrderFileFolder(folder);
        wsprintfA(message, kSaveFailedFolderFormat, folder);
    } else {
        wsprintfA(message, kSaveFailedFormat, g_module.orderFilePath, SaveFailureCause(result));
    }
    ShowEditorWarning(dialog, message);
}

// Saves and closes. A save that fails keeps the dialog open with the user's
// moves, so they can let the other program go and press OK again, or cancel.
// A start-up while the editor was open may have found the host's folders
// unreadable and forgotten the order file: nothing can be saved then, and
// the user is told so before the dialog closes.
void ConfirmEditor(HWND dialog) {
    // Closing already, with nothing to save.
    if (g_module.editorAbandoned) return;
    if (g_module.orderFilePath[0] == '\0' || !g_module.editorKeys) {
        ShowEditorWarning(dialog, kEditorHostLost);
        EndDialog(dialog, 0);
        return;
    }
    SaveResult result =
        SaveOrderFile(GetDlgItem(dialog, IDC_FOLDER_TREE), *g_module.editorKeys, g_module.editorSaved);
    if (result == SaveResult::kSaved || result == SaveResult::kNothingToSave) {
        EndDialog(dialog, 1);
        return;
    }
    ShowSaveFailure(dialog, result);
}

}  // namespace

// Alt with an arrow, Home or End moves the selected folder, as the buttons
// do but as far as the key says, in one move. The tree control ignores
// these keys (they come as system keys, with Alt's bit set in the key data),
// so the editor catches them on the tree itself. Holding a key repeats it.
bool FolderMoveForKey(WPARAM key, LPARAM keyData, FolderMove* how) {
    if (!KeyDataAltDown(keyData)) return false;
    switch (key) {
        case VK_UP: *how = FolderMove::kUp; return true;
        case VK_DOWN: *how = FolderMove::kDown; return true;
        case VK_HOME: *how = FolderMove::kFirst; return true;
        case VK_END: *how = FolderMove::kLast; return true;
        default: return false;
    }
}

bool MoveSelectionByKey(HWND tree, WPARAM key, LPARAM keyData) {
    FolderMove how;
    if (!FolderMoveForKey(key, keyData, &how)) return false;
    MoveSelectedFolder(tree, how);
    return true;
}

namespace {

bool IsGreyFolder(LPARAM itemData) { return !FolderHasKey(itemData); }

LRESULT CALLBACK EditorTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSKEYDOWN && MoveSelectionByKey(tree, wParam, lParam)) return 0;
    LRESULT result;
    if (HandleDragMessage(tree, message, wParam, lParam, g_module.editorTreeProc, &result)) return result;
    switch (message) {
        case WM_RBUTTONDOWN: {
            // As in Explorer, the folder right-clicked becomes the selected
            // one; the control's own handling (a loop of its own until the
            // release) is not needed.
            POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            HTREEITEM item = TreeHitTest(tree, point);
            SetFocus(tree);
            if (item) TreeSelectItem(tree, item);
            return 0;
        }
        case WM_RBUTTONUP: {
            // The menu opens on the release, and the release is not passed
            // on: the platform would ask for a menu a second time.
            POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (!TreeHitTest(tree, point)) return 0;
            ClientToScreen(tree, &point);
            ShowFolderMenu(tree, point, false);
            return 0;
        }
        default:
            return CallWindowProcA(g_module.editorTreeProc, tree, message, wParam, lParam);
    }
}

// Fills the tree and takes the keys of the folders it shows, once: what the
// host does to its records from here on cannot change what OK saves.
void InitialiseEditor(HWND dialog) {
    g_module.editorDialog = dialog;
    g_module.editorInitialised = true;
    HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
    g_module.editorTreeProc = TreeSubclass(tree, EditorTreeProc);
    // An editor without every folder would save an order without them.
    if (!g_module.editorKeys || !FillEditorTree(tree, g_module.editorKeys)) {
        ShowEditorWarning(dialog, kEditorOutOfMemory);
        EndDialog(dialog, 0);
        return;
    }
    StartEditorInput(dialog);
    PrepareEditorLayout(dialog);
}

// The dialog's window goes before its tree's, which would then remove its
// items by recursion, a stack frame a level: a tree as deep as the host's
// is taken apart first, from its deepest items up.
void ReleaseEditorTree(HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
    TreeRedrawHold hold(tree);
    TreeDeleteAll(tree);
}

// Every command works on the tree of the dialog that received it.
void OnEditorCommand(HWND dialog, WORD id) {
    switch (id) {
        case IDOK:
            ConfirmEditor(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        case IDC_MOVE_UP:
        case IDC_MOVE_DOWN:
            // A press of the button made its move already; its click does
            // not make a second one. A click from anywhere else moves once.
            if (!ButtonAlreadyMoved(id))
                MoveSelectedFolder(GetDlgItem(dialog, IDC_FOLDER_TREE),
                                   id == IDC_MOVE_UP ? FolderMove::kUp : FolderMove::kDown);
            break;
        default:
            break;
    }
}

// Answered through the dialog's message result, as notifications are.
BOOL AnswerNotification(HWND dialog, LRESULT answer) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, answer);
    return TRUE;
}

}  // namespace

void RunOrderEditor(HWND owner) {
    if (g_module.editorRunning) {
        // A second editor would copy the tree again and, closing first, leave
        // the first one saving over the user's order: show the open one.
        if (g_module.editorDialog) SetForegroundWindow(g_module.editorDialog);
        return;
    }
    // Without an order file (the start-up could not read the host's folders,
    // or has not run) no move could be saved: say so rather than let the
    // user arrange folders for nothing. Before the first start-up the
    // folder-path offset is still 0, and the reason is another.
    if (g_module.orderFilePath[0] == '\0') {
        ShowEditorWarning(owner, g_module.folderPathOffset == 0 ? kEditorBeforeStart : kEditorUnavailable);
        return;
    }
    EditorSession session;
    SortFolderTree(HostGetFolderTree());
    // -1 (the dialog could not be created) counts as a change too: the host
    // tree is re-sorted by whatever the file now holds.
    INT_PTR result = DialogBoxParamA(g_module.moduleHandle, MAKEINTRESOURCEA(IDD_ORDER_EDITOR),
                                     owner, OrderEditorProc, 0);
    // Wine answers 0, not -1, when the dialog cannot be created: the dialog
    // procedure never seeing its first message is what tells.
    if (!g_module.editorInitialised) ShowEditorWarning(nullptr, kEditorCouldNotOpen);
    if (result == 0) return;
    // The host may have replaced its tree while the editor was open. After
    // a save it is sorted by the bytes just written, so a file that cannot
    // be read back at once (a scanner holding it) does not matter.
    SavedOrder& saved = session.saved();
    if (!saved.saved) {
        SortFolderTree(HostGetFolderTree());
        return;
    }
    HWND hostTree = HostGetFolderTree();
    if (!TreeIsLive(hostTree) || !SortFolderTreeBy(hostTree, saved.bytes.get(), saved.byteCount))
        ShowEditorWarning(owner, kSavedButNotSorted);
}

INT_PTR CALLBACK OrderEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitialiseEditor(dialog);
            return TRUE;
        case WM_COMMAND:
            OnEditorCommand(dialog, LOWORD(wParam));
            return FALSE;
        case WM_NOTIFY:
            if (LOWORD(wParam) != IDC_FOLDER_TREE || NotificationCode(lParam) != NM_CUSTOMDRAW) return FALSE;
            return AnswerNotification(
                dialog, TreeCustomDraw(GetDlgItem(dialog, IDC_FOLDER_TREE), lParam, IsGreyFolder));
        case WM_SIZE:
            LayOutEditor(dialog);
            return FALSE;
        case WM_GETMINMAXINFO:
            LimitEditorSize(dialog, lParam);
            return FALSE;
        case WM_WINDOWPOSCHANGED:
            // EndDialog hides the dialog at once but destroys it only when
            // its loop next looks: a drag must not go on in a hidden window.
            if (!IsWindowVisible(dialog)) CancelDrag();
            return FALSE;
        case WM_DESTROY:
            StopEditorInput();
            ReleaseEditorTree(dialog);
            // A settings request from here on finds no dialog to bring forward.
            g_module.editorDialog = nullptr;
            return FALSE;
        default:
            return HandleKeyActionMessage(dialog, message, wParam);
    }
}

bool FillEditorTree(HWND editorTree, FolderKeyCopies* keys) {
    HWND hostTree = HostGetFolderTree();
    // The keys are taken as the items are copied: one read of each host
    // record, in the same pass, with no message loop in between.
    for (HTREEITEM item = TreeGetRoot(hostTree); item; item = TreeGetNextSibling(hostTree, item)) {
        if (!CopyTreeItem(editorTree, TVI_ROOT, TVI_LAST, hostTree, item, keys)) return false;
    }
    return !keys || keys->Index();
}

namespace {
// A delete the control refused is tried again: a very deep subtree goes in
// pieces, and a second try takes what the first left.
bool RemoveItem(HWND tree, HTREEITEM item) {
    const int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (TreeDeleteItem(tree, item)) return true;
    }
    return false;
}

// One item, without its children; null when it could not be read or inserted.
HTREEITEM CopyOneItem(HWND destinationTree, HTREEITEM parent, HTREEITEM insertAfter,
                      HWND sourceTree, HTREEITEM sourceItem, FolderKeyCopies* keys) {
    char text[kItemTextCapacity];
    LPARAM itemData = 0;
    if (!TreeReadItem(sourceTree, sourceItem, text, kItemTextCapacity, &itemData)) return nullptr;
    HTREEITEM copy = TreeInsertItem(destinationTree, parent, insertAfter, text, itemData);
    if (copy && keys) keys->Add(itemData);
    return copy;
}

// The control leaves an item without children as it is when asked to
// expand it (it answers FALSE and sets no state), so only parents are
// asked: one message fewer for every leaf of a large tree.
void ExpandIfParent(HWND tree, HTREEITEM item) {
    if (TreeGetChild(tree, item)) TreeExpandItem(tree, item);
}
}  // namespace

HTREEITEM CopyTreeItem(HWND destinationTree, HTREEITEM parent, HTREEITEM insertAfter,
                       HWND sourceTree, HTREEITEM sourceItem, FolderKeyCopies* keys) {
    HTREEITEM copy = CopyOneItem(destinationTree, parent, insertAfter, sourceTree, sourceItem, keys);
    if (!copy) return nullptr;
    // Depth-first without recursion, as deep as the host's tree goes: the
    // copy of each item's parent is found in the destination tree itself,
    // so nothing grows with the depth. When the copy and its source share a
    // tree, the copy stands beside the source, never inside it.
    HTREEITEM source = sourceItem;
    HTREEITEM copied = copy;
    for (;;) {
        HTREEITEM next = TreeGetChild(sourceTree, source);
        HTREEITEM nextParent = copied;
        while (!next) {
            if (source == sourceItem) {
                ExpandIfParent(destinationTree, copy);
                return copy;
            }
            nextParent = TreeGetParent(destinationTree, copied);
            next = TreeGetNextSibling(sourceTree, source);
            if (next) break;
            // Every child of the parent is in place: it is shown expanded.
            source = TreeGetParent(sourceTree, source);
            copied = nextParent;
            TreeExpandItem(destinationTree, copied);
        }
        copied = CopyOneItem(destinationTree, nextParent, TVI_LAST, sourceTree, next, keys);
        if (!copied) {
            // Half a copy would be folders shown twice, or saved out of place.
            RemoveItem(destinationTree, copy);
            return nullptr;
        }
        source = next;
    }
}

namespace {
// What stands where a copy inserted after `previousSibling` (first when
// null) under `parent` would go.
HTREEITEM SiblingAt(HWND tree, HTREEITEM parent, HTREEITEM previousSibling) {
    return previousSibling ? TreeGetNextSibling(tree, previousSibling) : TreeGetChild(tree, parent ? parent : TVI_ROOT);
}

// The tree no longer shows what the user arranged (a copy or an original
// that the control would not remove): nothing of it may be saved.
void AbandonEditor(HWND tree) {
    HWND dialog = GetParent(tree);
    g_module.editorAbandoned = true;
    ShowEditorWarning(dialog, kEditorAbandoned);
    EndDialog(dialog, 0);
}
}  // namespace

HTREEITEM MoveEditorItem(HWND tree, HTREEITEM item, HTREEITEM parent, HTREEITEM previousSibling) {
    HTREEITEM insertAfter = previousSibling ? previousSibling : TVI_FIRST;
    HTREEITEM standing = SiblingAt(tree, parent, previousSibling);
    HTREEITEM moved;
    bool whole = true;
    {
        // A big subtree is copied item by item: held, the tree repaints once.
        TreeRedrawHold hold(tree);
        moved = CopyTreeItem(tree, parent, insertAfter, tree, item);
        // The original goes only once its whole copy is there: a move is
        // all or nothing. A copy that failed took itself away again, unless
        // the control refused that too.
        if (!moved) {
            whole = SiblingAt(tree, parent, previousSibling) == standing;
        } else if (!RemoveItem(tree, item)) {
            moved = nullptr;
            whole = false;
        }
    }
    if (!whole) {
        AbandonEditor(tree);
        return nullptr;
    }
    if (!moved) {
        TellMoveFailed(tree);
        return nullptr;
    }
    // Selected only now that the painting hold is over: selecting while it
    // holds makes the control scroll with a stale layout, and under Wine the
    // rows above then stay out of reach until Home.
    TreeSelectItem(tree, moved);
    return moved;
}

bool FindFolderMove(HWND tree, FolderMove how, HTREEITEM* item, HTREEITEM* previousSibling) {
    HTREEITEM selected = TreeGetSelection(tree);
    if (!selected) return false;
    HTREEITEM previous = TreeGetPreviousSibling(tree, selected);
    HTREEITEM next = TreeGetNextSibling(tree, selected);
    *item = selected;
    switch (how) {
        case FolderMove::kFirst:
            *previousSibling = nullptr;
            return previous != nullptr;
        case FolderMove::kUp:
            if (!previous) return false;
            *previousSibling = TreeGetPreviousSibling(tree, previous);
            return true;
        case FolderMove::kDown:
            *previousSibling = next;
            return next != nullptr;
        case FolderMove::kLast:
            if (!next) return false;
            for (HTREEITEM after; (after = TreeGetNextSibling(tree, next)) != nullptr;) next = after;
            *previousSibling = next;
            return true;
    }
    return false;
}

HTREEITEM MoveSelectedFolder(HWND tree, FolderMove how) {
    HTREEITEM item, previousSibling;
    if (!FindFolderMove(tree, how, &item, &previousSibling)) return nullptr;
    return MoveFolder(tree, item, previousSibling);
}

bool FolderHasKey(LPARAM itemData) {
    if (!g_module.editorKeys) return false;
    // An empty key (the data folder itself) is saved as an empty line, which
    // orders nothing unless it is the file's first: its moves could not last.
    const char* key = g_module.editorKeys->Find(itemData);
    return key && key[0] != '\0';
}

HTREEITEM MoveFolder(HWND tree, HTREEITEM item, HTREEITEM previousSibling, HistoryStep step) {
    if (g_module.editorAbandoned) return nullptr;
    // A press waiting to become a drag holds the item it was made on, which
    // any move replaces: a move by key or menu ends it.
    CancelDrag();
    // A folder without a key (outside the data folder, or a record whose
    // path could not be read) is never written to the order file: a move
    // the editor showed would snap back after OK.
    LPARAM itemData = 0;
    if (!TreeReadItemData(tree, item, &itemData)) {
        TellMoveFailed(tree);
        return nullptr;
    }
    if (!FolderHasKey(itemData)) {
        MessageBeep(MB_OK);
        return nullptr;
    }
    int fromIndex = move_history::SiblingIndex(tree, item);
    HTREEITEM moved = MoveEditorItem(tree, item, TreeGetParent(tree, item), previousSibling);
    if (!moved) return nullptr;
    switch (step) {
        case HistoryStep::kRecord: move_history::Record(tree, fromIndex, moved); break;
        case HistoryStep::kUndo: move_history::Undone(); break;
        case HistoryStep::kRedo: move_history::Redone(); break;
    }
    // The row above shows where the folder went: its previous sibling, or
    // its parent when it went first.
    HTREEITEM above = TreeGetPreviousSibling(tree, moved);
    if (!above) above = TreeGetParent(tree, moved);
    if (above) TreeEnsureVisible(tree, above);
    TreeEnsureVisible(tree, moved);
    return moved;
}

namespace {
// The sibling after which `item` must go to stand at `toIndex`: counted
// with the item still in its old place, so a later place counts one more.
HTREEITEM PreviousSiblingForIndex(HWND tree, HTREEITEM item, int toIndex) {
    int fromIndex = move_history::SiblingIndex(tree, item);
    int afterIndex = toIndex < fromIndex ? toIndex - 1 : toIndex;
    if (afterIndex < 0) return nullptr;
    HTREEITEM sibling = TreeGetChild(tree, TreeGetParent(tree, item) ? TreeGetParent(tree, item) : TVI_ROOT);
    for (int i = 0; sibling && i < afterIndex; ++i) sibling = TreeGetNextSibling(tree, sibling);
    return sibling;
}
}  // namespace

void UndoMove(HWND tree) {
    HTREEITEM item;
    int toIndex;
    if (!move_history::PeekUndo(tree, &item, &toIndex)) return;
    MoveFolder(tree, item, PreviousSiblingForIndex(tree, item, toIndex), HistoryStep::kUndo);
}

void RedoMove(HWND tree) {
    HTREEITEM item;
    int toIndex;
    if (!move_history::PeekRedo(tree, &item, &toIndex)) return;
    MoveFolder(tree, item, PreviousSiblingForIndex(tree, item, toIndex), HistoryStep::kRedo);
}
