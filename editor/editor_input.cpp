#include "editor/editor_input.h"

#include "editor/editor_tips.h"
#include "editor/folder_moves.h"
#include "plugin/module_state.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"
#include "resources/resource_ids.h"

namespace {

// What a key taken in the hook does is done once the hook has returned,
// from a private message: a move that fails says so in a message box, and
// the menu runs a loop of its own, neither of which belongs inside the
// dialog loop's hook. Moves are FolderMove's values; then these.
const UINT kKeyActionMessage = WM_APP + 0x231;
enum KeyAction : UINT { kActionUndo = 16, kActionRedo, kActionMenu };
// The menu's own entries; the moves are FolderMove's values.
enum MenuAction : UINT { kActionSortGroup = 32, kActionSortSubfolders };

// Button timer id; a button keeps no timers of its own.
const UINT_PTR kRepeatTimer = 0x7A32;


// Zero at load: the module runs no constructors.
struct InputState {
    HWND dialog;
    HHOOK keyHook;
    WNDPROC buttonProcs[2];  // the ↑ and ↓ buttons' own procedures
    WORD pressedButton;      // the button whose press made a move, until its release
    WORD releasingButton;    // that button while its release sends its click
    bool altKeyTaken;        // a key with Alt was taken, since Alt went down
};
InputState g_input;

HWND EditorTree() { return GetDlgItem(g_input.dialog, IDC_FOLDER_TREE); }

// Does what a key or the menu asked for. A press waiting to become a drag
// holds the item it was made on, which any move replaces: it ends first.
void Act(HWND tree, UINT action) {
    CancelDrag();
    switch (action) {
        case kActionUndo: UndoMove(tree); break;
        case kActionRedo: RedoMove(tree); break;
        case kActionSortGroup: SortGroupByName(tree, false); break;
        case kActionSortSubfolders: SortGroupByName(tree, true); break;
        default:
            if (action <= static_cast<UINT>(FolderMove::kLast)) MoveSelectedFolder(tree, static_cast<FolderMove>(action));
            break;
    }
}

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

bool PostKeyAction(UINT action) {
    PostMessageA(g_input.dialog, kKeyActionMessage, action, 0);
    return true;
}

bool IsInEditor(HWND window) {
    return g_input.dialog && (window == g_input.dialog || IsChild(g_input.dialog, window));
}

// Wherever the focus is (the tree, a button), these keys act on the tree's
// selection: the dialog's message loop hands every message to this hook
// before the dialog manager or the focused control sees it.
bool HandleEditorKey(const MSG& message) {
    bool control = GetKeyState(VK_CONTROL) & 0x8000;
    bool shift = GetKeyState(VK_SHIFT) & 0x8000;
    if (IsDragging()) {
        if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE) return false;
        CancelDrag();
        return true;
    }
    switch (message.message) {
        case WM_SYSKEYDOWN: {
            if (message.wParam == VK_F10 && shift) return PostKeyAction(kActionMenu);
            FolderMove how;
            if (!FolderMoveForKey(message.wParam, message.lParam, &how)) return false;
            g_input.altKeyTaken = true;
            return PostKeyAction(static_cast<UINT>(how));
        }
        case WM_KEYDOWN:
            if (message.wParam == VK_APPS || (message.wParam == VK_F10 && shift))
                return PostKeyAction(kActionMenu);
            if (!control || shift) return false;
            if (message.wParam == 'Z') return PostKeyAction(kActionUndo);
            if (message.wParam == 'Y') return PostKeyAction(kActionRedo);
            return false;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            // The window procedure never saw the key pressed with Alt: it
            // would take Alt's release for Alt pressed alone and put the
            // window into menu mode, where the next keys go to the system
            // menu.
            if (message.wParam == VK_MENU && g_input.altKeyTaken) {
                g_input.altKeyTaken = false;
                return true;
            }
            // Left to the window procedure, their release would open the
            // menu a second time.
            return message.wParam == VK_APPS || (message.wParam == VK_F10 && shift);
        default:
            return false;
    }
}

LRESULT CALLBACK EditorKeyHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX) {
        const MSG* message = MessageFromHook(lParam);
        if (IsInEditor(message->hwnd) && HandleEditorKey(*message)) return TRUE;
    }
    return CallNextHookEx(g_input.keyHook, code, wParam, lParam);
}

// ---- The ↑ and ↓ buttons, repeating while held, as a scroll bar's arrows.

UINT RepeatDelayMilliseconds() {
    int delay = 1;  // 0 to 3: 250 to 1000 ms
    SystemParametersInfoA(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    return static_cast<UINT>((delay + 1) * 250);
}

UINT RepeatIntervalMilliseconds() {
    // 0 to 31: about 2.5 to 30 repetitions a second.
    DWORD speed = 31;
    SystemParametersInfoA(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
    if (speed > 31) speed = 31;
    return 400 - speed * (400 - 33) / 31;
}

FolderMove ButtonMove(WORD id) { return id == IDC_MOVE_UP ? FolderMove::kUp : FolderMove::kDown; }

LRESULT CALLBACK MoveButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    WORD id = static_cast<WORD>(GetDlgCtrlID(button));
    WNDPROC original = g_input.buttonProcs[id == IDC_MOVE_UP ? 0 : 1];
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            // The button takes the focus and the capture first; then the
            // move, at once, as the press is the user's action.
            LRESULT result = CallWindowProcA(original, button, message, wParam, lParam);
            g_input.pressedButton = id;
            // Nothing moved (the end of the siblings, or a folder refused
            // with a beep): holding on would only beep again and again.
            if (MoveSelectedFolder(EditorTree(), ButtonMove(id)))
                SetTimer(button, kRepeatTimer, RepeatDelayMilliseconds(), nullptr);
            return result;
        }
        case WM_TIMER: {
            if (wParam != kRepeatTimer) break;
            // Stopped while the move runs: a move that fails says so in a
            // message box, whose own loop would otherwise run this timer
            // again, box upon box.
            KillTimer(button, kRepeatTimer);
            if (g_input.pressedButton != id) return 0;
            // Held, but the pointer off the button: the button shows
            // itself released and waits, as a scroll bar's arrow does.
            bool pushed = (SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
            if ((!pushed || MoveSelectedFolder(EditorTree(), ButtonMove(id))) && g_input.pressedButton == id)
                SetTimer(button, kRepeatTimer, RepeatIntervalMilliseconds(), nullptr);
            return 0;
        }
        case WM_LBUTTONUP: {
            KillTimer(button, kRepeatTimer);
            // The release sends the click (to the dialog) from inside the
            // button's own handling; that click must not move again.
            g_input.releasingButton = g_input.pressedButton == id ? id : 0;
            LRESULT result = CallWindowProcA(original, button, message, wParam, lParam);
            g_input.releasingButton = 0;
            g_input.pressedButton = 0;
            return result;
        }
        case WM_CAPTURECHANGED:
        case WM_CANCELMODE:
        case WM_DESTROY:
            // The button lets the mouse go before it sends its click, so the
            // press is only forgotten when no release is under way.
            KillTimer(button, kRepeatTimer);
            if (g_input.releasingButton != id) g_input.pressedButton = 0;
            break;
        default:
            break;
    }
    return CallWindowProcA(original, button, message, wParam, lParam);
}

void SubclassMoveButtons(HWND dialog) {
    const int ids[2] = {IDC_MOVE_UP, IDC_MOVE_DOWN};
    for (int i = 0; i < 2; ++i) {
        HWND button = GetDlgItem(dialog, ids[i]);
        g_input.buttonProcs[i] = button ? SubclassControl(button, MoveButtonProc) : nullptr;
    }
}

// ---- The folder menu.

// Destroys the menu on every path.
class PopupMenu {
public:
    PopupMenu() : menu_(CreatePopupMenu()) {}
    ~PopupMenu() {
        if (menu_) DestroyMenu(menu_);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU get() const { return menu_; }
    void Add(UINT command, const char* text, bool enabled) {
        AppendMenuA(menu_, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), command, text);
    }
    void AddSeparator() { AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr); }

private:
    HMENU menu_;
};

bool CanMove(HWND tree, FolderMove how) {
    HTREEITEM item, previousSibling;
    return FindFolderMove(tree, how, &item, &previousSibling) &&
           FolderHasKey(TreeGetItemData(tree, item));
}

// The folder menu at `screenPoint`, for the selected folder; with
// `atSelection` it opens under the selected folder's row instead (keys).
void ShowFolderMenu(HWND tree, POINT screenPoint, bool atSelection) {
    HTREEITEM selected = TreeGetSelection(tree);
    if (!selected) return;
    if (atSelection) {
        TreeEnsureVisible(tree, selected);
        RECT row;
        if (!TreeGetItemRow(tree, selected, &row)) return;
        screenPoint.x = row.left + TreeGetRowHeight(tree);
        screenPoint.y = row.bottom;
        ClientToScreen(tree, &screenPoint);
    }
    PopupMenu menu;
    if (!menu.get()) return;
    // Command ids are the actions plus one: TrackPopupMenu answers 0 for
    // no choice.
    const UINT kId = 1;
    menu.Add(kId + static_cast<UINT>(FolderMove::kFirst), kMenuMoveFirst, CanMove(tree, FolderMove::kFirst));
    menu.Add(kId + static_cast<UINT>(FolderMove::kUp), kMenuMoveUp, CanMove(tree, FolderMove::kUp));
    menu.Add(kId + static_cast<UINT>(FolderMove::kDown), kMenuMoveDown, CanMove(tree, FolderMove::kDown));
    menu.Add(kId + static_cast<UINT>(FolderMove::kLast), kMenuMoveLast, CanMove(tree, FolderMove::kLast));
    menu.Add(kId + kActionSortGroup, kMenuSortGroup, CanSortGroupByName(tree, false));
    menu.Add(kId + kActionSortSubfolders, kMenuSortSubfolders, CanSortGroupByName(tree, true));
    menu.AddSeparator();
    menu.Add(kId + kActionUndo, kMenuUndo, CanUndo());
    menu.Add(kId + kActionRedo, kMenuRedo, CanRedo());
    // The choice comes back here rather than as a command to the dialog,
    // whose command ids the menu's would collide with.
    UINT chosen = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                   screenPoint.x, screenPoint.y, 0, GetParent(tree), nullptr));
    if (chosen) Act(tree, chosen - kId);
}

bool MoveSelectionByKey(HWND tree, WPARAM key, LPARAM keyData) {
    FolderMove how;
    if (!FolderMoveForKey(key, keyData, &how)) return false;
    Act(tree, static_cast<UINT>(how));
    return true;
}

LRESULT CALLBACK EditorTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSKEYDOWN && MoveSelectionByKey(tree, wParam, lParam)) return 0;
    if (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
        message == WM_RBUTTONDOWN || message == WM_RBUTTONUP)
        NoteTreeMouse(tree, message, wParam, lParam);
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
        case WM_SETFOCUS: {
            // The control selects its first row when it gets the focus with
            // none selected: the editor opens with none, and ↓ selects the first.
            const bool noneSelected = !TreeGetSelection(tree);
            result = CallWindowProcA(g_module.editorTreeProc, tree, message, wParam, lParam);
            if (noneSelected && TreeGetSelection(tree)) TreeSelectItem(tree, nullptr);
            return result;
        }
        case WM_KEYDOWN:
            // With no row selected, Windows' control selects the first at an
            // arrow key and Wine's does nothing: both select it here.
            if ((wParam == VK_DOWN || wParam == VK_UP || wParam == VK_HOME) && !TreeGetSelection(tree)) {
                if (HTREEITEM first = TreeGetRoot(tree)) TreeSelectItem(tree, first);
                return 0;
            }
            return CallWindowProcA(g_module.editorTreeProc, tree, message, wParam, lParam);
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

}  // namespace

void StartEditorInput(HWND dialog) {
    g_input.dialog = dialog;
    g_input.pressedButton = 0;
    g_input.releasingButton = 0;
    ClearMoveHistory();
    g_module.editorTreeProc = TreeSubclass(EditorTree(), EditorTreeProc);
    SubclassMoveButtons(dialog);
    // Thread-local: only this thread's modal loops call it.
    g_input.keyHook = SetWindowsHookExA(WH_MSGFILTER, EditorKeyHook, nullptr, GetCurrentThreadId());
}

void StopEditorInput() {
    if (g_input.keyHook) UnhookWindowsHookEx(g_input.keyHook);
    g_input.keyHook = nullptr;
    CancelDrag();
    g_input.dialog = nullptr;
    g_input.pressedButton = 0;
    ClearMoveHistory();
}

bool ButtonAlreadyMoved(WORD id) { return id && g_input.releasingButton == id; }

bool HandleKeyActionMessage(HWND dialog, UINT message, WPARAM action) {
    if (message != kKeyActionMessage) return false;
    HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
    POINT unused = {0, 0};
    if (action == kActionMenu)
        ShowFolderMenu(tree, unused, true);
    else
        Act(tree, static_cast<UINT>(action));
    return true;
}
