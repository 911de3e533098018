// The order editor under a person's hands: real mouse and key input
// (SendInput) at the screen places of its rows and buttons, on the virtual
// display, in the real dialog over the real module.
#include "tests/module_fixture.h"

#include "standin/import_patch.h"

#include <commctrl.h>

#include <vector>

namespace {

const int kUp = 1001;
const int kDown = 1002;

// Test programs run side by side on one display: real input is taken in
// turns, and the dialog receiving it is put on top of every other window.
class RealInput {
public:
    explicit RealInput(HWND dialog) : mutex_(CreateMutexA(nullptr, FALSE, "TamrivelRealInput")) {
        WaitForSingleObject(mutex_, INFINITE);
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(dialog);
    }
    ~RealInput() {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    RealInput(const RealInput&) = delete;
    RealInput& operator=(const RealInput&) = delete;

private:
    HANDLE mutex_;
};

INPUT MoveTo(POINT screen) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = screen.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = screen.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

INPUT Mouse(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

INPUT Key(WORD key, bool up = false) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Sends the inputs at once, then lets the dialog's loop run for a while.
void Send(HWND dialog, std::vector<INPUT> inputs, DWORD milliseconds = 50) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
        standin::PumpDialogMessages(dialog);
        Sleep(5);
    }
}

// A key with modifiers: each pressed in turn, released the other way round.
std::vector<INPUT> Chord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(Key(key));
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) inputs.push_back(Key(*key, true));
    return inputs;
}

// A point on the row of `name`, on its label: `height` 0 is the row's top,
// 1 its bottom.
POINT OnRow(HWND tree, const std::string& name, double height = 0.5) {
    RECT label = {};
    EXPECT_TRUE(TreeView_GetItemRect(tree, standin::FindTreeItem(tree, name), &label, TRUE)) << name;
    POINT point = {(label.left + label.right) / 2,
                   label.top + static_cast<LONG>((label.bottom - label.top) * height)};
    ClientToScreen(tree, &point);
    return point;
}

POINT Offset(POINT point, int dx, int dy) { return POINT{point.x + dx, point.y + dy}; }

bool RowVisible(HWND tree, const std::string& name) {
    RECT row, client;
    GetClientRect(tree, &client);
    return TreeView_GetItemRect(tree, standin::FindTreeItem(tree, name), &row, FALSE) &&
           row.top >= 0 && row.bottom <= client.bottom;
}

// The top-level names, or those under `parent`, in order.
std::string Children(HWND tree, const std::string& parent = "") {
    std::string names;
    HTREEITEM under = parent.empty() ? TVI_ROOT : standin::FindTreeItem(tree, parent);
    for (HTREEITEM item = TreeView_GetChild(tree, under); item; item = TreeView_GetNextSibling(tree, item))
        names += (names.empty() ? "" : " ") + standin::ItemText(tree, item);
    return names;
}

// Where `name` stands in a list from Children, from 0.
int Place(const std::string& names, const std::string& name) {
    size_t at = (" " + names + " ").find(" " + name + " ");
    if (at == std::string::npos) return -1;
    int place = 0;
    for (size_t i = 0; i < at; ++i) place += names[i] == ' ';
    return place;
}

std::string Selected(HWND tree) { return standin::ItemText(tree, TreeView_GetSelection(tree)); }

std::string Outline(const char* prefix, int count) {
    std::string outline;
    for (int i = 1; i <= count; ++i) outline += prefix + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\n";
    return outline;
}

class EditorHandsTest : public ModuleTest {
protected:
    void StartWith(const std::string& outline) {
        host_->AddOutline(outline);
        Load();
        WriteOrderFile("");
        module_->OnStart();
    }

    void Edit(standin::DialogWatcher::Script script) {
        watcher_.OnNextDialog(std::move(script));
        EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
        EXPECT_EQ(watcher_.dialogsSeen(), 1);
    }

    // Press on `from`, pass the drag threshold, go to `to`, release.
    static void Drag(HWND dialog, POINT from, POINT to) {
        Send(dialog, {MoveTo(from), Mouse(MOUSEEVENTF_LEFTDOWN), MoveTo(Offset(from, 0, 12))});
        Send(dialog, {MoveTo(to)});
        Send(dialog, {Mouse(MOUSEEVENTF_LEFTUP)});
    }
};

TEST_F(EditorHandsTest, DraggingMovesAFolderAmongItsSiblingsOnly) {
    StartWith("A\nB\n  B1\n  B2\nC\nD\n  D1\nE\nF\n");
    std::string afterDrag, afterRefused, afterEscape, afterClick, clicked, afterUndo;
    bool noCursorOffPlace = false;
    Edit([&](HWND dialog) {
        RealInput input(dialog);
        HWND tree = standin::DialogTree(dialog);
        Drag(dialog, OnRow(tree, "E"), OnRow(tree, "B", 0.25));  // place 5 to place 2
        afterDrag = Children(tree);
        Drag(dialog, OnRow(tree, "B1"), OnRow(tree, "D1", 0.75));  // another parent's child
        Drag(dialog, OnRow(tree, "D"), OnRow(tree, "D1", 0.75));   // its own subfolder
        afterRefused = Children(tree) + " / " + Children(tree, "B");
        Send(dialog, {MoveTo(OnRow(tree, "F")), Mouse(MOUSEEVENTF_LEFTDOWN), MoveTo(OnRow(tree, "A"))});
        Send(dialog, {MoveTo(Offset(OnRow(tree, "A"), 0, -4))});
        noCursorOffPlace = GetCursor() == LoadCursor(nullptr, IDC_ARROW);
        Send(dialog, {MoveTo(OnRow(tree, "D1"))});
        noCursorOffPlace = noCursorOffPlace && GetCursor() == LoadCursor(nullptr, IDC_NO);
        Send(dialog, Chord({VK_ESCAPE}));
        Send(dialog, {MoveTo(OnRow(tree, "A", 0.25)), Mouse(MOUSEEVENTF_LEFTUP)});
        afterEscape = IsWindowVisible(dialog) ? Children(tree) : "closed";
        Send(dialog, {MoveTo(OnRow(tree, "C")), Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
        afterClick = Children(tree);
        clicked = Selected(tree);
        Send(dialog, Chord({VK_CONTROL, 'Z'}));
        afterUndo = Children(tree);
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(afterDrag, "A E B C D F");
    EXPECT_EQ(afterRefused, "A E B C D F / B1 B2");
    EXPECT_TRUE(noCursorOffPlace);
    EXPECT_EQ(afterEscape, afterDrag) << "Escape cancels the drag, not the dialog";
    EXPECT_EQ(afterClick, afterDrag);
    EXPECT_EQ(clicked, "C");
    EXPECT_EQ(afterUndo, "A B C D E F");
    EXPECT_EQ(ReadOrderFile(), "A\\\r\nB\\\r\nB\\B1\\\r\nB\\B2\\\r\nC\\\r\nD\\\r\nD\\D1\\\r\nE\\\r\nF\\\r\n");
}

// The dialog ending in the middle of a drag (here: Enter) leaves no
// capture, timer or key hook behind: the next editor works as the first.
TEST_F(EditorHandsTest, ADialogThatEndsDuringADragLeavesNothingBehind) {
    StartWith(Outline("S", 30));
    HWND captured = nullptr;
    std::string next;
    Edit([&](HWND dialog) {
        RealInput input(dialog);
        HWND tree = standin::DialogTree(dialog);
        POINT from = OnRow(tree, "S03");
        RECT client;
        GetClientRect(tree, &client);
        POINT bottom = {client.right / 2, client.bottom - 1};
        ClientToScreen(tree, &bottom);
        Send(dialog, {MoveTo(from), Mouse(MOUSEEVENTF_LEFTDOWN), MoveTo(Offset(from, 0, 12)), MoveTo(bottom)});
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        Send(dialog, {}, 200);
        captured = GetCapture();
        Send(dialog, {Mouse(MOUSEEVENTF_LEFTUP)});
    });
    EXPECT_EQ(captured, nullptr) << "the hidden dialog still held the mouse";
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(ReadOrderFile().substr(0, 16), "S01\\\r\nS02\\\r\nS03\\") << "nothing moved";
    watcher_.OnNextDialog([&](HWND dialog) {
        RealInput input(dialog);
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "S02"));
        SetFocus(tree);
        Send(dialog, Chord({VK_CONTROL, 'Z'}));  // the first editor's history is gone
        Send(dialog, Chord({VK_MENU, VK_UP}));
        next = Children(tree).substr(0, 11);
        standin::ClickButton(dialog, IDCANCEL);
    });
    module_->OnPlugInSetup(host_->window());
    EXPECT_EQ(next, "S02 S01 S03");
}

TEST_F(EditorHandsTest, DraggingToAnEdgeScrollsTheTree) {
    StartWith(Outline("S", 40));
    std::string after;
    bool scrolledIntoView = false;
    Edit([&](HWND dialog) {
        RealInput input(dialog);
        HWND tree = standin::DialogTree(dialog);
        RECT client;
        GetClientRect(tree, &client);
        POINT bottom = {client.right / 2, client.bottom - 2};
        ClientToScreen(tree, &bottom);
        EXPECT_FALSE(RowVisible(tree, "S35"));
        POINT from = OnRow(tree, "S02");
        Send(dialog, {MoveTo(from), Mouse(MOUSEEVENTF_LEFTDOWN), MoveTo(Offset(from, 0, 12))});
        Send(dialog, {MoveTo(bottom)});
        for (DWORD start = GetTickCount(); !RowVisible(tree, "S35") && GetTickCount() - start < 5000;)
            Send(dialog, {}, 20);
        scrolledIntoView = RowVisible(tree, "S35");
        Send(dialog, {MoveTo(OnRow(tree, "S35", 0.5))}, 0);
        Send(dialog, {MoveTo(OnRow(tree, "S35", 0.75)), Mouse(MOUSEEVENTF_LEFTUP)});
        after = Children(tree);
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_TRUE(scrolledIntoView);
    std::string expected;
    for (int i = 1; i <= 40; ++i) {
        if (i == 2) continue;
        expected += (i == 1 ? "" : " ") + std::string(i < 10 ? "S0" : "S") + std::to_string(i);
        if (i == 35) expected += " S02";
    }
    EXPECT_EQ(after, expected);
}

// The folder menu, read and answered from inside its own message loop: a
// thread timer fires there once it shows.
struct MenuSeen {
    std::vector<std::string> texts;  // as the module passed them: code page 932
    std::string greyed;              // one letter per entry: g greyed, - not
};

struct MenuAnswer {
    int entry = -1;  // by position, separator counted; -1: Escape
    MenuSeen seen;
    bool opened = false;
};
MenuAnswer* g_menuAnswer = nullptr;

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32768") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK AnswerMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&window));
    if (!window || !g_menuAnswer) return;
    KillTimer(nullptr, timer);
    MenuAnswer& answer = *g_menuAnswer;
    answer.opened = true;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
    std::vector<INPUT> keys;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (state & MF_SEPARATOR) continue;
        answer.seen.texts.push_back(text);
        answer.seen.greyed += (state & MF_GRAYED) ? 'g' : '-';
        // Down moves over the entries, greyed ones too, and skips separators.
        if (i <= answer.entry) keys.push_back(Key(VK_DOWN)), keys.push_back(Key(VK_DOWN, true));
    }
    keys.push_back(Key(answer.entry < 0 ? VK_ESCAPE : VK_RETURN));
    keys.push_back(Key(answer.entry < 0 ? VK_ESCAPE : VK_RETURN, true));
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// Opens the menu with `opening` and picks `entry`; answers what it showed.
MenuSeen PickFromMenu(HWND dialog, std::vector<INPUT> opening, int entry) {
    MenuAnswer answer;
    answer.entry = entry;
    g_menuAnswer = &answer;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerMenu);
    Send(dialog, opening);
    for (DWORD start = GetTickCount(); !answer.opened && GetTickCount() - start < 3000;) Send(dialog, {}, 20);
    Send(dialog, {});
    if (!answer.opened) KillTimer(nullptr, timer);
    g_menuAnswer = nullptr;
    EXPECT_TRUE(answer.opened);
    return answer.seen;
}

std::vector<INPUT> RightClick(POINT at) {
    return {MoveTo(at), Mouse(MOUSEEVENTF_RIGHTDOWN), Mouse(MOUSEEVENTF_RIGHTUP)};
}

TEST_F(EditorHandsTest, TheMenuMovesTheFolderItOpensOnAndGreysWhatWouldDoNothing) {
    StartWith("A\nB\nC\nD\nE\nF\n");
    struct Step {
        const char* folder;
        const char* opening;  // "right-click", "menu key", "Shift+F10"
        int entry;
        const char* greyed;
        const char* after;
    };
    const Step steps[] = {
        {"D", "right-click", 0, "----gg", "D A B C E F"},
        {"D", "menu key", 2, "gg---g", "A D B C E F"},
        {"F", "Shift+F10", 1, "--gg-g", "A D B C F E"},
        {"B", "right-click", 3, "-----g", "A D C F E B"},
        {"B", "menu key", 5, "--gg-g", "A D B C F E"},  // undo: B back before C
        {"E", "right-click", -1, "--gg--", "A D B C F E"},  // Escape
    };
    std::vector<std::string> texts;
    Edit([&](HWND dialog) {
        RealInput input(dialog);
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "A"));
        for (const Step& step : steps) {
            std::string opening = step.opening;
            std::vector<INPUT> keys;
            if (opening == "right-click") {
                keys = RightClick(OnRow(tree, step.folder));
            } else {
                standin::SelectTreeItem(tree, standin::FindTreeItem(tree, step.folder));
                SetFocus(tree);
                keys = opening == "menu key" ? Chord({VK_APPS}) : Chord({VK_SHIFT, VK_F10});
            }
            MenuSeen seen = PickFromMenu(dialog, keys, step.entry);
            EXPECT_EQ(seen.greyed, step.greyed) << step.folder << " by " << step.opening;
            EXPECT_EQ(Children(tree), step.after) << step.folder << " by " << step.opening;
            EXPECT_EQ(Selected(tree), step.folder);
            if (texts.empty()) texts = seen.texts;
        }
        standin::ClickButton(dialog, IDCANCEL);
    });
    // Japanese, in the bytes the platform's 8-bit functions take (Shift_JIS).
    const std::vector<std::string> expected = {
        "\x90\xE6\x93\xAA\x82\xD6\x88\xDA\x93\xAE\tAlt+Home",  // 先頭へ移動
        "1\x82\xC2\x8F\xE3\x82\xD6\tAlt+\x81\xAA",             // 1つ上へ Alt+↑
        "1\x82\xC2\x89\xBA\x82\xD6\tAlt+\x81\xAB",             // 1つ下へ Alt+↓
        "\x96\x96\x94\xF6\x82\xD6\x88\xDA\x93\xAE\tAlt+End",  // 末尾へ移動
        "\x8C\xB3\x82\xC9\x96\xDF\x82\xB7\tCtrl+Z",            // 元に戻す
        "\x82\xE2\x82\xE8\x92\xBC\x82\xB5\tCtrl+Y",            // やり直し
    };
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(ReadOrderFile(), "");
}

// The ↑ button held down repeats, after the keyboard's delay, at its rate;
// a click moves once. Alt+↓ and Ctrl+Z act on the tree's selection with
// the focus on a button.
TEST_F(EditorHandsTest, ButtonsRepeatWhileHeldAndKeysWorkWithTheFocusOnAButton) {
    StartWith(Outline("S", 12));
    std::string afterHold, afterClick, afterAltDown, afterUndo;
    bool focusStayed = false;
    Edit([&](HWND dialog) {
        RealInput input(dialog);
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "S12"));
        RECT up;
        GetWindowRect(GetDlgItem(dialog, kUp), &up);
        POINT onUp = {(up.left + up.right) / 2, (up.top + up.bottom) / 2};
        Send(dialog, {MoveTo(onUp), Mouse(MOUSEEVENTF_LEFTDOWN)}, 1000);
        Send(dialog, {Mouse(MOUSEEVENTF_LEFTUP)});
        afterHold = Children(tree);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "S06"));
        Send(dialog, {Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
        afterClick = Children(tree);
        HWND down = GetDlgItem(dialog, kDown);
        SetFocus(down);
        Send(dialog, Chord({VK_MENU, VK_DOWN}));
        afterAltDown = Children(tree);
        Send(dialog, Chord({VK_CONTROL, 'Z'}));  // after Alt, the keys still reach the dialog
        afterUndo = Children(tree);
        focusStayed = GetFocus() == down;
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_LE(Place(afterHold, "S12"), 8) << "held for a second: " << afterHold;
    EXPECT_EQ(Place(afterClick, "S06"), Place(afterHold, "S06") - 1) << afterClick;
    EXPECT_EQ(Place(afterAltDown, "S06"), Place(afterClick, "S06") + 1) << afterAltDown;
    EXPECT_EQ(afterUndo, afterClick);
    EXPECT_TRUE(focusStayed);
}

TEST_F(EditorHandsTest, UndoGoesBackOneMoveAtATimeAndRedoForwardThenOkSavesWhatIsShown) {
    StartWith("A\nB\n  B1\n  B2\nC\nD\n");
    std::string afterMoves, afterUndos, afterRedo, selected;
    std::vector<std::string> undone;
    Edit([&](HWND dialog) {
        RealInput input(dialog);
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "B2"));
        standin::ClickButton(dialog, kUp);              // B2 B1
        SetFocus(tree);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "D"));
        Send(dialog, Chord({VK_MENU, VK_HOME}));         // D A B C
        Drag(dialog, OnRow(tree, "A"), OnRow(tree, "C", 0.75));  // D B C A
        afterMoves = Children(tree) + " / " + Children(tree, "B");
        for (int i = 0; i < 4; ++i) {  // one more than there were moves
            Send(dialog, Chord({VK_CONTROL, 'Z'}));
            undone.push_back(Children(tree) + " / " + Children(tree, "B"));
        }
        Send(dialog, Chord({VK_CONTROL, 'Y'}));
        afterRedo = Children(tree) + " / " + Children(tree, "B");
        selected = Selected(tree);
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(afterMoves, "D B C A / B2 B1");
    const std::vector<std::string> expected = {"D A B C / B2 B1", "A B C D / B2 B1", "A B C D / B1 B2",
                                               "A B C D / B1 B2"};
    EXPECT_EQ(undone, expected);
    EXPECT_EQ(afterRedo, "A B C D / B2 B1");
    EXPECT_EQ(selected, "B2");
    EXPECT_EQ(ReadOrderFile(), "A\\\r\nB\\\r\nB\\B2\\\r\nB\\B1\\\r\nC\\\r\nD\\\r\n");
    EXPECT_EQ(Describe(), "A\nB\n  B2\n  B1\nC\nD\n");
}

int g_beeps = 0;
BOOL WINAPI CountBeep(UINT) {
    ++g_beeps;
    return TRUE;
}

TEST_F(EditorHandsTest, AFolderWithoutAKeyRefusesEveryWayOfMovingWithABeep) {
    StartWith("A\nOutside = E:\\Mail\\\nB\n");
    standin::ImportPatch beep(module_->handle(), "user32.dll", "MessageBeep", reinterpret_cast<void*>(&CountBeep));
    ASSERT_TRUE(beep.applied());
    g_beeps = 0;
    std::string after, passed;
    MenuSeen menu;
    Edit([&](HWND dialog) {
        RealInput input(dialog);
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "Outside"));
        standin::ClickButton(dialog, kUp);
        SendMessageA(dialog, WM_COMMAND, kDown, 0);
        SetFocus(tree);
        Send(dialog, Chord({VK_MENU, VK_HOME}));
        Send(dialog, Chord({VK_MENU, VK_END}));
        Drag(dialog, OnRow(tree, "Outside"), OnRow(tree, "A", 0.25));
        menu = PickFromMenu(dialog, RightClick(OnRow(tree, "Outside")), 0);
        Send(dialog, Chord({VK_CONTROL, 'Z'}));
        after = Children(tree);
        // Its neighbours still move past it, and back.
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "B"));
        Send(dialog, Chord({VK_MENU, VK_HOME}));
        passed = Children(tree);
        Send(dialog, Chord({VK_CONTROL, 'Z'}));
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(g_beeps, 5) << "buttons, keys and drop; the menu offers nothing";
    EXPECT_EQ(menu.greyed, "gggggg");
    EXPECT_EQ(after, "A Outside B");
    EXPECT_EQ(passed, "B A Outside");
    EXPECT_EQ(ReadOrderFile(), "A\\\r\nB\\\r\n");
    EXPECT_EQ(Describe(), "A\nOutside\nB\n");
}

TEST_F(EditorHandsTest, TheWindowResizesWithTheTreeFillingItAndOkStillSaves) {
    StartWith(Outline("S", 30));
    RECT treeBefore = {}, upBefore = {}, okBefore = {}, treeAfter = {}, okAfter = {}, upAfter = {}, client = {};
    bool sizingBorder = false, templateSized = false, noSmaller = false;
    Edit([&](HWND dialog) {
        HWND tree = standin::DialogTree(dialog);
        sizingBorder = GetWindowLongA(dialog, GWL_STYLE) & WS_THICKFRAME;
        RECT templateSize = {0, 0, 162, 214}, opened;
        MapDialogRect(dialog, &templateSize);
        GetClientRect(dialog, &opened);
        templateSized = EqualRect(&templateSize, &opened);
        GetWindowRect(tree, &treeBefore);
        GetWindowRect(GetDlgItem(dialog, kUp), &upBefore);
        GetWindowRect(GetDlgItem(dialog, IDOK), &okBefore);
        RECT window;
        GetWindowRect(dialog, &window);
        // Smaller than the template: held at the template's size.
        SetWindowPos(dialog, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
        RECT shrunk;
        GetWindowRect(dialog, &shrunk);
        noSmaller = shrunk.right - shrunk.left == window.right - window.left &&
                    shrunk.bottom - shrunk.top == window.bottom - window.top;
        MoveWindow(dialog, window.left, window.top, window.right - window.left + 200,
                   window.bottom - window.top + 300, TRUE);
        standin::PumpDialogMessages(dialog);
        GetClientRect(dialog, &client);
        GetWindowRect(tree, &treeAfter);
        GetWindowRect(GetDlgItem(dialog, IDOK), &okAfter);
        GetWindowRect(GetDlgItem(dialog, kUp), &upAfter);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "S30"));
        standin::ClickButton(dialog, kUp);
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_TRUE(sizingBorder);
    EXPECT_TRUE(templateSized) << "it opens at the template's size";
    EXPECT_TRUE(noSmaller);
    EXPECT_EQ(treeAfter.right - treeAfter.left, treeBefore.right - treeBefore.left + 200);
    EXPECT_EQ(treeAfter.bottom - treeAfter.top, treeBefore.bottom - treeBefore.top + 300);
    EXPECT_EQ(upAfter.left - treeAfter.right, upBefore.left - treeBefore.right) << "beside the tree";
    EXPECT_EQ(upAfter.top - treeAfter.top, upBefore.top - treeBefore.top + 150) << "centred on it";
    EXPECT_EQ(okAfter.top - treeAfter.bottom, okBefore.top - treeBefore.bottom) << "OK stays under the tree";
    EXPECT_EQ(okAfter.left - treeAfter.left, okBefore.left - treeBefore.left + 100) << "as centred as before";
    EXPECT_NE(ReadOrderFile().find("S30\\\r\nS29\\\r\n"), std::string::npos);
}

TEST_F(EditorHandsTest, AfterAButtonMoveTheRowAboveTheFolderIsInSight) {
    StartWith(Outline("S", 60));
    std::vector<std::string> hidden;
    Edit([&](HWND dialog) {
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "S50"));
        TreeView_EnsureVisible(tree, standin::FindTreeItem(tree, "S50"));
        for (int i = 0; i < 47; ++i) {
            standin::ClickButton(dialog, kUp);
            standin::PumpDialogMessages(dialog);
            HTREEITEM moved = TreeView_GetSelection(tree);
            HTREEITEM above = TreeView_GetPrevSibling(tree, moved);
            if (!RowVisible(tree, standin::ItemText(tree, moved)) ||
                !RowVisible(tree, standin::ItemText(tree, above)))
                hidden.push_back(standin::ItemText(tree, above));
        }
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_TRUE(hidden.empty()) << hidden.size() << " moves hid the row above, first " << hidden[0];
}

}  // namespace
