#include "standin/real_input.h"

#include "standin/dialog_watcher.h"

namespace standin {

RealInputTurn::RealInputTurn(HWND dialog) : mutex_(CreateMutexA(nullptr, FALSE, "TamrivelRealInput")) {
    WaitForSingleObject(mutex_, INFINITE);
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(dialog);
}

RealInputTurn::~RealInputTurn() {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

INPUT MouseTo(POINT screen) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = screen.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = screen.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

INPUT MouseButton(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

INPUT Key(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

std::vector<INPUT> Chord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(Key(key));
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) inputs.push_back(Key(*key, true));
    return inputs;
}

void SendAndPump(HWND dialog, const std::vector<INPUT>& inputs, DWORD milliseconds) {
    if (!inputs.empty())
        SendInput(static_cast<UINT>(inputs.size()), const_cast<INPUT*>(inputs.data()), sizeof(INPUT));
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
        PumpDialogMessages(dialog);
        Sleep(5);
    }
}

namespace {

struct MenuPick {
    int position;
    MenuSeen seen;
};
thread_local MenuPick* t_pick = nullptr;

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32768") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// A thread timer: it fires inside the menu's own loop once the menu shows.
void CALLBACK AnswerMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&window));
    if (!window || !t_pick) return;
    KillTimer(nullptr, timer);
    MenuPick& pick = *t_pick;
    pick.seen.opened = true;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
    std::vector<INPUT> keys;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (state & MF_SEPARATOR) continue;  // the arrow keys skip it
        char text[64] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        pick.seen.texts.push_back(text);
        pick.seen.greyed += (state & MF_GRAYED) ? 'g' : '-';
        // Down goes from no entry to the first, then over greyed ones too.
        if (i <= pick.position) keys.push_back(Key(VK_DOWN)), keys.push_back(Key(VK_DOWN, true));
    }
    WORD last = pick.position < 0 ? VK_ESCAPE : VK_RETURN;
    keys.push_back(Key(last));
    keys.push_back(Key(last, true));
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

}  // namespace

MenuSeen PickFromMenu(HWND dialog, const std::vector<INPUT>& opening, int position, DWORD wait) {
    MenuPick pick = {position, MenuSeen()};
    t_pick = &pick;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerMenu);
    SendAndPump(dialog, opening);
    for (DWORD start = GetTickCount(); !pick.seen.opened && GetTickCount() - start < wait;)
        SendAndPump(dialog, {}, 20);
    SendAndPump(dialog, {});
    if (!pick.seen.opened) KillTimer(nullptr, timer);
    t_pick = nullptr;
    return pick.seen;
}

}  // namespace standin
