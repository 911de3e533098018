// Watches the dialogs that open on this thread, as a person in front of the
// host would: message boxes are read (caption, text, icon) and answered;
// other dialogs are handed to a script, run from a timer inside the dialog's
// own modal loop once it is shown. No box is ever left waiting for a person.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace standin {

struct MessageBoxSeen {
    std::string caption;
    std::string text;  // code page 932 bytes, as the module passed them
    bool errorIcon;
    bool warningIcon;
    HWND owner;  // the window the box was modal to, null for none
};

class DialogWatcher {
public:
    typedef std::function<void(HWND dialog)> Script;

    DialogWatcher();
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    // Runs `script` on the next dialog that opens (not a message box). A
    // script that leaves the dialog open gets it cancelled, and that is noted.
    void OnNextDialog(Script script) { script_ = std::move(script); }

    const std::vector<MessageBoxSeen>& messageBoxes() const { return boxes_; }
    void ClearMessageBoxes() { boxes_.clear(); }
    int dialogsSeen() const { return dialogsSeen_; }
    int dialogsLeftOpen() const { return dialogsLeftOpen_; }

private:
    struct Pending {
        HWND window;
        int polls;
    };

    static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD);
    void OnCreated(HWND window);
    void Handle(HWND window);

    HHOOK hook_ = nullptr;
    UINT_PTR timer_ = 0;
    Script script_;
    std::vector<Pending> pending_;
    std::vector<MessageBoxSeen> boxes_;
    int dialogsSeen_ = 0;
    int dialogsLeftOpen_ = 0;
};

// Acting on a dialog's controls, as a person would.
void ClickButton(HWND dialog, int id);
HWND DialogTree(HWND dialog, int id = 1000);
HTREEITEM FindTreeItem(HWND tree, const std::string& text);  // depth-first, first match
void SelectTreeItem(HWND tree, HTREEITEM item);
// Runs the queue as a dialog's modal loop does, through the dialog manager,
// which turns keys into commands (Enter: the default button; Escape: Cancel).
void PumpDialogMessages(HWND dialog);
// How long a test waits for what must come: enough for a machine ten times
// slower than the slowest one seen (32-bit code under emulation); spent in
// full only when it never comes.
const DWORD kPatienceMilliseconds = 60000;
// Runs the thread's queue (through `dialog`'s dialog manager, when given)
// until `done` answers true, for kPatienceMilliseconds at most; answers
// whether it did.
bool PumpUntil(const std::function<bool()>& done, HWND dialog = nullptr);

}  // namespace standin
