// The order editor, driven as a person would: select, press up and down,
// confirm or cancel, in the real dialog over the real module.
#include "tests/module_fixture.h"

#include <commctrl.h>

namespace {

const int kUp = 1001;
const int kDown = 1002;

class EditorTest : public ModuleTest {
protected:
    void StartWith(const std::string& outline, const std::string& orderFile) {
        host_->AddOutline(outline);
        host_->ExpandAll();
        Load();
        WriteOrderFile(orderFile);
        module_->OnStart();
    }

    // Opens the editor and runs `script` in it; answers the setup result.
    int Edit(standin::DialogWatcher::Script script) {
        watcher_.OnNextDialog(std::move(script));
        int result = module_->OnPlugInSetup(host_->window());
        EXPECT_EQ(watcher_.dialogsSeen(), 1);
        return result;
    }

    // Selects the folder called `name` and presses `button` `times` times.
    static void Press(HWND dialog, const std::string& name, int button, int times = 1) {
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, name));
        for (int i = 0; i < times; ++i) standin::ClickButton(dialog, button);
    }
};

bool AllExpanded(HWND tree, HTREEITEM parent) {
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
        if (TreeView_GetChild(tree, item) &&
            !(TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED))
            return false;
        if (!AllExpanded(tree, item)) return false;
    }
    return true;
}

TEST_F(EditorTest, OpensOnACopyOfTheHostTreeInTheOrderOfTheCurrentFile) {
    StartWith("A\n  A1\n  A2\nB\nC\n  C1\n    C1a\n", "");
    WriteOrderFile("C\\\r\nA\\A2\\\r\n");  // changed since the start: the editor sorts first
    std::string copied;
    bool sameData = true, expanded = false, nothingSelected = false;
    int result = Edit([&](HWND dialog) {
        HWND editor = standin::DialogTree(dialog);
        copied = standin::DescribeTree(editor);
        expanded = AllExpanded(editor, TVI_ROOT);
        nothingSelected = TreeView_GetSelection(editor) == nullptr;
        for (const char* name : {"A", "A1", "A2", "B", "C", "C1", "C1a"}) {
            sameData = sameData && standin::ItemData(editor, standin::FindTreeItem(editor, name)) ==
                                       standin::ItemData(host_->tree(), host_->Find(name));
        }
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(copied, "C\n  C1\n    C1a\nA\n  A2\n  A1\nB\n");
    EXPECT_EQ(Describe(), copied);
    EXPECT_TRUE(sameData);
    EXPECT_TRUE(expanded);
    EXPECT_TRUE(nothingSelected);
}

TEST_F(EditorTest, FolderNamesLongerThan99BytesAreShownCut) {
    const std::string longName(150, 'N');
    StartWith("A\n", "");
    host_->AddFolder(nullptr, longName);
    std::string shown;
    Edit([&](HWND dialog) {
        HWND editor = standin::DialogTree(dialog);
        shown = standin::ItemText(editor, TreeView_GetNextSibling(editor, TreeView_GetRoot(editor)));
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(shown, longName.substr(0, 99));
    // The key comes from the record, not the text.
    EXPECT_EQ(ReadOrderFile(), "A\\\r\n" + longName + "\\\r\n");
}

TEST_F(EditorTest, UpOnAFirstSiblingAndDownOnALastSiblingDoNothing) {
    StartWith("A\n  A1\n  A2\nB\n", "");
    std::string after;
    Edit([&](HWND dialog) {
        standin::ClickButton(dialog, kUp);  // nothing selected yet
        standin::ClickButton(dialog, kDown);
        Press(dialog, "A", kUp);
        Press(dialog, "B", kDown);
        Press(dialog, "A1", kUp);
        Press(dialog, "A2", kDown);
        after = standin::DescribeTree(standin::DialogTree(dialog));
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(after, "A\n  A1\n  A2\nB\n");
}

TEST_F(EditorTest, AMovedFolderTakesItsWholeSubtreeExpandedAndStaysSelected) {
    StartWith("A\nB\n  B1\n    B1a\n  B2\nC\n", "");
    std::string afterUp, afterDown, selected;
    bool expanded = false;
    Edit([&](HWND dialog) {
        HWND editor = standin::DialogTree(dialog);
        Press(dialog, "B", kUp);
        afterUp = standin::DescribeTree(editor);
        standin::ClickButton(dialog, kDown);
        standin::ClickButton(dialog, kDown);  // the same folder keeps moving
        afterDown = standin::DescribeTree(editor);
        selected = standin::ItemText(editor, TreeView_GetSelection(editor));
        expanded = AllExpanded(editor, TVI_ROOT);
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(afterUp, "B\n  B1\n    B1a\n  B2\nA\nC\n");
    EXPECT_EQ(afterDown, "A\nC\nB\n  B1\n    B1a\n  B2\n");
    EXPECT_EQ(selected, "B");
    EXPECT_TRUE(expanded);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\nC\\\r\nB\\\r\nB\\B1\\\r\nB\\B1\\B1a\\\r\nB\\B2\\\r\n");
    EXPECT_EQ(Describe(), "A\nC\nB\n  B1\n    B1a\n  B2\n");
}

TEST_F(EditorTest, MovesStayAmongSiblings) {
    StartWith("A\n  A1\n  A2\n  A3\nB\n", "");
    std::string after;
    Edit([&](HWND dialog) {
        Press(dialog, "A3", kUp, 5);
        Press(dialog, "A", kDown, 3);
        after = standin::DescribeTree(standin::DialogTree(dialog));
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(after, "B\nA\n  A3\n  A1\n  A2\n");
    EXPECT_EQ(Describe(), after);
}

TEST_F(EditorTest, OkWithoutAMoveListsEveryKeyedFolderThenKeepsUnknownLines) {
    StartWith("A\n  A1\n  Outside = E:\\Mail\\\nB\nC\n", "Gone\\\r\nC\\\r\nAlso gone\r\n");
    EXPECT_EQ(Edit([](HWND dialog) { standin::ClickButton(dialog, IDOK); }), 1);
    EXPECT_EQ(ReadOrderFile(), "C\\\r\nA\\\r\nA\\A1\\\r\nB\\\r\nGone\\\r\nAlso gone\r\n");
    EXPECT_EQ(standin::ListFolder(module_->folder()).size(), 2u) << "only the module and its order file";
}

TEST_F(EditorTest, CancelAndTheCloseBoxLeaveTheFileByteForByte) {
    const std::string original = "B\\\r\nstray line\nA\\";
    StartWith("A\nB\nC\n", original);
    EXPECT_EQ(Edit([](HWND dialog) {
                  Press(dialog, "C", kUp, 2);
                  standin::ClickButton(dialog, IDCANCEL);
              }),
              1);
    EXPECT_EQ(ReadOrderFile(), original);
    EXPECT_EQ(Describe(), "B\nA\nC\n");

    watcher_.OnNextDialog([](HWND dialog) {
        Press(dialog, "C", kUp, 2);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        standin::PumpMessages();  // the close box posts its cancel
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_EQ(ReadOrderFile(), original);
    EXPECT_EQ(Describe(), "B\nA\nC\n");
}

// Keys go through the dialog's own message loop, as typed: the dialog
// manager turns Escape into Cancel and Enter into the default button, OK.
void Type(HWND dialog, WPARAM key) {
    SetFocus(standin::DialogTree(dialog));
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageA(GetFocus(), WM_KEYUP, key, 0xC0000001);
    standin::PumpDialogMessages(dialog);
}

TEST_F(EditorTest, EnterConfirmsAndEscapeCancels) {
    StartWith("A\nB\n", "");
    EXPECT_EQ(Edit([](HWND dialog) {
                  Press(dialog, "B", kUp);
                  Type(dialog, VK_ESCAPE);
              }),
              1);
    EXPECT_EQ(ReadOrderFile(), "");
    EXPECT_EQ(Describe(), "A\nB\n");
    watcher_.OnNextDialog([](HWND dialog) {
        Press(dialog, "B", kUp);
        Type(dialog, VK_RETURN);
    });
    module_->OnPlugInSetup(host_->window());
    EXPECT_EQ(ReadOrderFile(), "B\\\r\nA\\\r\n");
    EXPECT_EQ(Describe(), "B\nA\n");
}

// Alt with a key, typed on the tree as the keyboard sends it: a system key
// with Alt's bit in the key data, and Alt held in the key state. The tree
// gets the focus first only when a folder is selected: a tree control that
// gets the focus with nothing selected selects its first item.
void TypeWithAlt(HWND dialog, WPARAM key) {
    HWND tree = standin::DialogTree(dialog);
    if (TreeView_GetSelection(tree)) SetFocus(tree);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    const LPARAM altDown = 1 | (static_cast<LPARAM>(KF_ALTDOWN) << 16);
    PostMessageA(tree, WM_SYSKEYDOWN, key, altDown);
    PostMessageA(tree, WM_SYSKEYUP, key, altDown | static_cast<LPARAM>(0xC0000000));
    standin::PumpDialogMessages(dialog);
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
}

TEST_F(EditorTest, AltWithArrowsHomeAndEndMovesTheSelectedFolderAsFarAsTheKeySays) {
    StartWith("A\nB\n  B1\n  B2\n  B3\nC\n  C1\nD\n", "");
    std::string noSelection, afterUps, afterEnd, afterHome, afterDownOnLast, selected;
    bool expanded = false;
    Edit([&](HWND dialog) {
        HWND editor = standin::DialogTree(dialog);
        for (WPARAM key : {VK_UP, VK_DOWN, VK_HOME, VK_END}) TypeWithAlt(dialog, key);
        noSelection = standin::DescribeTree(editor);
        standin::SelectTreeItem(editor, standin::FindTreeItem(editor, "C"));
        TypeWithAlt(dialog, VK_UP);
        TypeWithAlt(dialog, VK_UP);
        afterUps = standin::DescribeTree(editor);
        TypeWithAlt(dialog, VK_END);  // C with its subfolder, last in one move
        afterEnd = standin::DescribeTree(editor);
        selected = standin::ItemText(editor, TreeView_GetSelection(editor));
        expanded = AllExpanded(editor, TVI_ROOT);
        standin::SelectTreeItem(editor, standin::FindTreeItem(editor, "B3"));
        TypeWithAlt(dialog, VK_HOME);  // first among B's subfolders only
        afterHome = standin::DescribeTree(editor);
        standin::SelectTreeItem(editor, standin::FindTreeItem(editor, "C"));
        TypeWithAlt(dialog, VK_DOWN);  // already last
        afterDownOnLast = standin::DescribeTree(editor);
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(noSelection, "A\nB\n  B1\n  B2\n  B3\nC\n  C1\nD\n");
    EXPECT_EQ(afterUps, "C\n  C1\nA\nB\n  B1\n  B2\n  B3\nD\n");
    EXPECT_EQ(afterEnd, "A\nB\n  B1\n  B2\n  B3\nD\nC\n  C1\n");
    EXPECT_EQ(selected, "C");
    EXPECT_TRUE(expanded);
    EXPECT_EQ(afterHome, "A\nB\n  B3\n  B1\n  B2\nD\nC\n  C1\n");
    EXPECT_EQ(afterDownOnLast, afterHome);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\nB\\\r\nB\\B3\\\r\nB\\B1\\\r\nB\\B2\\\r\nD\\\r\nC\\\r\nC\\C1\\\r\n");
    EXPECT_EQ(Describe(), afterHome);
}

TEST_F(EditorTest, ASecondSettingsCallWhileTheEditorIsOpenOpensNoSecondEditor) {
    StartWith("A\nB\nC\n", "A\\\r\nB\\\r\nC\\\r\n");
    int nestedResult = 0;
    EXPECT_EQ(Edit([&](HWND dialog) {
                  nestedResult = module_->OnPlugInSetup(host_->window());
                  standin::PumpDialogMessages(dialog);
                  Press(dialog, "C", kUp, 2);
                  standin::ClickButton(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(nestedResult, 1);
    EXPECT_EQ(watcher_.dialogsSeen(), 1);
    EXPECT_EQ(ReadOrderFile(), "C\\\r\nA\\\r\nB\\\r\n");
    EXPECT_EQ(Describe(), "C\nA\nB\n");
    // Closed, the editor opens again as usual.
    EXPECT_EQ(ConfirmEditor(IDCANCEL), 1);
    EXPECT_EQ(watcher_.dialogsSeen(), 2);
}

// A host tree whose control answers text requests with a pointer to its own
// copy, as a control does for items whose owner supplies the text on demand.
WNDPROC g_treeProc = nullptr;
char g_answeredText[260];

LRESULT CALLBACK AnswerTextByPointer(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* item = reinterpret_cast<TVITEMA*>(lParam);
    if (message != TVM_GETITEMA || !(item->mask & TVIF_TEXT))
        return CallWindowProcA(g_treeProc, tree, message, wParam, lParam);
    char* callerBuffer = item->pszText;
    item->pszText = g_answeredText;
    item->cchTextMax = sizeof g_answeredText;
    LRESULT result = CallWindowProcA(g_treeProc, tree, message, wParam, lParam);
    if (callerBuffer) callerBuffer[0] = '\0';
    return result;
}

TEST_F(EditorTest, NamesAnsweredByPointerAreShown) {
    const std::string longName(120, 'L');
    StartWith("Inbox\n  Work\n", "");
    host_->AddFolder(nullptr, longName);
    g_treeProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        host_->tree(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AnswerTextByPointer)));
    std::string shown;
    Edit([&](HWND dialog) {
        shown = standin::DescribeTree(standin::DialogTree(dialog));
        standin::ClickButton(dialog, IDCANCEL);
    });
    SetWindowLongPtrA(host_->tree(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_treeProc));
    EXPECT_EQ(shown, "Inbox\n  Work\n" + longName.substr(0, 99) + "\n");
}

// The host's folder pane as the editor must show it: expand buttons and
// lines at the root, each group open or closed as in the host, and the
// host's icons (a copy: the host may destroy its own list meanwhile).
TEST_F(EditorTest, OpensWithTheHostsGroupsOpenOrClosedAndItsIconsItemByItem) {
    for (bool icons : {true, false}) {
        SCOPED_TRACE(icons ? "with the host's icons" : "without");
        module_.reset();
        NewHostTree(28);
        if (icons) host_->UseImageList();
        host_->AddOutline("A\n  A1\n    A1a\n  A2\n    A2a\nB\n  B1\nC\n");
        host_->ExpandAll();
        for (const char* name : {"A1", "B"}) TreeView_Expand(host_->tree(), host_->Find(name), TVE_COLLAPSE);
        if (icons) host_->SetItemImages(host_->Find("B1"), 2, 0);
        Load();
        WriteOrderFile("");
        module_->OnStart();
        std::string host, editor;
        HIMAGELIST editorList = nullptr;
        DWORD style = 0;
        int imagesAfterHostDestroyedItsList = -1;
        watcher_.OnNextDialog([&](HWND dialog) {
            HWND tree = standin::DialogTree(dialog);
            style = static_cast<DWORD>(GetWindowLongA(tree, GWL_STYLE));
            host = standin::DescribeLook(host_->tree());
            editor = standin::DescribeLook(tree);
            editorList = TreeView_GetImageList(tree, TVSIL_NORMAL);
            if (icons) {
                host_->DestroyImageList();
                RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                imagesAfterHostDestroyedItsList = ImageList_GetImageCount(TreeView_GetImageList(tree, TVSIL_NORMAL));
            }
            standin::ClickButton(dialog, IDCANCEL);
        });
        HIMAGELIST hostList = host_->imageList();
        module_->OnPlugInSetup(host_->window());
        EXPECT_EQ(style & (TVS_HASBUTTONS | TVS_LINESATROOT), static_cast<DWORD>(TVS_HASBUTTONS | TVS_LINESATROOT));
        EXPECT_EQ(editor, host);
        EXPECT_EQ(host, icons ? "A+ 0/0\n  A1- 1/2\n    A1a 1/2\n  A2+ 1/2\n    A2a 1/2\nB- 0/0\n  B1 2/0\nC 0/0\n"
                              : "A+\n  A1-\n    A1a\n  A2+\n    A2a\nB-\n  B1\nC\n");
        EXPECT_EQ(editorList != nullptr && editorList != hostList, icons) << "a copy, not the host's own list";
        EXPECT_EQ(imagesAfterHostDestroyedItsList, icons ? 3 : -1);
    }
}

// Expanding the copied groups scrolls the control: the editor still opens
// at the tree's first row.
TEST_F(EditorTest, ALongTreeOfExpandedGroupsOpensAtItsFirstRow) {
    std::string outline;
    for (int group = 0; group < 40; ++group)
        outline += "G" + std::to_string(group) + "\n  a\n  b\n  c\n";
    StartWith(outline, "");
    std::string first;
    Edit([&](HWND dialog) {
        HWND tree = standin::DialogTree(dialog);
        first = standin::ItemText(tree, TreeView_GetFirstVisible(tree));
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(first, "G0");
}

}  // namespace
