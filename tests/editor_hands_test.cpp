// The order editor under a person's hands: real mouse and key input
// (SendInput) at the screen places of its rows and buttons, on the virtual
// display, in the real dialog over the real module.
#include "tests/module_fixture.h"

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
        afterEscape = Children(tree);
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

}  // namespace
