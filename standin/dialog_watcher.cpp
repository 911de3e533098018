#include "standin/dialog_watcher.h"

#include <commctrl.h>

#include "standin/host.h"

namespace standin {

namespace {
// The text control of a message box carries this id.
const int kMessageBoxTextId = 0xFFFF;
const UINT kPollMilliseconds = 10;
const int kMaxPollsBeforeShown = 500;

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

BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
        *reinterpret_cast<HICON*>(found) = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return TRUE;
}
}  // namespace

DialogWatcher::DialogWatcher() {
    t_watcher = this;
    hook_ = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

DialogWatcher::~DialogWatcher() {
    UnhookWindowsHookEx(hook_);
    if (timer_) KillTimer(nullptr, timer_);
    if (t_watcher == this) t_watcher = nullptr;
}

// Dialogs are caught when they are created, not when they are activated, so
// that nothing depends on which process (tests run side by side) has the
// foreground.
LRESULT CALLBACK DialogWatcher::CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_watcher) t_watcher->OnCreated(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogWatcher::OnCreated(HWND window) {
    if (!IsDialog(window)) return;
    pending_.push_back(Pending{window, 0});
    // A thread timer fires from the dialog's own modal loop, once it runs.
    if (!timer_) timer_ = SetTimer(nullptr, 0, kPollMilliseconds, Poll);
}

void CALLBACK DialogWatcher::Poll(HWND, UINT, UINT_PTR, DWORD) {
    DialogWatcher* self = t_watcher;
    if (!self) return;
    std::vector<Pending> waiting;
    waiting.swap(self->pending_);
    for (Pending& entry : waiting) {
        if (!IsWindow(entry.window)) continue;
        // A modal dialog is shown once its queue first runs empty; act on it,
        // as a person would, once it is on the screen.
        if (!IsWindowVisible(entry.window) && ++entry.polls < kMaxPollsBeforeShown) {
            self->pending_.push_back(entry);
            continue;
        }
        self->Handle(entry.window);
    }
    if (self->pending_.empty() && self->timer_) {
        KillTimer(nullptr, self->timer_);
        self->timer_ = 0;
    }
}

void DialogWatcher::Handle(HWND window) {
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    if (text) {
        MessageBoxSeen box;
        box.caption = WindowText(window);
        box.text = WindowText(text);
        HICON icon = nullptr;
        EnumChildWindows(window, FindIcon, reinterpret_cast<LPARAM>(&icon));
        box.errorIcon = icon && icon == LoadIcon(nullptr, IDI_ERROR);
        box.warningIcon = icon && icon == LoadIcon(nullptr, IDI_WARNING);
        box.owner = GetWindow(window, GW_OWNER);
        boxes_.push_back(box);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return;
    }
    ++dialogsSeen_;
    Script script;
    script.swap(script_);
    if (script) script(window);
    // EndDialog hides the dialog at once; one still visible was left open.
    if (IsWindow(window) && IsWindowVisible(window)) {
        ++dialogsLeftOpen_;
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
}

void ClickButton(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

HWND DialogTree(HWND dialog, int id) { return GetDlgItem(dialog, id); }

HTREEITEM FindTreeItem(HWND tree, const std::string& text) {
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = NextInTree(tree, item)) {
        if (ItemText(tree, item) == text) return item;
    }
    return nullptr;
}

void SelectTreeItem(HWND tree, HTREEITEM item) { TreeView_SelectItem(tree, item); }

void PumpDialogMessages(HWND dialog) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (IsWindow(dialog) && IsDialogMessageA(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, HWND dialog) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (dialog)
            PumpDialogMessages(dialog);
        else
            PumpMessages();
        if (done()) return true;
        if (GetTickCount() - start >= kPatienceMilliseconds) return false;
        Sleep(10);
    }
}

}  // namespace standin
