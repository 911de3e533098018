#include "standin/dialog_watcher.h"

#include <commctrl.h>

#include "standin/host.h"

namespace standin {

namespace {
// The text control of a message box carries this id.
const int kMessageBoxTextId = 0xFFFF;
const int kMaxWaitsForShow = 300;  // of 10 ms each

thread_local DialogWatcher* t_watcher = nullptr;

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied));
    return text;
}

bool IsDialog(HWND window) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    return lstrcmpA(className, "#32770") == 0;
}

BOOL CALLBACK FindErrorIcon(HWND child, LPARAM found) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (shown && shown == LoadIcon(nullptr, IDI_ERROR)) *reinterpret_cast<bool*>(found) = true;
    }
    return TRUE;
}
}  // namespace

DialogWatcher::DialogWatcher() {
    t_watcher = this;
    hook_ = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

DialogWatcher::~DialogWatcher() {
    UnhookWindowsHookEx(hook_);
    if (t_watcher == this) t_watcher = nullptr;
}

LRESULT CALLBACK DialogWatcher::CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_watcher) t_watcher->OnActivate(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogWatcher::OnActivate(HWND window) {
    if (!IsDialog(window) || !seen_.insert(window).second) return;
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    if (text) {
        MessageBoxSeen box;
        box.caption = WindowText(window);
        box.text = WindowText(text);
        box.errorIcon = false;
        EnumChildWindows(window, FindErrorIcon, reinterpret_cast<LPARAM>(&box.errorIcon));
        boxes_.push_back(box);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return;
    }
    ++dialogsSeen_;
    pendingDialog_ = window;
    // Acting from inside the hook would run before the dialog is fully shown;
    // a thread timer fires from the dialog's own message loop.
    SetTimer(nullptr, 0, 1, RunScript);
}

void CALLBACK DialogWatcher::RunScript(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    DialogWatcher* self = t_watcher;
    if (!self || !self->pendingDialog_) return;
    HWND dialog = self->pendingDialog_;
    // A modal dialog is shown only once its queue first runs empty; act on
    // it as a person would, once it is on the screen.
    if (IsWindow(dialog) && !IsWindowVisible(dialog) && ++self->waitsForShow_ < kMaxWaitsForShow) {
        SetTimer(nullptr, 0, 10, RunScript);
        return;
    }
    self->waitsForShow_ = 0;
    self->pendingDialog_ = nullptr;
    Script script;
    script.swap(self->script_);
    if (script) script(dialog);
    // EndDialog hides the dialog at once; one still visible was left open.
    if (IsWindow(dialog) && IsWindowVisible(dialog)) {
        ++self->dialogsLeftOpen_;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

void ClickButton(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

HWND DialogTree(HWND dialog, int id) { return GetDlgItem(dialog, id); }

namespace {
HTREEITEM FindBelow(HWND tree, HTREEITEM parent, const std::string& text) {
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item;
         item = TreeView_GetNextSibling(tree, item)) {
        if (ItemText(tree, item) == text) return item;
        if (HTREEITEM found = FindBelow(tree, item, text)) return found;
    }
    return nullptr;
}
}  // namespace

HTREEITEM FindTreeItem(HWND tree, const std::string& text) { return FindBelow(tree, TVI_ROOT, text); }

void SelectTreeItem(HWND tree, HTREEITEM item) { TreeView_SelectItem(tree, item); }

}  // namespace standin
