// The watch of the host's tree as a host can trust it: it never blocks the
// host's thread on a file another program holds, gives way to another party
// that keeps an order of its own, ticks slowly while the host or the editor
// is busy, and notices when the host cuts it out of the tree's chain.
#include "tests/module_fixture.h"

#include <commctrl.h>

#include <functional>
#include <memory>

#include "standin/timer_ticks.h"

namespace {

LRESULT CALLBACK HostsOwnSubclass(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    return DefSubclassProc(tree, message, wParam, lParam);
}

class HostWatchTest : public ModuleTest {
protected:
    // The import patch goes before the module it patches.
    void TearDown() override {
        ticks_.reset();
        ModuleTest::TearDown();
    }

    // A new host tree of A, B and C, the module loaded over it with the
    // order file C, A, B, not started yet.
    void LoadOverABC() {
        module_.reset();
        NewHostTree(28);
        host_->AddOutline("A\nB\nC\n");
        Load();
        WriteOrderFile("C\\\r\nA\\\r\nB\\\r\n");
    }

    // Counts the module's timer ticks from its next SetTimer on.
    void CountTicks() {
        ticks_.reset(new standin::TimerTicks(module_->handle()));
        ASSERT_TRUE(ticks_->applied());
    }

    // Runs the host until no sort by a comparison has come for 1.5 s, or
    // until standin::PumpUntil gives up; answers the sorts made meanwhile,
    // or -1 when they never stopped.
    int SortsUntilQuiet() {
        const int first = host_->sortsByFunction();
        int seen = first;
        DWORD lastSort = GetTickCount();
        const bool quiet = standin::PumpUntil([&] {
            if (host_->sortsByFunction() != seen) {
                seen = host_->sortsByFunction();
                lastSort = GetTickCount();
            }
            return GetTickCount() - lastSort >= 1500;
        });
        return quiet ? seen - first : -1;
    }

    std::unique_ptr<standin::TimerTicks> ticks_;
};

// Another program holds the order file without sharing: the host's thread
// never waits for it, at start-up or after a change, and once the file is
// free the tree is put in order.
TEST_F(HostWatchTest, AHeldOrderFileNeverBlocksTheHost) {
    for (bool atStartUp : {true, false}) {
        SCOPED_TRACE(atStartUp ? "held at start-up" : "held after a change");
        LoadOverABC();
        const std::string unsorted = atStartUp ? "A\nB\nC\n" : "N\nC\nA\nB\n";
        HANDLE held = INVALID_HANDLE_VALUE;
        auto hold = [&] {
            held = CreateFileA(module_->orderFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        };
        if (atStartUp) hold();
        PausesCounted pauses(module_->handle());
        ASSERT_TRUE(pauses.applied());
        module_->OnStart();
        EXPECT_EQ(pauses.count(), 0) << "BKC_OnStart waited";
        if (!atStartUp) {
            hold();
            host_->AddFolder(nullptr, "N", TVI_FIRST);
        }
        RunHost(1500);
        EXPECT_EQ(pauses.count(), 0) << "a message of the host waited";
        EXPECT_EQ(Describe(), unsorted);
        CloseHandle(held);
        EXPECT_TRUE(TreeComesToBegin("C\nA\nB\n")) << Describe();
        EXPECT_TRUE(watcher_.messageBoxes().empty());
    }
}

// A second copy of the module with another order file restores its order
// after each of this one's sorts, and the other way round. One of them
// gives way within a few seconds; a folder added starts them again, and
// again one gives way.
TEST_F(HostWatchTest, TwoPlugInsThatKeepOtherOrdersStopFighting) {
    LoadOverABC();
    standin::LoadedModule other(standin::BuiltModulePath(), "other plugins");
    ASSERT_TRUE(standin::WriteFileBytes(other.orderFilePath(), "B\\\r\nA\\\r\nC\\\r\n"));
    module_->OnStart();
    other.OnStart();
    for (const char* round : {"after start-up", "after a folder is added"}) {
        SCOPED_TRACE(round);
        const int sorts = SortsUntilQuiet();
        EXPECT_GE(sorts, 0) << "never stopped sorting";
        EXPECT_LE(sorts, 12);
        const int quiet = host_->sortsByFunction();
        host_->AddFolder(nullptr, "N");
        EXPECT_TRUE(standin::PumpUntil([&] { return host_->sortsByFunction() > quiet; }))
            << "no sort after a folder was added";
    }
    EXPECT_GE(SortsUntilQuiet(), 0);
}

// Ticks over three seconds: the quiet look once a second, none while the
// editor is open (a change then waits for it to close), two a second while
// the host holds the mouse with a change waiting.
TEST_F(HostWatchTest, TheWatchTicksSlowlyUnlessAChangeSettles) {
    LoadOverABC();
    CountTicks();
    module_->OnStart();
    RunHost(3000);
    EXPECT_LE(ticks_->count(), 4) << "quiet";

    ticks_->Reset();
    int ticksWhileOpen = -1;
    watcher_.OnNextDialog([&](HWND dialog) {
        host_->AddFolder(nullptr, "N", TVI_FIRST);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 3000) {
            standin::PumpDialogMessages(dialog);
            Sleep(10);
        }
        ticksWhileOpen = ticks_->count();
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_GE(ticksWhileOpen, 0) << "the editor did not open";
    EXPECT_LE(ticksWhileOpen, 1) << "while the editor was open";
    EXPECT_TRUE(TreeComesToBegin("C\nA\nB\nN\n")) << Describe();

    ShowWindow(host_->window(), SW_SHOWNOACTIVATE);
    SetCapture(host_->window());
    host_->AddFolder(nullptr, "M", TVI_FIRST);
    RunHost(500);
    ticks_->Reset();
    RunHost(3000);
    EXPECT_LE(ticks_->count(), 8) << "while the host held the mouse";
    ReleaseCapture();
    EXPECT_TRUE(TreeComesToBegin("C\nA\nB\n")) << Describe();
}

// No tree window at the first start-up (a host still making its window):
// looked for as a new one is, and sorted once found.
TEST_F(HostWatchTest, ATreeWindowMissingAtStartUpIsLookedForAndSorted) {
    LoadOverABC();
    standin::Host().folderTree = nullptr;
    module_->OnStart();
    EXPECT_EQ(Describe(), "A\nB\nC\n");
    standin::Host().folderTree = host_->tree();
    EXPECT_TRUE(TreeComesToBegin("C\nA\nB\n")) << Describe();
    const std::string path = module_->path();
    module_->OnExit();
    module_->Unload();
    EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
}

// A host that subclassed its tree with SetWindowSubclass before the module
// and removes that after restores the procedure it saved, which cuts the
// module out. The module watches again at its next look; at an exit before
// that, nothing of it is left that could be called, and it unloads.
TEST_F(HostWatchTest, AModuleCutOutOfTheTreesChainWatchesAgainOrUnloads) {
    enum class Then { kAChange, kExitAtOnce, kTreeWindowGone };
    for (Then then : {Then::kAChange, Then::kExitAtOnce, Then::kTreeWindowGone}) {
        SCOPED_TRACE(static_cast<int>(then));
        LoadOverABC();
        HWND tree = host_->tree();
        ASSERT_TRUE(SetWindowSubclass(tree, &HostsOwnSubclass, 1, 0));
        module_->OnStart();
        ASSERT_TRUE(RemoveWindowSubclass(tree, &HostsOwnSubclass, 1));
        if (then == Then::kAChange) {
            host_->AddFolder(nullptr, "N", TVI_FIRST);
            EXPECT_TRUE(TreeComesToBegin("C\nA\nB\nN\n")) << Describe();
        }
        // Its last messages never reached the module: the handle it watched
        // names no window, of no thread, at the exit.
        if (then == Then::kTreeWindowGone) host_->ReplaceTreeWindow();
        const std::string path = module_->path();
        module_->OnExit();
        module_->Unload();
        EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr) << "kept loaded for nothing";
        const int sorts = host_->sortsByFunction();
        host_->AddFolder(nullptr, "P", TVI_FIRST);
        RunHost(500);
        EXPECT_EQ(host_->sortsByFunction(), sorts);
    }
}

}  // namespace
