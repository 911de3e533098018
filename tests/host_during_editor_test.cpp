// The host keeps running while the editor is open: its timers may rebuild
// the folder list, release records or start the plug-in again. What the
// user arranged is saved as they saw it, and what cannot be done is said.
#include "tests/module_fixture.h"

#include <functional>

namespace {

const int kUp = 1001;
const char kHostLost[] = u8"並び順を保存できませんでした。\r\n\r\n"
                         u8"編集中に Becky! からフォルダの情報を読み取れなくなったため、並び順ファイル（tamrivel.cfg）は変更していません。"
                         u8"「並び替え」ウィンドウでの移動は保存されず、前の並び順が残ります。\r\n"
                         u8"Becky! を再起動してから、もう一度並べ替えてください。";

std::function<void()>* g_hostTimerWork = nullptr;

void CALLBACK HostTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    // Taken first: the platform swallows what a timer procedure raises, and
    // the wait below must end all the same.
    std::function<void()>* work = g_hostTimerWork;
    g_hostTimerWork = nullptr;
    if (work) (*work)();
}

// Runs `work` from a timer, dispatched by the editor's own modal loop, as
// the host's timers are.
void AsTheHostsTimer(HWND dialog, std::function<void()> work) {
    g_hostTimerWork = &work;
    SetTimer(nullptr, 0, 1, HostTimer);
    EXPECT_TRUE(standin::PumpUntil([] { return g_hostTimerWork == nullptr; }, dialog)) << "the host's timer never ran";
    g_hostTimerWork = nullptr;
}

class HostDuringEditorTest : public ModuleTest {
protected:
    // Opens the editor, selects `name` and presses up `ups` times, lets the
    // host do `change` from its timer, and presses OK. Answers whether the
    // dialog closed on that OK.
    bool MoveChangeAndConfirm(const std::string& name, int ups, std::function<void()> change) {
        bool closed = false;
        watcher_.OnNextDialog([&](HWND dialog) {
            HWND tree = standin::DialogTree(dialog);
            standin::SelectTreeItem(tree, standin::FindTreeItem(tree, name));
            for (int i = 0; i < ups; ++i) standin::ClickButton(dialog, kUp);
            AsTheHostsTimer(dialog, change);
            standin::ClickButton(dialog, IDOK);
            closed = !IsWindowVisible(dialog);
        });
        EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
        return closed;
    }

    // Opens the editor and presses OK at once.
    bool Confirm() { return MoveChangeAndConfirm("", 0, [] {}); }
};

// The user makes C A B out of A B C; meanwhile the host changes its records.
// A folder the host removed keeps its line, as every line naming no folder does.
TEST_F(HostDuringEditorTest, OkSavesTheFoldersTheEditorShowedWhateverTheHostDidToItsRecords) {
    struct Case {
        const char* what;
        std::function<void(standin::FolderTreeHost&)> change;
        const char* hostAfter;  // the host's own tree, re-sorted by the saved file
    };
    const Case cases[] = {
        {"released every record, the tree still empty",
         [](standin::FolderTreeHost& host) { host.ReleaseAllFolders(); }, ""},
        {"rebuilt in another order on the released records",
         [](standin::FolderTreeHost& host) {
             host.ReleaseAllFolders();
             host.AddOutline("C\nB\nA\n");  // C takes A's old record, A takes C's
         },
         "C\nA\nB\n"},
        {"B deleted and its record given to a new folder N",
         [](standin::FolderTreeHost& host) {
             host.ReleaseFolder(host.Find("B"));
             host.AddFolder(nullptr, "N");
         },
         "C\nA\nN\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start("A\nB\nC\n", "");
        EXPECT_TRUE(MoveChangeAndConfirm("C", 2, [&] { c.change(*host_); }));
        EXPECT_EQ(ReadOrderFile(), "C\\\r\nA\\\r\nB\\\r\n");
        EXPECT_EQ(Describe(), c.hostAfter);
        EXPECT_TRUE(watcher_.messageBoxes().empty());
    }
}

// Saving nothing would be an empty file: the order lost, for nothing.
TEST_F(HostDuringEditorTest, AnEditorWithNoKeyedFolderLeavesTheOrderFileAlone) {
    const std::string order = "B\\\r\nA\\\r\n";
    static const char kDisplayName[] = "A";
    const std::function<void()> trees[] = {
        [] {},  // the host tree empty (a host rebuilding it)
        [&] { host_->AddOutline("Outside = E:\\Mail\\\nAlso = D:\\\n"); },
        // A readable pointer (a display name) where the path should be: the
        // start-up check passes, yet no folder has a key.
        [&] { host_->AddItem(nullptr, "A", host_->NewRecordWithPathAddress(kDisplayName)); },
    };
    for (const auto& fill : trees) {
        module_.reset();
        NewHostTree(28);
        fill();
        Load();
        WriteOrderFile(order);
        module_->OnStart();
        EXPECT_TRUE(Confirm());
        EXPECT_EQ(ReadOrderFile(), order);
        EXPECT_TRUE(watcher_.messageBoxes().empty());
    }
}

TEST_F(HostDuringEditorTest, AStartThatLosesTheHostWhileTheEditorIsOpenMakesOkSaySo) {
    if (!standin::AccessViolationsAreCaught()) GTEST_SKIP() << "needs unreadable memory probed";
    Start("A\nB\nC\n", "A\\\r\n");
    EXPECT_TRUE(MoveChangeAndConfirm("C", 2, [&] {
        standin::Host().version = "2.05.04";  // records now read at the other offset
        module_->OnStart();
    }));
    EXPECT_EQ(ReadOrderFile(), "A\\\r\n");
    ASSERT_EQ(watcher_.messageBoxes().size(), 2u);  // the start's own error, then the editor's
    const standin::MessageBoxSeen& box = watcher_.messageBoxes()[1];
    EXPECT_EQ(box.caption, standin::Sjis(u8"並び替え"));
    EXPECT_EQ(box.text, standin::Sjis(kHostLost));
    EXPECT_TRUE(box.warningIcon);
    EXPECT_NE(box.owner, nullptr);
}

// Keys the editor could not keep would be folders missing from the save.
TEST_F(HostDuringEditorTest, AnEditorThatCannotKeepTheKeysSaysSoAndSavesNothing) {
    std::string outline;
    for (int i = 0; i < 400; ++i) outline += "Folder" + std::to_string(i) + "\n";
    for (int granted : {-1, 2}) {  // every request refused; the keys' block cannot grow
        SCOPED_TRACE(granted);
        Start(outline, "Folder7\\\r\n");
        heap_.refuseAll = granted < 0;
        heap_.refuseAfter = granted;
        EXPECT_FALSE(MoveChangeAndConfirm("Folder9", 1, [] {}));
        heap_.refuseAll = false;
        heap_.refuseAfter = -1;
        EXPECT_EQ(ReadOrderFile(), "Folder7\\\r\n");
        ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
        EXPECT_EQ(watcher_.messageBoxes()[0].text, standin::Sjis(kNotEveryFolderShown));
        ExpectNoHostBlockHeldAfterExit();
    }
}

TEST_F(HostDuringEditorTest, AnEditorThatCannotOpenSaysSo) {
    Start("A\nB\n", "B\\\r\n");
    HWND noWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7FFF0));
    EXPECT_EQ(module_->OnPlugInSetup(noWindow), 1);
    EXPECT_EQ(watcher_.dialogsSeen(), 0);
    ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
    const standin::MessageBoxSeen& box = watcher_.messageBoxes()[0];
    EXPECT_EQ(box.caption, standin::Sjis(u8"並び替え"));
    EXPECT_EQ(box.text, standin::Sjis(u8"「並び替え」ウィンドウを開けませんでした。並び順ファイル（tamrivel.cfg）は変更していません。\r\n"
                                      u8"Becky! を再起動してから、もう一度プラグインの設定を開いてください。"));
    EXPECT_TRUE(box.warningIcon);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(ReadOrderFile(), "B\\\r\n");
}

}  // namespace
