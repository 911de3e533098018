// The user's order is kept through everyday use: OK keeps the lines of
// folders the editor does not show, and the order holds again soon after the
// host changes its tree while it runs.
#include "tests/module_fixture.h"

#include <functional>
#include <thread>

#include "standin/call_failure.h"

namespace {

class KeepOrderTest : public ModuleTest {
protected:
    // A module the host freed but that keeps itself loaded: a host that
    // loads it again gets the same module, and its exit lets it go for good.
    static void ExitAndUnloadAgain(const std::string& path) {
        HMODULE again = LoadLibraryA(path.c_str());
        using Callback = int(WINAPI*)();
        reinterpret_cast<Callback>(reinterpret_cast<void*>(GetProcAddress(again, "BKC_OnExit")))();
        FreeLibrary(again);
        EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr) << "kept loaded after its exit";
    }

    WNDPROC TreeProcedure() const {
        return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(host_->tree(), GWLP_WNDPROC));
    }
};

TEST_F(KeepOrderTest, OkKeepsTheLinesOfFoldersItDoesNotShowAfterTheTreesOwn) {
    struct Case {
        const char* what;
        std::string before;  // the order file when OK is pressed
        std::string after;   // what OK writes (and a second OK again)
    };
    const Case cases[] = {
        {"another data folder's mailbox and an absent one",
         "X.mb\\\r\nB\\\r\nY.mb\\Inbox\\\r\nA\\\r\n", "B\\\r\nA\\\r\nC\\\r\nX.mb\\\r\nY.mb\\Inbox\\\r\n"},
        {"repeats count once, letter case apart",
         "Q\\\r\nA\\\r\nQ\\\r\nq\\\r\nA\\\r\n", "A\\\r\nB\\\r\nC\\\r\nQ\\\r\nq\\\r\n"},
        {"every line end, and none after the last line", "\r\nX\\\nC\\\rY\\\r\n\nZ\\",
         "C\\\r\nA\\\r\nB\\\r\nX\\\r\nY\\\r\nZ\\\r\n"},
        {"a line with blanks and a comment, byte for byte", "# mine\r\nB\\ \r\n",
         "A\\\r\nB\\\r\nC\\\r\n# mine\r\nB\\ \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start("A\nB\nC\n", c.before);
        EXPECT_EQ(ConfirmEditor(), 1);
        EXPECT_EQ(ReadOrderFile(), c.after);
        EXPECT_EQ(ConfirmEditor(), 1);
        EXPECT_EQ(ReadOrderFile(), c.after);
        EXPECT_TRUE(watcher_.messageBoxes().empty());
    }
}

// Another program (the user's text editor, a second host sharing the
// plug-in folder) writes the file while the editor is open: its lines stay.
TEST_F(KeepOrderTest, OkKeepsALineWrittenToTheFileWhileTheEditorWasOpen) {
    Start("A\nB\n", "B\\\r\nOld\\\r\n");
    watcher_.OnNextDialog([&](HWND dialog) {
        WriteOrderFile("New\\\r\nB\\\r\n");
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_EQ(ReadOrderFile(), "B\\\r\nA\\\r\nNew\\\r\n");
}

TEST_F(KeepOrderTest, TheOrderHoldsAgainWithinASecondOfAHostChange) {
    const std::string order = "C\\\r\nA\\\r\nA\\A2\\\r\nB\\\r\n";
    struct Case {
        const char* what;
        std::function<void(standin::FolderTreeHost&)> change;
        const char* expected;
    };
    const Case cases[] = {
        {"a new folder in the middle of an ordered group",
         [](standin::FolderTreeHost& host) { host.AddFolder(nullptr, "N", host.Find("C")); },
         "C\nA\n  A2\n  A1\nB\nN\n"},
        {"the group sorted by name", [](standin::FolderTreeHost& host) { TreeView_SortChildren(host.tree(), TVI_ROOT, 0); },
         "C\nA\n  A2\n  A1\nB\n"},
        {"a subtree deleted and added again",
         [](standin::FolderTreeHost& host) {
             host.ReleaseFolder(host.Find("A"));
             HTREEITEM a = host.AddFolder(nullptr, "A", TVI_FIRST);
             host.AddFolder(a, "A1");
             host.AddFolder(a, "A2");
         },
         "C\nA\n  A2\n  A1\nB\n"},
        {"the whole tree emptied and filled again",
         [](standin::FolderTreeHost& host) {
             host.ReleaseAllFolders();
             host.AddOutline("B\nA\n  A1\n  A2\nC\n");
         },
         "C\nA\n  A2\n  A1\nB\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start("A\n  A1\n  A2\nB\nC\n", order);
        ASSERT_EQ(Describe(), "C\nA\n  A2\n  A1\nB\n");
        const int sorts = host_->sortsByFunction();
        c.change(*host_);
        EXPECT_TRUE(TreeComesToBegin(c.expected)) << Describe();
        EXPECT_EQ(Describe().size(), std::string(c.expected).size());
        EXPECT_GT(host_->sortsByFunction(), sorts);
        EXPECT_EQ(ReadOrderFile(), order);
    }
}

TEST_F(KeepOrderTest, TextsStatesAndQuietTimeAskForNoSort) {
    Start("A\nB\nC\n", "C\\\r\nA\\\r\n");
    // A sort now would change the tree: only a change of its structure may ask for one.
    WriteOrderFile("A\\\r\nB\\\r\nC\\\r\n");
    const int sorts = host_->sortsByFunction();
    HTREEITEM a = host_->Find("A");
    TVITEMA item = {};
    item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_IMAGE;
    item.hItem = a;
    item.pszText = const_cast<char*>("A (3)");
    item.state = item.stateMask = TVIS_BOLD;
    item.iImage = 2;
    SendMessageA(host_->tree(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    TreeView_Expand(host_->tree(), a, TVE_EXPAND);
    TreeView_SelectItem(host_->tree(), a);
    RunHost(1000);
    EXPECT_EQ(host_->sortsByFunction(), sorts);
    EXPECT_EQ(Describe(), "C\nA (3)\nB\n");
}

// A drag (the mouse captured, by the tree or any window of the host) or a
// label edit in the host's tree: the change is sorted once it is over.
TEST_F(KeepOrderTest, AChangeDuringADragOrARenameWaitsForItsEnd) {
    struct Case {
        const char* what;
        std::function<void(standin::FolderTreeHost&)> begin, end;
    };
    const Case cases[] = {
        {"the tree's parent holds the mouse", [](standin::FolderTreeHost& host) { SetCapture(host.window()); },
         [](standin::FolderTreeHost&) { ReleaseCapture(); }},
        {"a folder's name is edited",
         [](standin::FolderTreeHost& host) {
             SetWindowLongPtrA(host.tree(), GWL_STYLE, GetWindowLongPtrA(host.tree(), GWL_STYLE) | TVS_EDITLABELS);
             SetFocus(host.tree());
             ASSERT_NE(TreeView_EditLabel(host.tree(), host.Find("A")), nullptr);
         },
         [](standin::FolderTreeHost& host) { TreeView_EndEditLabelNow(host.tree(), TRUE); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start("A\nB\nC\n", "C\\\r\nA\\\r\nB\\\r\n");
        ShowWindow(host_->window(), SW_SHOW);
        c.begin(*host_);
        host_->AddFolder(nullptr, "N", TVI_FIRST);
        RunHost(700);
        EXPECT_EQ(Describe(), "N\nC\nA\nB\n");
        c.end(*host_);
        EXPECT_TRUE(TreeComesToBegin("C\nA\nB\nN\n")) << Describe();
    }
}

// The editor's OK sorts the host tree itself; a change the host made while
// the editor was open waits, and is sorted once the editor closes unsaved.
TEST_F(KeepOrderTest, AChangeWhileTheEditorIsOpenWaitsForItToClose) {
    Start("A\nB\nC\n", "C\\\r\nA\\\r\nB\\\r\n");
    std::string hostWhileOpen;
    watcher_.OnNextDialog([&](HWND dialog) {
        host_->AddFolder(nullptr, "N", TVI_FIRST);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 800) {
            standin::PumpDialogMessages(dialog);
            Sleep(10);
        }
        hostWhileOpen = Describe();
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_EQ(hostWhileOpen, "N\nC\nA\nB\n");
    EXPECT_TRUE(TreeComesToBegin("C\nA\nB\nN\n")) << Describe();
}

TEST_F(KeepOrderTest, ABurstOf10000InsertsCostsOneSortAfterIt) {
    Start("A\nB\n", "B\\\r\nA\\\r\n");
    const int sorts = host_->sortsByFunction();
    // B taken away and added again after them: the group is out of order.
    TreeView_DeleteItem(host_->tree(), host_->Find("B"));
    for (int i = 0; i < 10000; ++i) host_->AddFolder(nullptr, "N" + std::to_string(i));
    host_->AddFolder(nullptr, "B");
    // One group out of order: one sort, once.
    EXPECT_TRUE(standin::PumpUntil([&] { return host_->sortsByFunction() > sorts; }));
    RunHost(1000);
    EXPECT_EQ(host_->sortsByFunction(), sorts + 1);
    EXPECT_TRUE(TreeComesToBegin("B\nA\nN")) << Describe().substr(0, 40);
}

// Nothing of the watch is left once the host says it exits, and then
// FreeLibrary unloads the module; a second start-up does not watch twice.
TEST_F(KeepOrderTest, ExitLeavesNothingBehind) {
    struct Case {
        const char* what;
        std::function<void(standin::LoadedModule&)> end;
        const char* treeAfterEnd;  // with P, a change pending at the end
    };
    const Case cases[] = {
        {"exit with a change pending", [](standin::LoadedModule& module) { module.OnExit(); }, "P\nC\nA\nB\n"},
        {"started twice, then exit",
         [](standin::LoadedModule& module) {
             module.OnStart();
             module.OnExit();
         },
         "C\nA\nB\nP\n"},
        {"exit, started again, exit",
         [](standin::LoadedModule& module) {
             module.OnExit();
             module.OnStart();
             module.OnExit();
         },
         "C\nA\nB\nP\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        module_.reset();
        NewHostTree(28);
        host_->AddOutline("A\nB\nC\n");
        const WNDPROC hostProcedure = TreeProcedure();
        Load();
        WriteOrderFile("C\\\r\nA\\\r\nB\\\r\n");
        module_->OnStart();
        ASSERT_EQ(Describe(), "C\nA\nB\n");
        EXPECT_NE(TreeProcedure(), hostProcedure);
        host_->AddFolder(nullptr, "P", TVI_FIRST);
        c.end(*module_);
        EXPECT_EQ(Describe(), c.treeAfterEnd);
        const std::string path = module_->path();
        module_->Unload();
        EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr) << "kept loaded after a clean exit";
        const int sorts = host_->sortsByFunction();
        host_->AddFolder(nullptr, "N", TVI_FIRST);
        RunHost(700);
        EXPECT_EQ(TreeProcedure(), hostProcedure);
        EXPECT_EQ(host_->sortsByFunction(), sorts);
        EXPECT_EQ(Describe(), std::string("N\n") + c.treeAfterEnd);
    }
}

// FreeLibrary wherever the host calls it: from its handler of a tree
// notification (inside the tree's handling of a message that passed the
// module's procedure), inside the module's own re-sort, or from another
// thread. The module stays mapped, so nothing returns into unmapped code
// and the timer never fires into nothing. Without an exit it cannot tell it
// was let go, and keeps the order; an exit inside the handler takes the
// watch out but cannot give the module's reference back under its own feet.
TEST_F(KeepOrderTest, FreeLibraryWhereverTheHostCallsItReturnsIntoMappedCode) {
    struct Case {
        const char* what;
        std::function<void()> letGo;
        bool exits;
    };
    const Case cases[] = {
        {"from a tree notification's handler",
         [this] {
             host_->OnNextTreeNotification([this] { module_->Unload(); });
             TreeView_SelectItem(host_->tree(), host_->Find("A"));
         },
         false},
        {"exit and FreeLibrary from a tree notification's handler",
         [this] {
             host_->OnNextTreeNotification([this] {
                 module_->OnExit();
                 module_->Unload();
             });
             TreeView_SelectItem(host_->tree(), host_->Find("A"));
         },
         true},
        {"inside the module's re-sort",
         [this] {
             host_->DuringNextSortByFunction([this] { module_->Unload(); });
             host_->AddFolder(nullptr, "M", TVI_FIRST);
             RunHost(700);
         },
         false},
        {"from another thread",
         [this] {
             std::thread other([this] { module_->Unload(); });
             other.join();
         },
         false},
        // The watch is the host thread's: an exit elsewhere changes nothing.
        {"exit and FreeLibrary from another thread",
         [this] {
             std::thread other([this] {
                 module_->OnExit();
                 module_->Unload();
             });
             other.join();
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start("A\nB\nC\n", "C\\\r\nA\\\r\nB\\\r\n");
        const std::string path = module_->path();
        c.letGo();
        ASSERT_NE(GetModuleHandleA(path.c_str()), nullptr) << "unloaded under its own feet";
        const int sorts = host_->sortsByFunction();
        host_->AddFolder(nullptr, "N", TVI_FIRST);
        if (c.exits) {
            RunHost(700);
            EXPECT_EQ(host_->sortsByFunction(), sorts);
        } else {
            EXPECT_TRUE(TreeComesToBegin("C\nA\nB\n")) << Describe();
        }
        ExitAndUnloadAgain(path);
        // Nothing of it left in the tree's chain or the thread's timers.
        host_->AddFolder(nullptr, "Q", TVI_FIRST);
        RunHost(300);
    }
}

LRESULT CALLBACK AnotherPlugInsTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropA(tree, "below")), tree, message, wParam, lParam);
}

// One that passes on no registered message (those it does not know): the
// module cannot tell whether it is still called.
LRESULT CALLBACK PlugInKeepingUnknownMessagesTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= 0xC000 && message <= 0xFFFF) return 0;
    return AnotherPlugInsTreeProc(tree, message, wParam, lParam);
}

// Another plug-in subclassed the tree after the module: undoing the module's
// subclass would cut that one off, so the module stays loaded, passing the
// tree's messages on, whether the host says it exits first or not, and
// whether that one passes on the messages it does not know or not.
TEST_F(KeepOrderTest, ASubclassOnTopKeepsTheModuleLoadedAndPassingMessagesOn) {
    struct Case {
        const char* what;
        std::function<void(standin::LoadedModule&)> end;
        WNDPROC onTop;
    };
    const Case cases[] = {
        {"exit, then unloaded", [](standin::LoadedModule& module) { module.OnExit(); }, &AnotherPlugInsTreeProc},
        {"unloaded without exit", [](standin::LoadedModule& module) { module.Unload(); }, &AnotherPlugInsTreeProc},
        {"exit under one that keeps unknown messages", [](standin::LoadedModule& module) { module.OnExit(); },
         &PlugInKeepingUnknownMessagesTreeProc},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start("A\nB\nC\n", "C\\\r\nA\\\r\nB\\\r\n");
        HWND tree = host_->tree();
        SetPropA(tree, "below", reinterpret_cast<HANDLE>(GetWindowLongPtrW(tree, GWLP_WNDPROC)));
        const WNDPROC below =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c.onTop)));
        const std::string path = module_->path();
        c.end(*module_);
        module_.reset();
        EXPECT_NE(GetModuleHandleA(path.c_str()), nullptr) << "unloaded under another subclass";
        host_->AddFolder(nullptr, "N", TVI_FIRST);
        RunHost(700);
        EXPECT_EQ(TreeView_GetCount(tree), 4u);
        if (c.onTop == &PlugInKeepingUnknownMessagesTreeProc) {
            // The host rebuilds its tree window: its last messages pass
            // through the module's procedure, which must still be there.
            NewHostTree(28);
        } else {
            SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(below));
            RemovePropA(tree, "below");
        }
        // With the other plug-in's subclass gone, the next exit takes the
        // module's out and lets the module go.
        ExitAndUnloadAgain(path);
    }
}

int g_questionsSeenOnTop = 0;

LRESULT CALLBACK CountingPlugInsTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TVM_GETNEXTITEM || message == TVM_GETITEMA) ++g_questionsSeenOnTop;
    return AnotherPlugInsTreeProc(tree, message, wParam, lParam);
}

int g_questionsSent = 0;

LRESULT CALLBACK CountSentQuestions(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && (sent->message == TVM_GETNEXTITEM || sent->message == TVM_GETITEMA)) ++g_questionsSent;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// What the module asks a tree it watches while it sorts goes straight to
// the procedure under its own, skipping only its own pass-through: the
// host's procedure still answers every question. (A subclass on top sees
// them all: below.)
TEST_F(KeepOrderTest, TheModulesQuestionsSkipOnlyItsOwnPassThrough) {
    Start("A\nB\nC\n", "C\\\r\nA\\\r\nB\\\r\n");
    int answeredBelow = host_->itemQueries();
    g_questionsSent = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountSentQuestions, nullptr, GetCurrentThreadId());
    module_->OnStart();
    UnhookWindowsHookEx(hook);
    EXPECT_GE(host_->itemQueries() - answeredBelow, 9);  // three questions an item at least
    EXPECT_LE(g_questionsSent, 2);  // the start-up's check of the first record; the sort's went straight
}

// While the tree handles the module's sort, the host may do things of its
// own: pump messages (and a re-sort comes due inside the sort), let another
// plug-in subclass the tree, or destroy it. None may crash the module or
// take its order list from under it, and the rest of the sort's questions
// must reach a subclass put on top.
TEST_F(KeepOrderTest, WhatTheHostDoesInsideTheModulesSortLeavesItSound) {
    struct Case {
        const char* what;
        std::function<void()> inside;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"a re-sort comes due", [] { standin::PumpMessages(); },
         [this] {
             RunHost(500);
             EXPECT_EQ(Describe(), "A\n  A1\n  A2\nB\nN\n");
         }},
        {"another plug-in subclasses the tree",
         [this] {
             SetPropA(host_->tree(), "below", reinterpret_cast<HANDLE>(GetWindowLongPtrW(host_->tree(), GWLP_WNDPROC)));
             SetWindowLongPtrW(host_->tree(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingPlugInsTreeProc));
             g_questionsSeenOnTop = 0;
         },
         [this] {
             EXPECT_GE(g_questionsSeenOnTop, 6);  // the group under A was still to check
             EXPECT_EQ(Describe(), "A\n  A1\n  A2\nB\nN\n");
             SetWindowLongPtrW(host_->tree(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropA(host_->tree(), "below")));
             RemovePropA(host_->tree(), "below");
         }},
        {"the tree is destroyed", [this] { DestroyWindow(host_->tree()); },
         [this] {
             EXPECT_FALSE(IsWindow(host_->tree()));
             module_->OnExit();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start("B\nA\n  A2\n  A1\n", "A\\\r\nA\\A1\\\r\nB\\\r\n");
        host_->AddFolder(nullptr, "N", TVI_FIRST);
        Sleep(350);  // the change has settled: its re-sort is due at the next tick
        host_->DuringNextSortByFunction(c.inside);
        module_->OnStart();
        c.check();
    }
}

// The host adds a folder to a group the module's sort has already passed,
// while the control sorts a later group: a change like any other, at the
// first start-up (the module not yet in the tree's chain before it) and at
// a later one, with no other change waiting.
TEST_F(KeepOrderTest, AFolderAddedInsideTheModulesSortIsSortedToo) {
    for (bool first : {true, false}) {
        SCOPED_TRACE(first ? "first start-up" : "a later start-up");
        module_.reset();
        NewHostTree(28);
        host_->AddOutline("A\n  A0\n  A1\n  A2\nB\n");
        Load();
        const std::string order = "A\\\r\nA\\A1\\\r\nA\\A0\\\r\nA\\A2\\\r\nB\\\r\n";
        WriteOrderFile(first ? order : "A\\\r\nA\\A2\\\r\nA\\A0\\\r\nA\\A1\\\r\nB\\\r\n");
        if (!first) {
            module_->OnStart();
            RunHost(300);
            // Another order for A's group: the next start's sort has it to sort.
            WriteOrderFile(order);
        }
        host_->DuringNextSortByFunction([this] { host_->AddFolder(nullptr, "M", TVI_FIRST); });
        module_->OnStart();
        EXPECT_EQ(Describe(), "M\nA\n  A1\n  A0\n  A2\nB\n");
        EXPECT_TRUE(TreeComesToBegin("A\n  A1\n  A0\n  A2\nB\nM\n")) << Describe();
    }
}

// A platform that refuses the subclass, or the timer, leaves the module as
// it was without the watch: the start-up sort, no word, no harm. A timer
// refused is asked for again at the next change.
TEST_F(KeepOrderTest, AWatchThePlatformRefusesCostsNothingButTheWatch) {
    struct Case {
        standin::FailingCall call;
        bool sortedAfterASecondChange;
    };
    for (const Case& c : {Case{standin::FailingCall::kSetWindowLongW, false},
                          Case{standin::FailingCall::kSetTimer, true}}) {
        SCOPED_TRACE(standin::CallFailure::Name(c.call));
        module_.reset();
        NewHostTree(28);
        host_->AddOutline("A\nB\nC\n");
        Load();
        WriteOrderFile("C\\\r\nA\\\r\nB\\\r\n");
        {
            standin::CallFailure failure(module_->handle(), c.call, 1, true);
            ASSERT_TRUE(failure.applied());
            module_->OnStart();
            EXPECT_EQ(Describe(), "C\nA\nB\n");
            host_->AddFolder(nullptr, "N", TVI_FIRST);
            RunHost(700);
            EXPECT_EQ(Describe(), "N\nC\nA\nB\n");
        }
        host_->AddFolder(nullptr, "M", TVI_FIRST);
        if (c.sortedAfterASecondChange) {
            EXPECT_TRUE(TreeComesToBegin("C\nA\nB\n")) << Describe();
        } else {
            RunHost(700);
            EXPECT_EQ(Describe(), "M\nN\nC\nA\nB\n");
        }
        EXPECT_TRUE(watcher_.messageBoxes().empty());
    }
}

}  // namespace
