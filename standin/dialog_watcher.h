// Watches the windows that open on this thread, as a person in front of the
// host would: message boxes are read (caption, text, icon) and answered;
// other dialogs are handed to a script, run from a timer inside the dialog's
// own modal loop. No box is ever left waiting for a person.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace standin {

struct MessageBoxSeen {
    std::string caption;
    std::string text;  // code page 932 bytes, as the module passed them
    bool errorIcon;
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
    static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD);
    void OnActivate(HWND window);

    HHOOK hook_ = nullptr;
    Script script_;
    HWND pendingDialog_ = nullptr;
    int waitsForShow_ = 0;
    std::set<HWND> seen_;
    std::vector<MessageBoxSeen> boxes_;
    int dialogsSeen_ = 0;
    int dialogsLeftOpen_ = 0;
};

// Acting on a dialog's controls, as a person would.
void ClickButton(HWND dialog, int id);
HWND DialogTree(HWND dialog, int id = 1000);
HTREEITEM FindTreeItem(HWND tree, const std::string& text);  // depth-first, first match
void SelectTreeItem(HWND tree, HTREEITEM item);

}  // namespace standin
