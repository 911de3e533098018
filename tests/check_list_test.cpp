// The check of the order file in the editor, under a person's hands: the
// notice under the tree, the list it opens, the choices made there with
// real keys, and the file OK writes from them.
#include "tests/module_fixture.h"

#include "standin/call_failure.h"
#include "standin/real_input.h"

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using standin::Chord;
using standin::MouseButton;
using standin::MouseTo;
using standin::RealInputTurn;

const int kNotice = 1003;
const int kOpenList = 1004;
const int kHeader = 1100;
const int kList = 1101;
const int kDetail = 1102;

void Send(HWND window, const std::vector<INPUT>& inputs) { standin::SendAndPump(window, inputs, 50); }

std::string TextOf(HWND window) {
    char text[4096] = "";
    GetWindowTextA(window, text, sizeof text);
    return standin::Utf8(text);
}

// Each row of the list as "number|line|why|at OK", UTF-8.
std::vector<std::string> Rows(HWND list) {
    std::vector<std::string> rows;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        std::string cells;
        for (int column = 0; column < 4; ++column) {
            char text[1024] = "";
            ListView_GetItemText(list, row, column, text, sizeof text);
            cells += (column ? "|" : "") + standin::Utf8(text);
        }
        rows.push_back(cells);
    }
    return rows;
}

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

POINT CentreOf(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class CheckListTest : public ModuleTest {
protected:
    // Opens the editor and runs `inEditor` in it; `inList` in each list it opens.
    int Edit(std::function<void(HWND)> inEditor, std::function<void(HWND)> inList = nullptr) {
        watcher_.OnNextDialog([&](HWND dialog) {
            RealInputTurn turn(dialog);
            if (inList) watcher_.OnNextDialog([&](HWND list) { inList(list); });
            inEditor(dialog);
        });
        return module_->OnPlugInSetup(host_->window());
    }

    // Opens the list from the editor: the button's mnemonic, or a click on it.
    void OpenList(HWND dialog, bool byMouse, std::function<void(HWND)> inList) {
        watcher_.OnNextDialog([&](HWND list) {
            RealInputTurn turn(list);
            inList(list);
        });
        if (byMouse)
            Send(dialog, {MouseTo(CentreOf(GetDlgItem(dialog, kOpenList))), MouseButton(MOUSEEVENTF_LEFTDOWN),
                          MouseButton(MOUSEEVENTF_LEFTUP)});
        else
            Send(dialog, Chord({VK_MENU, 'L'}));
    }
};

// Shown names that differ from the names on disk, as Becky!'s mailboxes'.
const char kOutline[] =
    "Mail = C:\\BeckyData\\4b.mb\\\n"
    "  Home\n"
    "  Work\n"
    "Outbox\n"
    "Archive\n";

const char kSlips[] =
    "Outbox\\\r\n"                 // 1: places
    "4b.mb\\Work\\ \r\n"           // 2: a blank at the end
    "Gone\\\r\n"                   // 3: no such folder
    "4B.MB\\HOME\\\r\n"            // 4: letter case
    "Archive\r\n"                  // 5: no final "\"
    "# my folders\r\n"             // 6: a comment
    "Gone\\\r\n"                   // 7: a repeat of 3
    "Mail\\Work\\\r\n";            // 8: the names shown

TEST_F(CheckListTest, TheNoticeCountsTheLinesAndTheListSaysWhyAndWhatWasMeant) {
    // A file whose every line places a folder: no notice, the window as before.
    Start(kOutline, "Outbox\\\r\n");
    HWND noticeSeen = nullptr;
    RECT withNotice = {}, without = {};
    Edit([&](HWND dialog) {
        noticeSeen = GetDlgItem(dialog, kNotice);
        GetWindowRect(dialog, &without);
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(noticeSeen, nullptr);

    WriteOrderFile(kSlips);
    std::string notice, header, detail;
    std::vector<std::string> rows;
    Edit([&](HWND dialog) {
        notice = TextOf(GetDlgItem(dialog, kNotice));
        GetWindowRect(dialog, &withNotice);
        OpenList(dialog, true, [&](HWND list) {
            header = TextOf(GetDlgItem(list, kHeader));
            rows = Rows(GetDlgItem(list, kList));
            Send(list, Chord({VK_DOWN}));  // the second row: line 3
            detail = TextOf(GetDlgItem(list, kDetail));
            Send(list, Chord({VK_ESCAPE}));
        });
        standin::ClickButton(dialog, IDCANCEL);
    });
    // Each line counted once: the repeat and the placing line are not.
    EXPECT_EQ(notice, u8"該当するフォルダがない行: 6 行");
    EXPECT_EQ(header.rfind(u8"読み込んだ並び順ファイル: " + module_->folder() + "\\tamrivel.cfg", 0), 0u) << header;
    EXPECT_EQ(rows, (std::vector<std::string>{
                        u8"2|「4b.mb\\Work\\ 」|行末に空白|残す",
                        u8"3|「Gone\\」|フォルダがない|残す",
                        u8"4|「4B.MB\\HOME\\」|大文字と小文字|残す",
                        u8"5|「Archive」|行末の \\ がない|残す",
                        u8"6|「# my folders」|# で始まる行|残す",
                        u8"8|「Mail\\Work\\」|表示名のパス|残す",
                    }));
    EXPECT_NE(detail.find(u8"3 行目 「Gone\\」\r\nこの行に該当するフォルダはありません。"), std::string::npos) << detail;
    EXPECT_NE(detail.find(u8"同じ行がほかに 1 行あります"), std::string::npos) << detail;
    EXPECT_EQ(ReadOrderFile(), kSlips);
    EXPECT_GT(withNotice.bottom - withNotice.top, without.bottom - without.top);
}

TEST_F(CheckListTest, ChoicesTakeEffectAtOkAndEachCancelDropsWhatItShould) {
    Start(kOutline, kSlips);
    // In the list, by keys: line 2 fixed (Alt+F), line 3 removed (Space),
    // line 4 kept, line 5 fixed (Space twice), line 6 removed (Alt+D).
    auto choose = [&](HWND list) {
        Send(list, Chord({VK_MENU, 'F'}));
        Send(list, Chord({VK_DOWN}));
        Send(list, Chord({VK_SPACE}));
        Send(list, Chord({VK_DOWN}));
        Send(list, Chord({VK_DOWN}));
        Send(list, Chord({VK_SPACE}));
        Send(list, Chord({VK_SPACE}));
        Send(list, Chord({VK_DOWN}));
        Send(list, Chord({VK_MENU, 'D'}));
    };
    std::vector<std::string> afterCancel, chosen;
    std::string notice, top;
    Edit([&](HWND dialog) {
        // Cancel in the list drops what was chosen in it.
        OpenList(dialog, false, [&](HWND list) {
            choose(list);
            Send(list, Chord({VK_ESCAPE}));
        });
        OpenList(dialog, false, [&](HWND list) {
            afterCancel = Rows(GetDlgItem(list, kList));
            choose(list);
            chosen = Rows(GetDlgItem(list, kList));
            Send(list, Chord({VK_RETURN}));
        });
        notice = TextOf(GetDlgItem(dialog, kNotice));
        HWND tree = standin::DialogTree(dialog);
        for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
            top += standin::ItemText(tree, item) + " ";
        standin::ClickButton(dialog, IDOK);
    });
    for (const std::string& row : afterCancel) EXPECT_EQ(row.substr(row.rfind('|')), u8"|残す") << row;
    std::vector<std::string> choices;
    for (const std::string& row : chosen) choices.push_back(row.substr(row.rfind('|') + 1));
    EXPECT_EQ(choices, (std::vector<std::string>{u8"修正", u8"削除", u8"残す", u8"修正", u8"削除", u8"残す"}));
    EXPECT_EQ(notice, u8"OK で 4 行を整理（全 6 行）");
    // Archive's line came after Outbox's: its folder went there at once.
    EXPECT_EQ(top, "Outbox Archive Mail ");
    // Work's line came first in its group, before Home's (which has none).
    EXPECT_EQ(ReadOrderFile(),
              "Outbox\\\r\nArchive\\\r\n4b.mb\\\r\n4b.mb\\Work\\\r\n4b.mb\\Home\\\r\n"
              "4B.MB\\HOME\\\r\nMail\\Work\\\r\n");

    // Remove all, then Cancel in the editor: the file stays byte for byte;
    // then OK: the folders' lines alone.
    const std::string placed = "Outbox\\\r\n4b.mb\\\r\n4b.mb\\Home\\\r\n4b.mb\\Work\\\r\nArchive\\\r\n";
    const std::string stale = placed + "Gone\\\r\n# my folders\r\nMail\\Work\\\r\n";
    for (int button : {IDCANCEL, IDOK}) {
        WriteOrderFile(stale);
        Edit([&](HWND dialog) {
            OpenList(dialog, false, [&](HWND list) {
                Send(list, Chord({VK_MENU, 'A'}));
                Send(list, Chord({VK_RETURN}));
            });
            standin::ClickButton(dialog, button);
        });
        EXPECT_EQ(ReadOrderFile(), button == IDOK ? placed : stale);
    }
    ExpectNoHostBlockHeldAfterExit();
}

TEST_F(CheckListTest, WhatTheFileWasSavedAsAndAGoneParentAreShownReadably) {
    struct Case {
        const char* what;
        std::string file;
        const char* said;  // in the header, or the first row's detail
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"UTF-8, with a character Shift_JIS lacks", u8"仕事\\\r\n한국\\\r\n", u8"UTF-8 で保存されています",
         {u8"2|「??\\」|Shift_JIS にない文字|残す"}},
        {"Shift_JIS with a UTF-8 line", standin::Sjis(u8"仕事\\\r\n") + u8"趣味\\\r\n", u8"正しくは: 趣味\\",
         {u8"2|「趣味\\」（UTF-8）|UTF-8 の行|残す"}},
        {"a line longer than is shown", standin::Sjis(Repeated(u8"長", 200) + u8"\\"), u8"1 行目 「長",
         {u8"1|「" + Repeated(u8"長", 150) + u8"...」|フォルダがない|残す"}},
        {"lines under a folder gone", "Old\\A\\\r\nOld\\B\\\r\nOld\\C\\\r\n",
         u8"「Old\\」というフォルダがありません（その下の行が 3 行あります）",
         {u8"1|「Old\\A\\」|上のフォルダがない|残す", u8"2|「Old\\B\\」|上のフォルダがない|残す",
          u8"3|「Old\\C\\」|上のフォルダがない|残す"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(standin::Sjis(u8"仕事\n趣味\n"), c.file);
        std::string said;
        std::vector<std::string> rows;
        Edit([&](HWND dialog) {
            OpenList(dialog, false, [&](HWND list) {
                said = TextOf(GetDlgItem(list, kHeader)) + "\n" + TextOf(GetDlgItem(list, kDetail));
                rows = Rows(GetDlgItem(list, kList));
                Send(list, Chord({VK_ESCAPE}));
            });
            standin::ClickButton(dialog, IDCANCEL);
        });
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_EQ(rows, c.rows);
    }
}

// Fixes taken together place their folders as the fixed file would:
// in the order of their lines, the first line of a folder counting.
TEST_F(CheckListTest, SeveralFixesPlaceTheirFoldersByTheFirstLineOfEach) {
    struct Case {
        const char* what;
        std::string file;
        const char* order;  // the folders after the fixes, a parent before its children
    };
    const Case cases[] = {
        {"two fixes in one group", "Archive/\r\nOutbox/\r\n", "Archive Outbox Mail Home Work "},
        {"a fix before the folder's own line", "Outbox/\r\nArchive\\\r\nOutbox\\\r\n",
         "Outbox Archive Mail Home Work "},
        {"two fixes of one folder", "Archive/\r\nOutbox\\\r\n Archive\\\r\n", "Archive Outbox Mail Home Work "},
        // Work is found again in Mail's new place.
        {"a fix inside a folder fixed before", "4b.mb/\r\n4b.mb/Work/\r\nOutbox\\\r\n",
         "Mail Work Home Outbox Archive "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(kOutline, c.file);
        std::string order;
        Edit([&](HWND dialog) {
            OpenList(dialog, false, [&](HWND list) {
                // Every row selected, then fixed.
                Send(list, Chord({VK_SHIFT, VK_END}));
                Send(list, Chord({VK_MENU, 'F'}));
                Send(list, Chord({VK_RETURN}));
            });
            HWND tree = standin::DialogTree(dialog);
            std::function<void(HTREEITEM)> add = [&](HTREEITEM parent) {
                for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
                    order += standin::ItemText(tree, item) + " ";
                    add(item);
                }
            };
            add(TVI_ROOT);
            standin::ClickButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(order, c.order);
        for (const standin::MessageBoxSeen& box : watcher_.messageBoxes()) ADD_FAILURE() << standin::Utf8(box.text);
    }
}

// The control takes no new item when the list closes: the group stays as
// it was, the user is told, and OK keeps every fixed line of that folder,
// the one that would have placed it and the one that would only have gone.
TEST_F(CheckListTest, FixesWhoseFolderCannotMoveKeepTheirLines) {
    Start(kOutline, "Archive/\r\nOutbox\\\r\nArchive\r\n");
    std::string order;
    Edit([&](HWND dialog) {
        {
            // The list's OK ends its loop once the script is done: the moves come after.
            standin::CallFailure inserts(module_->handle(), standin::FailingCall::kInsertItem, 1, true);
            OpenList(dialog, false, [&](HWND list) {
                Send(list, Chord({VK_SHIFT, VK_END}));
                Send(list, Chord({VK_MENU, 'F'}));
                Send(list, Chord({VK_RETURN}));
            });
        }
        HWND tree = standin::DialogTree(dialog);
        for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
            order += standin::ItemText(tree, item) + " ";
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(order, "Outbox Mail Archive ");
    ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
    EXPECT_EQ(watcher_.messageBoxes()[0].text, standin::Sjis(kMoveFailed));
    EXPECT_EQ(ReadOrderFile(), "Outbox\\\r\n4b.mb\\\r\n4b.mb\\Home\\\r\n4b.mb\\Work\\\r\nArchive\\\r\n"
                               "Archive/\r\nArchive\r\n");
}

// The editor tree's messages, counted by a procedure on top of its chain.
long g_treeMessages = 0;
long g_treePaints = 0;
long g_treeHitTests = 0;
WNDPROC g_treeBelow = nullptr;
LRESULT CALLBACK CountTreeMessage(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_treeMessages;
    g_treePaints += message == WM_PAINT;
    g_treeHitTests += message == TVM_HITTEST;
    return CallWindowProcA(g_treeBelow, tree, message, wParam, lParam);
}

// Each row the tree draws is a notification to the dialog, and so is each
// item a move deletes: only a tip's own request asks the tree which row the
// pointer is over.
TEST_F(CheckListTest, TheTreeDrawnAsksItNothingForTips) {
    std::string outline;
    for (int i = 0; i < 40; ++i) outline += "F" + std::to_string(i) + "\n";
    Start(outline, "");
    Edit([&](HWND dialog) {
        HWND tree = standin::DialogTree(dialog);
        g_treePaints = g_treeHitTests = 0;
        g_treeBelow = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountTreeMessage)));
        RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        standin::PumpDialogMessages(dialog);
        SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_treeBelow));
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_GT(g_treePaints, 0);
    EXPECT_EQ(g_treeHitTests, 0);
}

// Fixing every line of a flat group of 3,000 folders: the group's new order
// worked out once and arranged as one step, a few tens of the tree's
// messages a folder, not a walk of the whole group for each fix.
TEST_F(CheckListTest, FixingEveryLineOfALargeGroupCostsAFewMessagesAFolder) {
    const int kFolders = 3000;
    std::string outline, file;
    for (int i = 0; i < kFolders; ++i) {
        outline += "F" + std::to_string(i) + "\n";
        file = "F" + std::to_string(i) + "\r\n" + file;  // last first, each without its final "\"
    }
    Start(outline, file);
    std::string first, last;
    Edit([&](HWND dialog) {
        HWND tree = standin::DialogTree(dialog);
        OpenList(dialog, false, [&](HWND list) {
            Send(list, Chord({VK_SHIFT, VK_END}));
            Send(list, Chord({VK_MENU, 'F'}));
            g_treeMessages = 0;
            g_treeBelow = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountTreeMessage)));
            Send(list, Chord({VK_RETURN}));
        });
        SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_treeBelow));
        first = standin::ItemText(tree, TreeView_GetRoot(tree));
        last = standin::ItemText(tree, TreeView_GetLastVisible(tree));
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(first, "F2999");
    EXPECT_EQ(last, "F0");
    std::printf("fixing %d lines of one group took %ld of the tree's messages\n", kFolders, g_treeMessages);
    EXPECT_GT(g_treeMessages, kFolders);
    EXPECT_LT(g_treeMessages, 40L * kFolders);
}

TEST_F(CheckListTest, AThousandStaleLinesOpenAtOnceAndTheCopyInVirtualStoreIsNamed) {
    std::string outline, file;
    for (int i = 0; i < 1000; ++i) {
        outline += "F" + std::to_string(i) + "\n";
        file += "F" + std::to_string(i) + "\\\r\nOld" + std::to_string(i) + "\\\r\n";
    }
    // The plug-in's folder under "Program Files", and a copy of its file in
    // the user's VirtualStore, as Windows keeps one for an older program.
    host_->AddOutline(outline);
    Load();
    const std::string folder = module_->folder();
    const std::string parent = folder.substr(0, folder.find_last_of('\\', folder.size() - 2));
    standin::TempFolder local("local");
    const std::string store = local.path() + "\\VirtualStore";
    CreateDirectoryA(store.c_str(), nullptr);
    for (size_t at = folder.find('\\', 3);; at = folder.find('\\', at + 1)) {
        CreateDirectoryA((store + folder.substr(2, at == std::string::npos ? at : at - 2)).c_str(), nullptr);
        if (at == std::string::npos) break;
    }
    const std::string copy = store + folder.substr(2) + "\\tamrivel.cfg";
    ASSERT_TRUE(standin::WriteFileBytes(copy, "F1\\\r\n"));
    // Put back as they were when the test ends, whatever it finds.
    struct Environment {
        std::string name, value;
        bool had;
        explicit Environment(const char* variable) : name(variable), value(4096, '\0') {
            const DWORD length = GetEnvironmentVariableA(variable, &value[0], 4096);
            had = length > 0 && length < 4096;
            value.resize(had ? length : 0);
        }
        ~Environment() { SetEnvironmentVariableA(name.c_str(), had ? value.c_str() : nullptr); }
    } programFiles("ProgramFiles"), localAppData("LOCALAPPDATA");
    SetEnvironmentVariableA("ProgramFiles", parent.c_str());
    SetEnvironmentVariableA("LOCALAPPDATA", local.path().c_str());
    WriteOrderFile(file);
    module_->OnStart();

    std::string header;
    int rows = 0;
    bool ownerData = false;
    Edit([&](HWND dialog) {
        OpenList(dialog, false, [&](HWND list) {
            header = TextOf(GetDlgItem(list, kHeader));
            rows = ListView_GetItemCount(GetDlgItem(list, kList));
            ownerData = (GetWindowLongA(GetDlgItem(list, kList), GWL_STYLE) & LVS_OWNERDATA) != 0;
            Send(list, Chord({VK_ESCAPE}));
        });
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(rows, 1000);
    // The rows are answered on demand, as they are drawn: none is copied.
    EXPECT_TRUE(ownerData);
    EXPECT_NE(header.find(copy), std::string::npos) << header;
}

}  // namespace
