// Whatever the platform refuses (a tree control out of memory, a file held
// for a moment, a host allocator that says no), no folder is lost and the
// user is told what did not happen. Each platform call the module makes is
// made to fail, the Nth call once or from then on, for N = 1, 2, ... until
// the operation no longer needs an Nth call.
#include "tests/module_fixture.h"

#include <functional>
#include <memory>
#include <vector>

#include "standin/call_failure.h"
#include "standin/real_input.h"

namespace {

using standin::CallFailure;
using standin::FailingCall;

const int kUp = 1001;
// Far more calls than any operation here makes: a loop that reaches it did
// not end where it should.
const int kMostCalls = 200;

class RefusalTest : public ModuleTest {
protected:
    // The texts of the boxes shown since the last start, as UTF-8.
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const standin::MessageBoxSeen& box : watcher_.messageBoxes()) {
            EXPECT_EQ(box.caption, standin::Sjis(u8"並び替え"));
            EXPECT_TRUE(box.warningIcon);
            texts.push_back(standin::Utf8(box.text));
        }
        return texts;
    }
};

// The editor's fill: a copy that fails anywhere closes the editor with a
// word, before the user can arrange an incomplete tree.
TEST_F(RefusalTest, AnEditorThatCannotShowEveryFolderDoesNotOpen) {
    const std::string outline = "A\n  A1\n  A2\nB\n  B1\n    B11\nC\n";
    for (FailingCall call : {FailingCall::kInsertItem, FailingCall::kGetItem}) {
        for (bool fromThenOn : {false, true}) {
            int n = 1;
            for (; n < kMostCalls; ++n) {
                SCOPED_TRACE(std::string(CallFailure::Name(call)) + (fromThenOn ? " from call " : " call ") +
                             std::to_string(n));
                Start(outline, "C\\\r\nB\\\r\n");
                // Sorted at the start; without its file the sort before the
                // editor reads nothing, so only the fill's calls can fail
                // (the save's come after it).
                ASSERT_TRUE(DeleteFileA(module_->orderFilePath().c_str()));
                const std::string before = Describe();
                std::unique_ptr<CallFailure> failure(new CallFailure(module_->handle(), call, n, fromThenOn));
                ASSERT_TRUE(failure->applied());
                int failures = 0;
                auto stopFailing = [&] {
                    if (!failure) return;
                    failures = failure->failures();
                    failure.reset();
                };
                bool opened = false;
                watcher_.OnNextDialog([&](HWND dialog) {
                    opened = true;
                    stopFailing();
                    standin::ClickButton(dialog, IDOK);
                });
                EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
                stopFailing();
                if (failures == 0) {
                    EXPECT_TRUE(opened);
                    EXPECT_EQ(ReadOrderFile(), "C\\\r\nB\\\r\nB\\B1\\\r\nB\\B1\\B11\\\r\nA\\\r\nA\\A1\\\r\nA\\A2\\\r\n");
                    break;
                }
                EXPECT_FALSE(opened);
                EXPECT_EQ(Boxes(), std::vector<std::string>{kNotEveryFolderShown});
                EXPECT_EQ(GetFileAttributesA(module_->orderFilePath().c_str()), INVALID_FILE_ATTRIBUTES);
                EXPECT_EQ(Describe(), before);
            }
            EXPECT_GT(n, 7) << "fewer calls than folders";
            EXPECT_LT(n, kMostCalls);
        }
    }
}

// B's subtree in the move test: as an outline (indented one level), as the
// tree shows it, and as the order file lists it.
struct Subtree {
    std::string outline, shown, lines;
};

Subtree SmallSubtree() {
    return {"  B1\n    B11\n  B2\n", "  B1\n    B11\n  B2\n", "B\\B1\\\r\nB\\B1\\B11\\\r\nB\\B2\\\r\n"};
}

// Deeper than the control is asked to remove at once: it goes in pieces.
Subtree DeepChain(int depth) {
    Subtree chain;
    std::string path = "B\\";
    for (int level = 1; level <= depth; ++level) {
        const std::string indent(static_cast<size_t>(level) * 2, ' ');
        const std::string name = "D" + std::to_string(level);
        chain.outline += indent + name + "\n";
        chain.shown += indent + name + "\n";
        path += name + "\\";
        chain.lines += path + "\r\n";
    }
    return chain;
}

// A move copies the folder with its subfolders, then deletes the original:
// all of it, or nothing and a word; and when the control will not remove
// what it must, the editor closes rather than save a tree gone wrong.
TEST_F(RefusalTest, AMoveThatCannotCopyEveryFolderMovesNothing) {
    enum class Outcome { kNotMoved, kMoved, kEditorClosed };
    struct Case {
        FailingCall call;
        bool fromThenOn;
        Outcome outcome;  // of a run in which some call failed
        Subtree b;
    };
    const Case cases[] = {
        {FailingCall::kInsertItem, false, Outcome::kNotMoved, SmallSubtree()},
        {FailingCall::kInsertItem, true, Outcome::kNotMoved, SmallSubtree()},
        {FailingCall::kGetItem, false, Outcome::kNotMoved, SmallSubtree()},
        {FailingCall::kGetItem, true, Outcome::kNotMoved, SmallSubtree()},
        // A refused delete is tried again.
        {FailingCall::kDeleteItem, false, Outcome::kMoved, SmallSubtree()},
        {FailingCall::kDeleteItem, true, Outcome::kEditorClosed, SmallSubtree()},
        {FailingCall::kDeleteItem, false, Outcome::kMoved, DeepChain(300)},
        {FailingCall::kDeleteItem, true, Outcome::kEditorClosed, DeepChain(300)},
    };
    for (const Case& c : cases) {
        const std::string unmoved = "A\nB\n" + c.b.shown + "C\n";
        const std::string moved = "B\n" + c.b.shown + "A\nC\n";
        int n = 1;
        for (; n < kMostCalls; ++n) {
            SCOPED_TRACE(std::string(CallFailure::Name(c.call)) + (c.fromThenOn ? " from call " : " call ") +
                         std::to_string(n) + (c.b.lines.size() > 100 ? ", deep" : ""));
            Start("A\nB\n" + c.b.outline + "C\n", "");
            std::string shown, selected;
            int failures = 0;
            watcher_.OnNextDialog([&](HWND dialog) {
                HWND tree = standin::DialogTree(dialog);
                standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "B"));
                {
                    CallFailure failure(module_->handle(), c.call, n, c.fromThenOn);
                    standin::ClickButton(dialog, kUp);
                    failures = failure.failures();
                }
                shown = standin::DescribeTree(tree);
                selected = standin::ItemText(tree, TreeView_GetSelection(tree));
                standin::ClickButton(dialog, IDOK);
            });
            EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
            const Outcome outcome = failures == 0 ? Outcome::kMoved : c.outcome;
            switch (outcome) {
                case Outcome::kMoved:
                    EXPECT_EQ(shown, moved);
                    EXPECT_EQ(selected, "B");
                    EXPECT_TRUE(Boxes().empty());
                    EXPECT_EQ(ReadOrderFile(), "B\\\r\n" + c.b.lines + "A\\\r\nC\\\r\n");
                    break;
                case Outcome::kNotMoved:
                    EXPECT_EQ(shown, unmoved);
                    EXPECT_EQ(selected, "B");
                    EXPECT_EQ(Boxes(), std::vector<std::string>{kMoveFailed});
                    // OK saves every folder, where the user saw it.
                    EXPECT_EQ(ReadOrderFile(), "A\\\r\nB\\\r\n" + c.b.lines + "C\\\r\n");
                    break;
                case Outcome::kEditorClosed:
                    EXPECT_EQ(Boxes(), std::vector<std::string>{kEditorClosedUnsaved});
                    EXPECT_EQ(ReadOrderFile(), "");
                    break;
            }
            if (failures == 0) break;
        }
        EXPECT_LT(n, kMostCalls);
    }
}

// A group put in name order is several moves: one that fails takes back
// those made before it, so the group stands as it did, or the editor closes
// when the control will not even do that. Nothing half-sorted is left, nor
// a step to undo.
TEST_F(RefusalTest, AGroupThatCannotBePutInNameOrderWholeStaysAsItWas) {
    const std::string unsorted = "D\n  D1\nC\n  C1\nB\n  B1\nA\n  A1\n";
    const std::string sorted = "A\n  A1\nB\n  B1\nC\n  C1\nD\n  D1\n";
    struct Case {
        FailingCall call;
        bool fromThenOn;
        bool closes;  // when some call failed
    };
    const Case cases[] = {
        {FailingCall::kInsertItem, false, false},
        {FailingCall::kInsertItem, true, true},  // the way back needs inserts too
        {FailingCall::kDeleteItem, true, true},
    };
    for (const Case& c : cases) {
        int n = 1;
        for (; n < kMostCalls; ++n) {
            SCOPED_TRACE(std::string(CallFailure::Name(c.call)) + (c.fromThenOn ? " from call " : " call ") +
                         std::to_string(n));
            Start(unsorted, "");
            std::string shown, afterUndo;
            int failures = 0;
            watcher_.OnNextDialog([&](HWND dialog) {
                standin::RealInputTurn turn(dialog);
                HWND tree = standin::DialogTree(dialog);
                standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "B"));
                SetFocus(tree);
                {
                    CallFailure failure(module_->handle(), c.call, n, c.fromThenOn);
                    standin::PickFromMenu(dialog, standin::Chord({VK_APPS}), 4);
                    failures = failure.failures();
                }
                if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return;
                shown = standin::DescribeTree(tree);
                standin::SendAndPump(dialog, standin::Chord({VK_CONTROL, 'Z'}));
                afterUndo = standin::DescribeTree(tree);
                standin::ClickButton(dialog, IDCANCEL);
            });
            EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
            if (failures == 0) {
                EXPECT_EQ(shown, sorted);
                EXPECT_EQ(afterUndo, unsorted);
                EXPECT_TRUE(Boxes().empty());
                break;
            }
            if (c.closes && Boxes() == std::vector<std::string>{kEditorClosedUnsaved}) continue;
            EXPECT_FALSE(c.fromThenOn && c.call == FailingCall::kDeleteItem) << "closes";
            EXPECT_EQ(shown, unsorted);
            EXPECT_EQ(afterUndo, unsorted) << "no step to undo";
            EXPECT_EQ(Boxes(), std::vector<std::string>{kMoveFailed});
        }
        EXPECT_GT(n, 3) << "each of the three moves met a failure";
        EXPECT_LT(n, kMostCalls);
    }
}


// From the save to the sort after it, every file call and every host
// allocation may fail: the order file is the old one or the new one, the
// host tree shows what was saved or the user is told, and nothing is left
// behind, in the folder or the host's heap.
TEST_F(RefusalTest, AfterOKTheHostTreeShowsWhatWasSavedOrTheUserIsTold) {
    const std::string oldFile = "C\\\r\nB\\\r\nA\\\r\n";
    const std::string newFile = "C\\\r\nA\\\r\nB\\\r\n";
    // Each row arms the failure of the Nth call and answers how many failed.
    struct Row {
        std::string what;
        std::function<void(int n, bool fromThenOn)> arm;
        std::function<int()> disarm;
    };
    std::unique_ptr<CallFailure> failure;
    std::vector<Row> rows;
    for (FailingCall call : {FailingCall::kCreateFile, FailingCall::kGetFileSize, FailingCall::kReadFile,
                             FailingCall::kWriteFile, FailingCall::kFlushFileBuffers,
                             FailingCall::kGetTempFileName, FailingCall::kMoveFileEx,
                             FailingCall::kSortChildren}) {
        rows.push_back({CallFailure::Name(call),
                        [&, call](int n, bool fromThenOn) {
                            failure.reset(new CallFailure(module_->handle(), call, n, fromThenOn));
                        },
                        [&] {
                            int failures = failure->failures();
                            failure.reset();
                            return failures;
                        }});
    }
    rows.push_back({"BKA_Alloc", [&](int n, bool fromThenOn) { heap_.RefuseNth(n, fromThenOn); },
                    [&] {
                        heap_.StopRefusing();
                        return heap_.refusals();
                    }});

    for (const Row& row : rows) {
        for (bool fromThenOn : {false, true}) {
            int n = 1;
            for (; n < kMostCalls; ++n) {
                SCOPED_TRACE(row.what + (fromThenOn ? " from call " : " call ") + std::to_string(n));
                Start("A\nB\nC\n", oldFile);
                ASSERT_EQ(Describe(), "C\nB\nA\n");
                PausesCounted noPauses(module_->handle(), true);
                int failures = 0;
                watcher_.OnNextDialog([&](HWND dialog) {
                    HWND tree = standin::DialogTree(dialog);
                    standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "A"));
                    standin::ClickButton(dialog, kUp);
                    row.arm(n, fromThenOn);
                    standin::ClickButton(dialog, IDOK);
                    // A save that failed keeps the dialog open: the user gives up.
                    if (IsWindowVisible(dialog)) standin::ClickButton(dialog, IDCANCEL);
                });
                EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
                failures = row.disarm();
                const std::vector<std::string> boxes = Boxes();
                const std::string file = ReadOrderFile();
                if (file == newFile) {
                    EXPECT_TRUE(Describe() == "C\nA\nB\n" ||
                                boxes == std::vector<std::string>{kSavedButNotSorted})
                        << Describe();
                } else {
                    EXPECT_EQ(file, oldFile);
                    EXPECT_EQ(boxes.size(), 1u) << "a save that failed in silence";
                }
                // The editor's closing deletes what the failing calls left.
                ConfirmEditor(IDCANCEL);
                ExpectNoTemporaryFile();
                ExpectNoHostBlockHeldAfterExit();
                if (failures == 0) {
                    EXPECT_EQ(file, newFile);
                    EXPECT_TRUE(boxes.empty());
                    break;
                }
            }
            EXPECT_LT(n, kMostCalls);
        }
    }
}

BOOL WINAPI MoveWhileTheNewCopyIsHeld(LPCSTR from, LPCSTR, DWORD);
std::vector<HANDLE> g_heldCopies;

// A scanner holds each new copy of two failed saves: both go once it lets
// go and the editor closes.
TEST_F(RefusalTest, EveryCopyThatCouldNotBeDeletedIsDeletedLater) {
    Start("A\nB\n", "A\\\r\n");
    PausesCounted noPauses(module_->handle(), true);
    watcher_.OnNextDialog([&](HWND dialog) {
        standin::ImportPatch move(module_->handle(), "kernel32.dll", "MoveFileExA",
                                  reinterpret_cast<void*>(&MoveWhileTheNewCopyIsHeld));
        standin::ClickButton(dialog, IDOK);
        standin::ClickButton(dialog, IDOK);
        EXPECT_EQ(standin::ListFolder(module_->folder()).size(), 4u);
        for (HANDLE held : g_heldCopies) CloseHandle(held);
        g_heldCopies.clear();
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\n");
    ExpectNoTemporaryFile();
}

BOOL WINAPI MoveWhileTheNewCopyIsHeld(LPCSTR from, LPCSTR, DWORD) {
    g_heldCopies.push_back(CreateFileA(from, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
}

// The host decides how deep its tree is; the module's stack does not: this
// executable has the 1 MB stack of a Windows program.
TEST_F(RefusalTest, ATree20000LevelsDeepOpensMovesAndSaves) {
    const int kDepth = 20000;
    host_->AddFolder(nullptr, "A");
    HTREEITEM parent = host_->AddFolder(nullptr, "B");
    std::string expected = "A\\\r\nB\\\r\n";
    for (int level = 1; level <= kDepth; ++level) {
        // Paths of their own, short: nested names would make each path as long as the tree is deep.
        const std::string name = "D" + std::to_string(level);
        parent = host_->AddFolderWithPath(parent, name, "C:\\BeckyData\\" + name + "\\");
        expected += name + "\\\r\n";
    }
    Load();
    module_->OnStart();
    int items = 0;
    watcher_.OnNextDialog([&](HWND dialog) {
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "B"));
        standin::ClickButton(dialog, kUp);
        for (HTREEITEM item = TreeView_GetRoot(tree); item; item = standin::NextInTree(tree, item)) ++items;
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(items, kDepth + 2);
    EXPECT_EQ(ReadOrderFile(), "B\\\r\n" + expected.substr(expected.find("D1\\")) + "A\\\r\n");
}

}  // namespace
