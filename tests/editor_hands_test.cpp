// The order editor under a person's hands: real mouse and key input
// (SendInput) at the screen places of its rows and buttons, on the virtual
// display, in the real dialog over the real module.
#include "tests/module_fixture.h"

#include "standin/import_patch.h"
#include "standin/real_input.h"

#include <commctrl.h>

#include <functional>
#include <sstream>
#include <vector>

namespace {

using standin::MenuSeen;

const int kUp = 1001;
const int kDown = 1002;

using standin::Chord;
using standin::Key;
using standin::MouseButton;
using standin::MouseTo;
using standin::RealInputTurn;

void Send(HWND dialog, const std::vector<INPUT>& inputs, DWORD milliseconds = 50) {
    standin::SendAndPump(dialog, inputs, milliseconds);
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
        host_->ExpandAll();
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
        Send(dialog, {MouseTo(from), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(Offset(from, 0, 12))});
        Send(dialog, {MouseTo(to)});
        Send(dialog, {MouseButton(MOUSEEVENTF_LEFTUP)});
    }
};

TEST_F(EditorHandsTest, DraggingMovesAFolderAmongItsSiblingsOnly) {
    StartWith("A\nB\n  B1\n  B2\nC\nD\n  D1\nE\nF\n");
    std::string afterDrag, afterRefused, afterEscape, afterClick, clicked, afterUndo, afterKeyInDrag;
    bool noCursorOffPlace = false, menuAfterRightCancel = true;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        Drag(dialog, OnRow(tree, "E"), OnRow(tree, "B", 0.25));  // place 5 to place 2
        afterDrag = Children(tree);
        Drag(dialog, OnRow(tree, "B1"), OnRow(tree, "D1", 0.75));  // another parent's child
        Drag(dialog, OnRow(tree, "D"), OnRow(tree, "D1", 0.75));   // its own subfolder
        afterRefused = Children(tree) + " / " + Children(tree, "B");
        Send(dialog, {MouseTo(OnRow(tree, "F")), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(OnRow(tree, "A"))});
        Send(dialog, {MouseTo(Offset(OnRow(tree, "A"), 0, -4))});
        noCursorOffPlace = GetCursor() == LoadCursor(nullptr, IDC_ARROW);
        Send(dialog, {MouseTo(OnRow(tree, "D1"))});
        noCursorOffPlace = noCursorOffPlace && GetCursor() == LoadCursor(nullptr, IDC_NO);
        Send(dialog, Chord({VK_ESCAPE}));
        Send(dialog, {MouseTo(OnRow(tree, "A", 0.25)), MouseButton(MOUSEEVENTF_LEFTUP)});
        afterEscape = IsWindowVisible(dialog) ? Children(tree) : "closed";
        // A right press cancels too, and its release opens no menu.
        // (On E: a press on F again this soon would be a double-click.)
        Send(dialog, {MouseTo(OnRow(tree, "E")), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(OnRow(tree, "A", 0.25))});
        Send(dialog, {MouseButton(MOUSEEVENTF_RIGHTDOWN)});
        menuAfterRightCancel = standin::PickFromMenu(dialog, {MouseButton(MOUSEEVENTF_RIGHTUP),
                                                              MouseButton(MOUSEEVENTF_LEFTUP)}, -1, 300).opened;
        afterEscape += IsWindowVisible(dialog) && Children(tree) == afterEscape ? "" : " (right press moved)";
        Send(dialog, {MouseTo(OnRow(tree, "C")), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseButton(MOUSEEVENTF_LEFTUP)});
        afterClick = Children(tree);
        clicked = Selected(tree);
        Send(dialog, Chord({VK_CONTROL, 'Z'}));
        afterUndo = Children(tree);
        // A move by key during a drag ends the drag: its release moves nothing more.
        Send(dialog, {MouseTo(OnRow(tree, "C")), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(OnRow(tree, "A", 0.25))});
        Send(dialog, Chord({VK_MENU, VK_UP}));
        Send(dialog, {MouseTo(OnRow(tree, "F", 0.75)), MouseButton(MOUSEEVENTF_LEFTUP)});
        afterKeyInDrag = Children(tree);
        Send(dialog, Chord({VK_CONTROL, 'Z'}));
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(afterKeyInDrag, "A C B D E F");
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    EXPECT_EQ(afterDrag, "A E B C D F");
    EXPECT_EQ(afterRefused, "A E B C D F / B1 B2");
    EXPECT_TRUE(noCursorOffPlace);
    EXPECT_EQ(afterEscape, afterDrag) << "Escape cancels the drag, not the dialog";
    EXPECT_FALSE(menuAfterRightCancel);
    EXPECT_EQ(afterClick, afterDrag);
    EXPECT_EQ(clicked, "C");
    EXPECT_EQ(afterUndo, "A B C D E F");
    EXPECT_EQ(ReadOrderFile(), "A\\\r\nB\\\r\nB\\B1\\\r\nB\\B2\\\r\nC\\\r\nD\\\r\nD\\D1\\\r\nE\\\r\nF\\\r\n");
}

// The dialog ending in the middle of a drag (here: by OK) leaves no
// capture, timer or key hook behind: the next editor works as the first.
TEST_F(EditorHandsTest, ADialogThatEndsDuringADragLeavesNothingBehind) {
    StartWith(Outline("S", 30));
    HWND captured = nullptr;
    std::string next;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        POINT from = OnRow(tree, "S03");
        RECT client;
        GetClientRect(tree, &client);
        POINT bottom = {client.right / 2, client.bottom - 1};
        ClientToScreen(tree, &bottom);
        Send(dialog, {MouseTo(from), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(Offset(from, 0, 12)), MouseTo(bottom)});
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        Send(dialog, {}, 200);
        captured = GetCapture();
        Send(dialog, {MouseButton(MOUSEEVENTF_LEFTUP)});
    });
    EXPECT_EQ(captured, nullptr) << "the hidden dialog still held the mouse";
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(ReadOrderFile().substr(0, 16), "S01\\\r\nS02\\\r\nS03\\") << "nothing moved";
    watcher_.OnNextDialog([&](HWND dialog) {
        RealInputTurn turn(dialog);
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
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        RECT client;
        GetClientRect(tree, &client);
        POINT bottom = {client.right / 2, client.bottom - 2};
        ClientToScreen(tree, &bottom);
        EXPECT_FALSE(RowVisible(tree, "S35"));
        POINT from = OnRow(tree, "S02");
        Send(dialog, {MouseTo(from), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(Offset(from, 0, 12))});
        Send(dialog, {MouseTo(bottom)});
        for (DWORD start = GetTickCount();
             !RowVisible(tree, "S35") && GetTickCount() - start < standin::kPatienceMilliseconds;)
            Send(dialog, {}, 20);
        scrolledIntoView = RowVisible(tree, "S35");
        Send(dialog, {MouseTo(OnRow(tree, "S35", 0.5))}, 0);
        Send(dialog, {MouseTo(OnRow(tree, "S35", 0.75)), MouseButton(MOUSEEVENTF_LEFTUP)});
        after = Children(tree);
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_TRUE(scrolledIntoView);
    EXPECT_EQ(Place(after, "S35"), 33) << after;
    EXPECT_EQ(Place(after, "S02"), 34) << after;
}

MenuSeen PickFromMenu(HWND dialog, const std::vector<INPUT>& opening, int position) {
    MenuSeen seen = standin::PickFromMenu(dialog, opening, position);
    EXPECT_TRUE(seen.opened);
    return seen;
}

std::vector<INPUT> RightClick(POINT at) {
    return {MouseTo(at), MouseButton(MOUSEEVENTF_RIGHTDOWN), MouseButton(MOUSEEVENTF_RIGHTUP)};
}

BOOL CALLBACK TakeShownTip(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0 || !IsWindowVisible(window)) return TRUE;
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    *reinterpret_cast<std::string*>(found) = text;
    return FALSE;
}

// The text of the thread's tooltip shown now, code page 932; empty for none.
std::string ShownTip() {
    std::string shown;
    EnumThreadWindows(GetCurrentThreadId(), TakeShownTip, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// The window opens ready for the keyboard: the focus in the tree, no folder
// selected; ↓ selects the first, Alt+↓ moves it. Resting on ↑ or ↓ names
// the move, its key and the other ways; resting on a grey folder says why
// it does not move.
TEST_F(EditorHandsTest, TheWindowOpensReadyForTheKeyboardAndExplainsItself) {
    using standin::Sjis;
    StartWith("A\nB\nC\nOutside = X:\\Other\\\n");
    bool focusInTree = false;
    std::string selectedAtOpen, afterMove, upTip, downTip, greyTip;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        focusInTree = GetFocus() == tree;
        selectedAtOpen = Selected(tree);
        Send(dialog, Chord({VK_DOWN}));
        Send(dialog, Chord({VK_MENU, VK_DOWN}));
        afterMove = Children(tree);
        auto restOn = [&](POINT at) {
            Send(dialog, {MouseTo(Offset(at, 0, 40))}, 100);
            Send(dialog, {MouseTo(at)}, 1500);
            return ShownTip();
        };
        auto centre = [&](int id) {
            RECT button;
            GetWindowRect(GetDlgItem(dialog, id), &button);
            return POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
        };
        upTip = restOn(centre(kUp));
        downTip = restOn(centre(kDown));
        greyTip = restOn(OnRow(tree, "Outside"));
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_TRUE(focusInTree);
    EXPECT_EQ(selectedAtOpen, "");
    EXPECT_EQ(afterMove, "B A C Outside");
    EXPECT_EQ(standin::Utf8(upTip).substr(0, 40), std::string(u8"選んだフォルダを 1 つ上へ（Alt+↑）\r\n押").substr(0, 40));
    EXPECT_NE(standin::Utf8(upTip).find(u8"ドラッグや、右クリックのメニューでも"), std::string::npos) << standin::Utf8(upTip);
    EXPECT_NE(standin::Utf8(downTip).find(u8"1 つ下へ（Alt+↓）"), std::string::npos) << standin::Utf8(downTip);
    EXPECT_NE(standin::Utf8(greyTip).find(u8"データフォルダの外にある"), std::string::npos) << standin::Utf8(greyTip);
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
        // A folder without subfolders has none to put in name order.
        {"D", "right-click", 0, "----gggg", "D A B C E F"},  // already in name order
        {"D", "menu key", 2, "gg---g-g", "A D B C E F"},
        {"F", "Shift+F10", 1, "--gg-g-g", "A D B C F E"},
        {"B", "right-click", 3, "-----g-g", "A D C F E B"},
        {"B", "menu key", 7, "--gg-g-g", "A D B C F E"},  // undo: B back before C
        {"E", "right-click", -1, "--gg-g--", "A D B C F E"},  // Escape
    };
    std::vector<std::string> texts;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
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
        "1 \x82\xC2\x8F\xE3\x82\xD6\tAlt+\x81\xAA",            // 1 つ上へ Alt+↑
        "1 \x82\xC2\x89\xBA\x82\xD6\tAlt+\x81\xAB",            // 1 つ下へ Alt+↓
        "\x96\x96\x94\xF6\x82\xD6\x88\xDA\x93\xAE\tAlt+End",  // 末尾へ移動
        "\x82\xB1\x82\xCC\x8A\x4B\x91\x77\x82\xF0\x96\xBC\x91\x4F\x8F\x87\x82\xC9\x95\xC0\x82\xD7\x91\xD6\x82\xA6",
        // この階層を名前順に並べ替え
        "\x83\x54\x83\x75\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xF0\x96\xBC\x91\x4F\x8F\x87\x82\xC9\x95\xC0\x82\xD7\x91\xD6\x82\xA6",
        // サブフォルダを名前順に並べ替え
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
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "S12"));
        RECT up;
        GetWindowRect(GetDlgItem(dialog, kUp), &up);
        POINT onUp = {(up.left + up.right) / 2, (up.top + up.bottom) / 2};
        Send(dialog, {MouseTo(onUp), MouseButton(MOUSEEVENTF_LEFTDOWN)}, 1000);
        Send(dialog, {MouseButton(MOUSEEVENTF_LEFTUP)});
        afterHold = Children(tree);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "S06"));
        Send(dialog, {MouseButton(MOUSEEVENTF_LEFTDOWN), MouseButton(MOUSEEVENTF_LEFTUP)});
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
        RealInputTurn turn(dialog);
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
    bool draggedShowsNo = false;
    MenuSeen menu;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "Outside"));
        standin::ClickButton(dialog, kUp);
        SendMessageA(dialog, WM_COMMAND, kDown, 0);
        SetFocus(tree);
        Send(dialog, Chord({VK_MENU, VK_HOME}));
        Send(dialog, Chord({VK_MENU, VK_END}));
        POINT outside = OnRow(tree, "Outside");
        Send(dialog, {MouseTo(outside), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(OnRow(tree, "A", 0.25))});
        draggedShowsNo = GetCursor() == LoadCursor(nullptr, IDC_NO);
        Send(dialog, {MouseButton(MOUSEEVENTF_LEFTUP)});
        // Held, the button refuses once, not at every repeat.
        RECT up;
        GetWindowRect(GetDlgItem(dialog, kUp), &up);
        Send(dialog, {MouseTo(POINT{(up.left + up.right) / 2, (up.top + up.bottom) / 2}),
                      MouseButton(MOUSEEVENTF_LEFTDOWN)}, 800);
        Send(dialog, {MouseButton(MOUSEEVENTF_LEFTUP)});
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
    EXPECT_EQ(g_beeps, 6) << "buttons, keys, drop and a held button; the menu offers nothing";
    EXPECT_TRUE(draggedShowsNo);
    EXPECT_EQ(menu.greyed, "gggggggg");
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

// The middle of the row's expand button, as the control itself places it.
POINT OnButton(HWND tree, const std::string& name) {
    HTREEITEM item = standin::FindTreeItem(tree, name);
    RECT label = {};
    TreeView_GetItemRect(tree, item, &label, TRUE);
    int y = (label.top + label.bottom) / 2, first = -1, last = -1;
    for (int x = 0; x < label.left; ++x) {
        TVHITTESTINFO hit = {};
        hit.pt = POINT{x, y};
        TreeView_HitTest(tree, &hit);
        if (hit.hItem != item || !(hit.flags & TVHT_ONITEMBUTTON)) continue;
        if (first < 0) first = x;
        last = x;
    }
    EXPECT_GE(first, 0) << "no expand button on " << name;
    POINT point = {(first + last) / 2, y};
    ClientToScreen(tree, &point);
    return point;
}

// Each folder with subfolders in tree order, "+" when shown expanded, "-"
// when collapsed: "A+ A1- B+".
std::string Groups(HWND tree) {
    std::string groups;
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = standin::NextInTree(tree, item)) {
        if (!TreeView_GetChild(tree, item)) continue;
        bool expanded = TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED;
        groups += (groups.empty() ? "" : " ") + standin::ItemText(tree, item) + (expanded ? "+" : "-");
    }
    return groups;
}

void Select(HWND tree, const std::string& name) {
    standin::SelectTreeItem(tree, standin::FindTreeItem(tree, name));
    SetFocus(tree);
}

TEST_F(EditorHandsTest, GroupsOpenAndCloseByTheirButtonsTheArrowKeysStarAndDoubleClick) {
    StartWith("A\n  A1\n    A1a\n  A2\nB\n  B1\n");
    std::vector<std::string> seen;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        Send(dialog, {MouseTo(OnButton(tree, "A")), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseButton(MOUSEEVENTF_LEFTUP)});
        seen.push_back(Groups(tree));
        Select(tree, "A");
        Send(dialog, Chord({VK_RIGHT}));
        seen.push_back(Groups(tree));
        Select(tree, "A1");
        Send(dialog, Chord({VK_LEFT}));
        seen.push_back(Groups(tree));
        Select(tree, "A");
        Send(dialog, Chord({VK_LEFT}));
        seen.push_back(Groups(tree));
        Send(dialog, Chord({VK_MULTIPLY}));  // the numeric pad's *: everything below
        seen.push_back(Groups(tree));
        POINT b = OnRow(tree, "B");
        Send(dialog, {MouseTo(b), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseButton(MOUSEEVENTF_LEFTUP),
                      MouseButton(MOUSEEVENTF_LEFTDOWN), MouseButton(MOUSEEVENTF_LEFTUP)});
        seen.push_back(Groups(tree));
        Send(dialog, {MouseTo(OnButton(tree, "B")), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseButton(MOUSEEVENTF_LEFTUP)});
        seen.push_back(Groups(tree) + " / " + Children(tree));
        standin::ClickButton(dialog, IDCANCEL);
    });
    const std::vector<std::string> expected = {
        "A- A1+ B+", "A+ A1+ B+", "A+ A1- B+", "A- A1- B+", "A+ A1+ B+", "A+ A1+ B-", "A+ A1+ B+ / A B"};
    EXPECT_EQ(seen, expected);
}

// B is collapsed with B1 collapsed and B2 expanded inside it: every way
// of moving B, and a group step, leave the three as they were.
TEST_F(EditorHandsTest, ACollapsedFolderAndItsSubfoldersKeepTheirStatesByEveryWayOfMoving) {
    StartWith("A\nB\n  B1\n    B1a\n  B2\n    B2a\nC\nD\n  D1\n");
    for (const char* name : {"B1", "B"}) TreeView_Expand(host_->tree(), host_->Find(name), TVE_COLLAPSE);
    struct Step {
        const char* what;
        std::function<void(HWND dialog, HWND tree)> act;
        const char* after;
    };
    auto menuEntry = [](int entry) {
        return [entry](HWND dialog, HWND tree) { PickFromMenu(dialog, RightClick(OnRow(tree, "B")), entry); };
    };
    const Step steps[] = {
        {"the up button", [](HWND dialog, HWND tree) { Select(tree, "B"); standin::ClickButton(dialog, kUp); },
         "B A C D"},
        {"Alt+Down", [](HWND dialog, HWND tree) { Select(tree, "B"); Send(dialog, Chord({VK_MENU, VK_DOWN})); },
         "A B C D"},
        {"a drag", [](HWND dialog, HWND tree) { Drag(dialog, OnRow(tree, "B"), OnRow(tree, "D", 0.75)); },
         "A C D B"},
        {"the menu", menuEntry(0), "B A C D"},
        {"Ctrl+Z", [](HWND dialog, HWND) { Send(dialog, Chord({VK_CONTROL, 'Z'})); }, "A C D B"},
        {"Ctrl+Y", [](HWND dialog, HWND) { Send(dialog, Chord({VK_CONTROL, 'Y'})); }, "B A C D"},
        {"a drag resting on B", [](HWND dialog, HWND tree) {
             POINT from = OnRow(tree, "A");
             Send(dialog, {MouseTo(from), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(Offset(from, 0, -12))});
             Send(dialog, {MouseTo(OnRow(tree, "B", 0.5))}, 1500);
             Send(dialog, {MouseTo(OnRow(tree, "D", 0.75))});
             Send(dialog, {MouseButton(MOUSEEVENTF_LEFTUP)});
         }, "B C D A"},
        {"name order", menuEntry(4), "A B C D"},
        {"Ctrl+Z on name order", [](HWND dialog, HWND) { Send(dialog, Chord({VK_CONTROL, 'Z'})); }, "B C D A"},
        {"Ctrl+Y on name order", [](HWND dialog, HWND) { Send(dialog, Chord({VK_CONTROL, 'Y'})); }, "A B C D"},
    };
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        EXPECT_EQ(Groups(tree), "B- B1- B2+ D+");
        for (const Step& step : steps) {
            step.act(dialog, tree);
            EXPECT_EQ(Children(tree), step.after) << step.what;
            std::string groups = Groups(tree);
            for (const char* state : {"B-", "B1-", "B2+", "D+"})
                EXPECT_NE((" " + groups + " ").find(std::string(" ") + state + " "), std::string::npos)
                    << step.what << ": " << groups;
        }
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    EXPECT_EQ(Describe(), "A\nB\n  B1\n    B1a\n  B2\n    B2a\nC\nD\n  D1\n");
}

TEST_F(EditorHandsTest, NameOrderPutsAGroupOfJapaneseAndLatinNamesInOrderAsOneStep) {
    using standin::Sjis;
    StartWith(Sjis(u8"P\n  beta\n  Alpha\n    a1\n  ＡＢＣ\n  日本\n  abc\n  カナ\n  2026\n  ｶﾅ\nQ\n"));
    const std::string before = Sjis(u8"beta Alpha ＡＢＣ 日本 abc カナ 2026 ｶﾅ");
    // Case and width aside, ＡＢＣ and abc, カナ and ｶﾅ are one name: they
    // keep their order.
    const std::string sorted = Sjis(u8"2026 ＡＢＣ abc Alpha beta カナ ｶﾅ 日本");
    std::string afterSort, selected, subfolder, afterUndo, afterRedo, greyedAfterSort;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        EXPECT_EQ(Children(tree, "P"), before);
        PickFromMenu(dialog, RightClick(OnRow(tree, "beta")), 4);
        afterSort = Children(tree, "P");
        selected = Selected(tree);
        subfolder = Children(tree, "Alpha");
        greyedAfterSort = PickFromMenu(dialog, Chord({VK_APPS}), -1).greyed;
        Send(dialog, Chord({VK_CONTROL, 'Z'}));
        afterUndo = Children(tree, "P");
        Send(dialog, Chord({VK_CONTROL, 'Y'}));
        afterRedo = Children(tree, "P");
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(standin::Utf8(afterSort), standin::Utf8(sorted));
    EXPECT_EQ(selected, "beta");
    EXPECT_EQ(subfolder, "a1");
    EXPECT_EQ(greyedAfterSort.substr(4, 1), "g") << greyedAfterSort;
    EXPECT_EQ(standin::Utf8(afterUndo), standin::Utf8(before)) << "one step back";
    EXPECT_EQ(afterRedo, sorted);
    std::string expected = "P\\\r\n";
    std::istringstream names(sorted);
    for (std::string name; names >> name;) {
        expected += "P\\" + name + "\\\r\n";
        if (name == "Alpha") expected += "P\\Alpha\\a1\\\r\n";
    }
    expected += "Q\\\r\n";
    EXPECT_EQ(standin::Utf8(ReadOrderFile()), standin::Utf8(expected));
}

// The subfolders' entry puts the selected folder's subfolders in name
// order, numbers as numbers, as one step; greyed for a folder without
// subfolders and once they are in order.
TEST_F(EditorHandsTest, TheSubfoldersEntryPutsThemInNameOrderAsOneStep) {
    using standin::Sjis;
    const std::string months = Sjis(u8"月別");
    StartWith(Sjis(u8"月別\n  10月\n  1月\n  12月\n  2月\nQ\n"));
    std::string greyedOnLeaf, greyedBefore, greyedAfter, afterSort, afterUndo, afterRedo;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        greyedOnLeaf = PickFromMenu(dialog, RightClick(OnRow(tree, "Q")), -1).greyed;
        greyedBefore = PickFromMenu(dialog, RightClick(OnRow(tree, months)), 5).greyed;
        afterSort = Children(tree, months);
        greyedAfter = PickFromMenu(dialog, RightClick(OnRow(tree, months)), -1).greyed;
        Send(dialog, Chord({VK_CONTROL, 'Z'}));
        afterUndo = Children(tree, months);
        Send(dialog, Chord({VK_CONTROL, 'Y'}));
        afterRedo = Children(tree, months);
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(greyedOnLeaf.substr(5, 1), "g") << greyedOnLeaf;
    EXPECT_EQ(greyedBefore.substr(5, 1), "-") << greyedBefore;
    EXPECT_EQ(standin::Utf8(afterSort), u8"1月 2月 10月 12月");
    EXPECT_EQ(greyedAfter.substr(5, 1), "g") << greyedAfter;
    EXPECT_EQ(standin::Utf8(afterUndo), u8"10月 1月 12月 2月") << "one step back";
    EXPECT_EQ(afterRedo, afterSort);
}

TEST_F(EditorHandsTest, TheWindowReopensWhereItWasLeftMovedIntoTheWorkArea) {
    StartWith("A\nB\n");
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT opened = {};
    auto open = [this](standin::DialogWatcher::Script script) {
        watcher_.OnNextDialog(std::move(script));
        module_->OnPlugInSetup(host_->window());
    };
    open([&](HWND dialog) {
        GetWindowRect(dialog, &opened);
        standin::ClickButton(dialog, IDCANCEL);
    });
    const int width = opened.right - opened.left + 120, height = opened.bottom - opened.top + 60;
    struct Case {
        const char* what;
        POINT leftAt;    // where it is left, at the larger size
        POINT reopens;   // where it opens next
    };
    const Case cases[] = {
        {"inside", {work.left + 30, work.top + 40}, {work.left + 30, work.top + 40}},
        {"past the bottom right", {work.right - 50, work.bottom - 30}, {work.right - width, work.bottom - height}},
        {"past the top left", {work.left - 400, work.top - 300}, {work.left, work.top}},
    };
    for (const Case& each : cases) {
        open([&](HWND dialog) {
            SetWindowPos(dialog, nullptr, each.leftAt.x, each.leftAt.y, width, height, SWP_NOZORDER);
            standin::ClickButton(dialog, IDCANCEL);
        });
        RECT reopened = {};
        open([&](HWND dialog) {
            GetWindowRect(dialog, &reopened);
            standin::ClickButton(dialog, IDOK);
        });
        EXPECT_EQ(reopened.left, each.reopens.x) << each.what;
        EXPECT_EQ(reopened.top, each.reopens.y) << each.what;
        EXPECT_EQ(reopened.right - reopened.left, width) << each.what;
        EXPECT_EQ(reopened.bottom - reopened.top, height) << each.what;
    }
    EXPECT_EQ(watcher_.dialogsSeen(), 7);
}

// Left larger than the screen it opens on next (closed on a larger one):
// shrunk to the work area, so that OK and Cancel are on the screen.
TEST_F(EditorHandsTest, TheWindowReopensShrunkToFitASmallerScreen) {
    StartWith("A\nB\n");
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    watcher_.OnNextDialog([&](HWND dialog) {
        SetWindowPos(dialog, nullptr, work.left - 100, work.top, work.right - work.left + 300,
                     work.bottom - work.top + 200, SWP_NOZORDER);
        standin::ClickButton(dialog, IDCANCEL);
    });
    module_->OnPlugInSetup(host_->window());
    RECT reopened = {}, ok = {};
    watcher_.OnNextDialog([&](HWND dialog) {
        GetWindowRect(dialog, &reopened);
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        standin::ClickButton(dialog, IDCANCEL);
    });
    module_->OnPlugInSetup(host_->window());
    EXPECT_EQ(reopened.left, work.left);
    EXPECT_EQ(reopened.top, work.top);
    EXPECT_EQ(reopened.right, work.right);
    EXPECT_EQ(reopened.bottom, work.bottom);
    EXPECT_LE(ok.bottom, work.bottom);
}

TEST_F(EditorHandsTest, ARightClickAfterADragCancelledByTheRightButtonReleasedOffTheTreeOpensTheMenu) {
    StartWith("A\nB\nC\n");
    bool opened = false;
    Edit([&](HWND dialog) {
        RealInputTurn turn(dialog);
        HWND tree = standin::DialogTree(dialog);
        RECT ok;
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        POINT offTree = {(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2};
        Send(dialog, {MouseTo(OnRow(tree, "A")), MouseButton(MOUSEEVENTF_LEFTDOWN), MouseTo(OnRow(tree, "C", 0.75))});
        Send(dialog, {MouseButton(MOUSEEVENTF_RIGHTDOWN)});
        Send(dialog, {MouseTo(offTree), MouseButton(MOUSEEVENTF_RIGHTUP), MouseButton(MOUSEEVENTF_LEFTUP)});
        opened = standin::PickFromMenu(dialog, RightClick(OnRow(tree, "B")), -1).opened;
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_TRUE(opened);
    EXPECT_EQ(Describe(), "A\nB\nC\n");
}

}  // namespace
