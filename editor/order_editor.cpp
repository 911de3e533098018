#include "editor/order_editor.h"

#include "editor/check_list.h"
#include "editor/editor_check.h"
#include "editor/editor_input.h"
#include "editor/editor_layout.h"
#include "editor/editor_tips.h"
#include "editor/folder_moves.h"
#include "order/folder_key_copies.h"
#include "order/order_file.h"
#include "order/tree_sort.h"
#include "plugin/host_api.h"
#include "plugin/host_tree_watch.h"
#include "plugin/module_lifetime.h"
#include "plugin/module_state.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"
#include "resources/resource_ids.h"

namespace {

// The report names a path of up to MAX_PATH bytes and two short texts;
// wsprintfA never writes more than 1024 bytes.
const int kSaveFailureMessageBytes = 1024;

// The copy of the host's icons the open editor shows; zero when none.
TreeImagesCopy g_editorImages;
// The check of the order file the open editor shows; null when none runs.
EditorCheck* g_editorCheck;

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
        g_editorCheck = &check_;
    }
    ~EditorSession() {
        // Already done when the dialog was destroyed; a dialog that never
        // got that far leaves no hook behind either.
        StopEditorInput();
        StopEditorTips();
        TreeDropImages(nullptr, &g_editorImages);
        g_module.editorRunning = false;
        g_module.editorDialog = nullptr;
        g_module.editorKeys = nullptr;
        g_module.editorSaved = nullptr;
        g_editorCheck = nullptr;
        DeleteLeftoverSaves();
    }
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    SavedOrder& saved() { return saved_; }

private:
    FolderKeyCopies keys_;
    SavedOrder saved_;
    EditorCheck check_;
};

const char* SaveFailureCause(SaveResult result) {
    switch (result) {
        case SaveResult::kReadOnly: return kSaveFailedReadOnly;
        case SaveResult::kInUse: return kSaveFailedInUse;
        case SaveResult::kDiskFull: return kSaveFailedDiskFull;
        case SaveResult::kNoMemory: return kSaveFailedNoMemory;
        case SaveResult::kFolderPathTooLong: return kSaveFailedPathTooLong;
        case SaveResult::kUnreadable: return kSaveFailedUnreadable;
        case SaveResult::kNotPlainText: return kSaveFailedNotPlainText;
        case SaveResult::kChangedMeanwhile: return kSaveFailedChangedMeanwhile;
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
    // The lines the user removed or fixed in the check's list are left out.
    HostBlock dropped;
    DWORD droppedCount = 0;
    if (g_editorCheck && !g_editorCheck->Dropped(&dropped, &droppedCount)) {
        ShowSaveFailure(dialog, SaveResult::kNoMemory);
        return;
    }
    SaveResult result = SaveOrderFile(GetDlgItem(dialog, IDC_FOLDER_TREE), *g_module.editorKeys,
                                      g_module.editorSaved, reinterpret_cast<const LineText*>(dropped.get()),
                                      droppedCount);
    if (result == SaveResult::kSaved || result == SaveResult::kNothingToSave) {
        EndDialog(dialog, 1);
        return;
    }
    ShowSaveFailure(dialog, result);
}

}  // namespace

namespace {

bool IsGreyFolder(LPARAM itemData) { return !FolderHasKey(itemData); }

// Fills the tree and takes the keys of the folders it shows, once: what the
// host does to its records from here on cannot change what OK saves.
void InitialiseEditor(HWND dialog) {
    g_module.editorDialog = dialog;
    g_module.editorInitialised = true;
    HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
    // Groups open and close as in the host's folder pane. Before the fill:
    // the control lays its rows out anew when its style changes.
    TreeShowButtonsAtRoot(tree);
    // Without a list of the host's, or without memory for a copy, the tree
    // shows no icons, and nothing else changes.
    g_editorImages = TreeShowImagesOf(HostGetFolderTree(), tree);
    // An editor without every folder would save an order without them.
    if (!g_module.editorKeys || !FillEditorTree(tree, g_module.editorKeys)) {
        ShowEditorWarning(dialog, kEditorOutOfMemory);
        EndDialog(dialog, 0);
        return;
    }
    // Expanding a group scrolls its rows into view (Wine's control does so
    // even when told to by a program): the editor opens at its first row.
    TreeShowFirstRow(tree);
    StartEditorInput(dialog);
    StartEditorTips(dialog);
    PrepareEditorLayout(dialog);
    // Lines of the order file that name no folder are told at a glance. A
    // check that could not run shows nothing: nothing is lost by it.
    if (g_editorCheck && g_editorCheck->Run(tree, *g_module.editorKeys, g_module.dataFolder))
        ShowCheckNotice(dialog, *g_editorCheck);
    // Ready for the keyboard: ↓ selects the first folder, Alt+↓ moves it.
    // (The dialog would put the focus on its first control, OK.)
    SetFocus(tree);
}

// The dialog's window goes before its tree's, which would then remove its
// items by recursion, a stack frame a level: a tree as deep as the host's
// is taken apart first, from its deepest items up.
void ReleaseEditorTree(HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
    {
        TreeRedrawHold hold(tree);
        TreeDeleteAll(tree);
    }
    TreeDropImages(tree, &g_editorImages);
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
        case IDC_CHECK_OPEN:
            CancelDrag();
            if (g_editorCheck && g_module.editorKeys) RunCheckList(dialog, g_editorCheck, *g_module.editorKeys);
            break;
        case IDC_MOVE_UP:
        case IDC_MOVE_DOWN:
            // A press of the button made its move already; its click does
            // not make a second one. A click from anywhere else moves once.
            if (ButtonAlreadyMoved(id)) break;
            CancelDrag();
            MoveSelectedFolder(GetDlgItem(dialog, IDC_FOLDER_TREE), id == IDC_MOVE_UP ? FolderMove::kUp : FolderMove::kDown);
            break;
        default:
            break;
    }
}

// The host tree once the editor has closed with `result`; true when its
// sort could not read the order file and is still due. The host may have
// replaced its tree while the editor was open. After a save it is sorted by
// the bytes just written, so a file that cannot be read back at once (a
// scanner holding it) does not matter.
bool SortAfterEditor(HWND owner, INT_PTR result, SavedOrder& saved) {
    if (result == 0) return false;
    if (!saved.saved) return SortFolderTree(HostGetFolderTree()) == SortOutcome::kNotNow;
    HWND hostTree = HostGetFolderTree();
    if (!TreeIsLive(hostTree) || !SortFolderTreeBy(hostTree, saved.bytes.get(), saved.byteCount))
        ShowEditorWarning(owner, kSavedButNotSorted);
    return false;
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
    // The host may free the module from inside the dialog's loop.
    HoldModuleLoaded();
    EditorSession session;
    bool sortDue = SortBeforeEditor(HostGetFolderTree()) == SortOutcome::kNotNow;
    // -1 (the dialog could not be created) counts as a change too: the host
    // tree is re-sorted by whatever the file now holds.
    INT_PTR result = DialogBoxParamA(g_module.moduleHandle, MAKEINTRESOURCEA(IDD_ORDER_EDITOR),
                                     owner, OrderEditorProc, 0);
    // Wine answers 0, not -1, when the dialog cannot be created: the dialog
    // procedure never seeing its first message is what tells.
    if (!g_module.editorInitialised) ShowEditorWarning(nullptr, kEditorCouldNotOpen);
    sortDue = SortAfterEditor(owner, result, session.saved()) || (result == 0 && sortDue);
    ResumeWatchAfterEditor(sortDue);
}

INT_PTR CALLBACK OrderEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitialiseEditor(dialog);
            // The focus is set: the dialog is not to choose one.
            return FALSE;
        case WM_COMMAND:
            OnEditorCommand(dialog, LOWORD(wParam));
            return FALSE;
        case WM_NOTIFY:
            if (AnswerFolderTip(lParam)) return TRUE;
            if (LOWORD(wParam) != IDC_FOLDER_TREE || NotificationCode(lParam) != NM_CUSTOMDRAW) return FALSE;
            return AnswerDialogNotification(
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
            RememberEditorPlace(dialog);
            StopEditorTips();
            StopEditorInput();
            ReleaseEditorTree(dialog);
            // A settings request from here on finds no dialog to bring forward.
            g_module.editorDialog = nullptr;
            return FALSE;
        default:
            return HandleKeyActionMessage(dialog, message, wParam);
    }
}
