// Real mouse and key input, as a person gives it: SendInput, which the
// platform delivers to the window under the pointer or in front, then the
// dialog's own loop run for a while so that it takes the input in.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "standin/dialog_watcher.h"

namespace standin {

// Test programs run side by side on one display: real input is taken in
// turns (across processes), and the dialog that receives it is put in
// front of every other window for as long as the object lives.
class RealInputTurn {
public:
    explicit RealInputTurn(HWND dialog);
    ~RealInputTurn();
    RealInputTurn(const RealInputTurn&) = delete;
    RealInputTurn& operator=(const RealInputTurn&) = delete;

private:
    HANDLE mutex_;
};

INPUT MouseTo(POINT screen);
INPUT MouseButton(DWORD flags);  // MOUSEEVENTF_LEFTDOWN, ...
INPUT Key(WORD key, bool up = false);
// Keys pressed in turn and released the other way round: {VK_CONTROL, 'Z'}.
std::vector<INPUT> Chord(std::initializer_list<WORD> keys);

// Sends the inputs at once, then runs the dialog's loop for `milliseconds`.
void SendAndPump(HWND dialog, const std::vector<INPUT>& inputs, DWORD milliseconds = 50);

// A popup menu as seen from inside its own loop.
struct MenuSeen {
    bool opened = false;
    std::vector<std::string> texts;  // code page 932, as the module passed them
    std::string greyed;              // a letter per entry: g greyed, - not
};

// Opens a popup menu with `opening` and picks the entry at `position`
// (separators counted) with the arrow keys and Enter, or leaves it with
// Escape when `position` is -1. Waits up to `wait` ms for it to show.
MenuSeen PickFromMenu(HWND dialog, const std::vector<INPUT>& opening, int position,
                      DWORD wait = kPatienceMilliseconds);

}  // namespace standin
