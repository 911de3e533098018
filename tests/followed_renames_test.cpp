// A folder the host renames or moves while it runs keeps its place: the
// order file's lines of it and of its subfolders follow it, and nothing
// else of the file changes. And a new tree window is watched like the first.
#include "tests/module_fixture.h"

#include <cstdio>
#include <functional>

#include "standin/call_failure.h"
#include "standin/import_patch.h"

namespace {

using standin::Sjis;

class FollowedRenameTest : public ModuleTest {
protected:
    // 仕事 with two subfolders, 趣味 and 仕事箱 (whose name begins as 仕事's
    // does); the order file has every kind of line end, a blank line and a
    // line of a folder the tree lacks.
    void StartOnWork(const std::string& extraLines = "") {
        Start(Sjis(u8"仕事箱\n仕事\n  予定\n  会議\n趣味\n"), OrderFile(u8"仕事", extraLines));
        ASSERT_EQ(Describe(), Sjis(u8"趣味\n仕事\n  会議\n  予定\n仕事箱\n"));
    }

    static std::string OrderFile(const char* work, const std::string& extraLines = "") {
        const std::string w = Sjis(work);
        return Sjis(u8"趣味\\\r\n") + w + "\\\r\n" + w + Sjis(u8"\\会議\\\n\r\n仕事箱\\\r\n") + w +
               Sjis(u8"\\予定\\\rGone\\\r\n") + extraLines;
    }

    HTREEITEM Folder(const char* name) const { return host_->Find(Sjis(name)); }

    // Holds the order file for reading only, then renames `from` to `to`
    // and waits until the watch has read the file to write the rename.
    // The caller lets the file go.
    HANDLE HoldFileAndRename(const char* from, const char* to) {
        HANDLE held = CreateFileA(module_->orderFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        standin::CallFailure opens(module_->handle(), standin::FailingCall::kCreateFile, 1 << 30);
        host_->RenameFolder(Folder(from), Sjis(to), true);
        EXPECT_TRUE(standin::PumpUntil([&] { return opens.calls() > 0; }));
        return held;
    }
};

// A rename the tree hears nothing of is seen at the watch's next quiet look.
TEST_F(FollowedRenameTest, ARenamedOrMovedFolderKeepsItsPlace) {
    struct Case {
        const char* what;
        std::function<void(standin::FolderTreeHost&)> rename;
        std::string tree;  // where every folder stands again
        std::string file;  // the order file then
    };
    auto folder = [this](const char* name) { return Folder(name); };
    const std::string renamed = OrderFile(u8"業務");
    const std::string renamedTree = Sjis(u8"趣味\n業務\n  会議\n  予定\n仕事箱\n");
    const Case cases[] = {
        {"its record and text (TVM_SETITEM)",
         [&](standin::FolderTreeHost& host) { host.RenameFolder(folder(u8"仕事"), Sjis(u8"業務"), true); }, renamedTree,
         renamed},
        {"its record, no message to the tree",
         [&](standin::FolderTreeHost& host) { host.RenameFolder(folder(u8"仕事"), Sjis(u8"業務"), false); },
         Sjis(u8"趣味\n仕事\n  会議\n  予定\n仕事箱\n"), renamed},
        {"deleted and inserted back, last",
         [&](standin::FolderTreeHost& host) { host.ReinsertFolder(folder(u8"仕事"), nullptr, Sjis(u8"業務")); },
         renamedTree, renamed},
        {"deleted and inserted back, then a start-up before it settles",
         [&](standin::FolderTreeHost& host) {
             host.ReinsertFolder(folder(u8"仕事"), nullptr, Sjis(u8"業務"));
             module_->OnStart();
         },
         renamedTree, renamed},
        {"the whole tree rebuilt",
         [](standin::FolderTreeHost& host) {
             host.ReleaseAllFolders();
             host.AddOutline(Sjis(u8"仕事箱\n業務\n  予定\n  会議\n趣味\n"));
         },
         renamedTree, renamed},
        {"a subfolder renamed",
         [&](standin::FolderTreeHost& host) { host.RenameFolder(folder(u8"会議"), Sjis(u8"打合せ"), true); },
         Sjis(u8"趣味\n仕事\n  打合せ\n  予定\n仕事箱\n"),
         Sjis(u8"趣味\\\r\n仕事\\\r\n仕事\\打合せ\\\n\r\n仕事箱\\\r\n仕事\\予定\\\rGone\\\r\n")},
        {"a subfolder moved under another parent",
         [&](standin::FolderTreeHost& host) {
             host.ReinsertFolder(folder(u8"会議"), folder(u8"趣味"), Sjis(u8"会議"));
         },
         Sjis(u8"趣味\n  会議\n仕事\n  予定\n仕事箱\n"),
         Sjis(u8"趣味\\\r\n仕事\\\r\n趣味\\会議\\\n\r\n仕事箱\\\r\n仕事\\予定\\\rGone\\\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartOnWork();
        c.rename(*host_);
        EXPECT_TRUE(OrderFileComesToHold(c.file)) << standin::Utf8(ReadOrderFile());
        EXPECT_TRUE(TreeComesToBegin(c.tree)) << standin::Utf8(Describe());
        EXPECT_TRUE(watcher_.messageBoxes().empty());
        ExpectNoTemporaryFile();
    }
}

// Where it cannot be told which folder became which, or where the new name
// has lines of its own, the file stays as it was.
TEST_F(FollowedRenameTest, WhatCannotBeToldLeavesTheFileAlone) {
    struct Case {
        const char* what;
        std::string extraLines;
        std::function<void(standin::FolderTreeHost&)> change;
    };
    auto folder = [this](const char* name) { return Folder(name); };
    const Case cases[] = {
        {"two folders gone and two added", "",
         [&](standin::FolderTreeHost& host) {
             host.ReinsertFolder(folder(u8"仕事"), nullptr, Sjis(u8"業務"));
             host.ReinsertFolder(folder(u8"趣味"), nullptr, Sjis(u8"遊び"));
         }},
        {"subfolders that differ", "",
         [&](standin::FolderTreeHost& host) {
             HTREEITEM work = host.ReinsertFolder(folder(u8"仕事"), nullptr, Sjis(u8"業務"));
             host.AddFolder(work, Sjis(u8"新規"));
         }},
        {"a folder gone and another made elsewhere", "",
         [&](standin::FolderTreeHost& host) {
             host.ReleaseFolder(folder(u8"会議"));
             host.AddFolder(folder(u8"趣味"), Sjis(u8"写真"));
         }},
        {"the new name already listed", Sjis(u8"業務\\\r\n"),
         [&](standin::FolderTreeHost& host) { host.RenameFolder(folder(u8"仕事"), Sjis(u8"業務"), true); }},
        {"a folder under the new name already listed", Sjis(u8"業務\\会議\\\r\n"),
         [&](standin::FolderTreeHost& host) { host.RenameFolder(folder(u8"仕事"), Sjis(u8"業務"), true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartOnWork(c.extraLines);
        const std::string before = ReadOrderFile();
        c.change(*host_);
        RunHost(1000);
        EXPECT_EQ(ReadOrderFile(), before);
        ExpectNoTemporaryFile();
    }
}

// A rename while the editor is open, or while another program holds the
// file, is followed once the editor closes or the file is free.
TEST_F(FollowedRenameTest, ARenameWaitsForTheEditorOrAHeldFile) {
    StartOnWork();
    watcher_.OnNextDialog([&](HWND dialog) {
        host_->RenameFolder(Folder(u8"仕事"), Sjis(u8"業務"), true);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 600) {
            standin::PumpDialogMessages(dialog);
            Sleep(10);
        }
        EXPECT_EQ(ReadOrderFile(), OrderFile(u8"仕事"));
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_TRUE(OrderFileComesToHold(OrderFile(u8"業務"))) << standin::Utf8(ReadOrderFile());

    // Held without any sharing (nothing can be read), then held for reading
    // only (read, but not replaced): tried again until it is free.
    const char* names[] = {u8"業務", u8"仕事", u8"業務"};
    for (DWORD sharing : {0ul, static_cast<DWORD>(FILE_SHARE_READ)}) {
        SCOPED_TRACE(sharing);
        const char* from = names[sharing ? 1 : 0];
        const char* to = names[sharing ? 2 : 1];
        HANDLE held = CreateFileA(module_->orderFilePath().c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        host_->RenameFolder(Folder(from), Sjis(to), true);
        {
            PausesCounted pauses(module_->handle());
            RunHost(1500);
            EXPECT_EQ(pauses.count(), 0) << "a message of the host waited";
        }
        CloseHandle(held);
        EXPECT_EQ(standin::Utf8(ReadOrderFile()), standin::Utf8(OrderFile(from)));
        EXPECT_TRUE(OrderFileComesToHold(OrderFile(to))) << standin::Utf8(ReadOrderFile());
        ExpectNoTemporaryFile();
    }
}

// A rename that waits for a held file when the editor opens: the host's
// tree and the editor show the folder in its old place, and OK writes its
// lines and its subfolders' under the new name, with no line of the old.
TEST_F(FollowedRenameTest, ARenameWaitingWhenTheEditorOpensIsWhatItShowsAndSaves) {
    StartOnWork();
    // Settled once the watch reads the file to write the rename; then
    // sorted by the file as it will be: not put last.
    HANDLE held = HoldFileAndRename(u8"仕事", u8"業務");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RunHost(700);
    const std::string renamedTree = Sjis(u8"趣味\n業務\n  会議\n  予定\n仕事箱\n");
    EXPECT_EQ(standin::Utf8(Describe()), standin::Utf8(renamedTree));
    EXPECT_EQ(ReadOrderFile(), OrderFile(u8"仕事"));
    std::string shown;
    watcher_.OnNextDialog([&](HWND dialog) {
        shown = standin::DescribeTree(standin::DialogTree(dialog));
        CloseHandle(held);
        standin::ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_EQ(standin::Utf8(shown), standin::Utf8(renamedTree));
    const std::string saved = Sjis(u8"趣味\\\r\n業務\\\r\n業務\\会議\\\r\n業務\\予定\\\r\n仕事箱\\\r\nGone\\\r\n");
    EXPECT_EQ(standin::Utf8(ReadOrderFile()), standin::Utf8(saved));
    RunHost(1200);
    EXPECT_EQ(standin::Utf8(ReadOrderFile()), standin::Utf8(saved));
    EXPECT_EQ(Describe(), renamedTree);
    EXPECT_TRUE(watcher_.messageBoxes().empty());
}

std::string g_othersPath;
std::string g_othersSave;
UINT WINAPI NewCopyAfterAnotherProgramSaved(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR path) {
    // On the writing thread: the host's thread may be reading the file, which
    // shares no writing; the other program tries again, as a person would.
    for (int tries = 0; !g_othersSave.empty() && tries < 1000; ++tries) {
        if (standin::WriteFileBytes(g_othersPath, g_othersSave)) g_othersSave.clear();
        else Sleep(5);
    }
    return GetTempFileNameA(folder, prefix, unique, path);
}

// Another program saves the file between the rewrite's read and its
// replace: its save stays, and the rename is written into it at a later look.
TEST_F(FollowedRenameTest, ARenameRewriteNeverOverwritesAnotherProgramsSave) {
    StartOnWork();
    g_othersPath = module_->orderFilePath();
    g_othersSave = OrderFile(u8"仕事", "Theirs\\\r\n");
    standin::ImportPatch newCopy(module_->handle(), "kernel32.dll", "GetTempFileNameA",
                                 reinterpret_cast<void*>(&NewCopyAfterAnotherProgramSaved));
    ASSERT_TRUE(newCopy.applied());
    host_->RenameFolder(Folder(u8"仕事"), Sjis(u8"業務"), true);
    EXPECT_TRUE(OrderFileComesToHold(OrderFile(u8"業務", "Theirs\\\r\n"))) << standin::Utf8(ReadOrderFile());
    EXPECT_TRUE(g_othersSave.empty());
    ExpectNoTemporaryFile();
}

DWORD g_writingThread = 0;
BOOL WINAPI WriteTakingASecond(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
    g_writingThread = GetCurrentThreadId();
    Sleep(1000);
    return WriteFile(file, bytes, count, written, overlapped);
}

// A disk that takes a second for a write (a network share, a USB stick, an
// on-access scanner): the rename is written all the same, and no message of
// the host's waits for it. A wait would show as a second.
TEST_F(FollowedRenameTest, ASlowDiskNeverHoldsTheHostsThread) {
    StartOnWork();
    standin::ImportPatch slow(module_->handle(), "kernel32.dll", "WriteFile",
                              reinterpret_cast<void*>(&WriteTakingASecond));
    ASSERT_TRUE(slow.applied());
    host_->RenameFolder(Folder(u8"仕事"), Sjis(u8"業務"), true);
    const double longest = standin::LongestDispatchOver(2500);
    std::printf("the longest message of the host took %.1f ms while a write took a second\n", longest);
    // Half the write's second: far above any message's own time, even ten
    // times slower than here.
    EXPECT_LT(longest, 500.0);
    EXPECT_TRUE(OrderFileComesToHold(OrderFile(u8"業務"))) << standin::Utf8(ReadOrderFile());
    EXPECT_NE(g_writingThread, 0u);
    EXPECT_NE(g_writingThread, GetCurrentThreadId());
    ExpectNoTemporaryFile();
}

// The host exits and frees the module while a slow write runs: the write
// ends on its own, with the module mapped until then, and then it goes.
TEST_F(FollowedRenameTest, AnExitDuringASlowWriteLetsTheWriteEndThenTheModuleGo) {
    StartOnWork();
    g_writingThread = 0;
    const std::string path = module_->path();
    {
        standin::ImportPatch slow(module_->handle(), "kernel32.dll", "WriteFile",
                                  reinterpret_cast<void*>(&WriteTakingASecond));
        host_->RenameFolder(Folder(u8"仕事"), Sjis(u8"業務"), true);
        ASSERT_TRUE(standin::PumpUntil([] { return g_writingThread != 0; }));
        module_->OnExit();
        module_->Unload();
        EXPECT_NE(GetModuleHandleA(path.c_str()), nullptr) << "unmapped under its writing thread";
    }
    EXPECT_TRUE(standin::PumpUntil([&] { return GetModuleHandleA(path.c_str()) == nullptr; }));
    EXPECT_EQ(standin::Utf8(ReadOrderFile()), standin::Utf8(OrderFile(u8"業務")));
}

// The host exits while a rename waits for a held file: nothing is held.
TEST_F(FollowedRenameTest, AnExitWithARenameWaitingHoldsNothing) {
    StartOnWork();
    HANDLE held = CreateFileA(module_->orderFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    host_->RenameFolder(Folder(u8"仕事"), Sjis(u8"業務"), true);
    RunHost(600);
    ExpectNoHostBlockHeldAfterExit();
    CloseHandle(held);
    EXPECT_EQ(ReadOrderFile(), OrderFile(u8"仕事"));
}

// An unread count changing a folder's text, 10,000 times: no file read, no
// sort, one question to the tree each.
TEST_F(FollowedRenameTest, TextChangesReadNoFileAndSortNothing) {
    StartOnWork();
    RunHost(500);
    const int sorts = host_->sortsByFunction();
    standin::CallFailure opens(module_->handle(), standin::FailingCall::kCreateFile, 1 << 30);
    ASSERT_TRUE(opens.applied());
    HTREEITEM work = Folder(u8"仕事");
    const int questions = host_->itemQueries();
    for (int i = 0; i < 10000; ++i) {
        const std::string text = Sjis(u8"仕事 (") + std::to_string(i) + ")";
        TVITEMA item = {};
        item.mask = TVIF_HANDLE | TVIF_TEXT;
        item.hItem = work;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(host_->tree(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    RunHost(1500);
    EXPECT_EQ(opens.calls(), 0);
    EXPECT_EQ(host_->sortsByFunction(), sorts);
    // The same item set again and again is asked about once a look.
    EXPECT_LE(host_->itemQueries() - questions, 5);
}

// The host replaces its tree window (a change of layout): the new one is
// found, sorted once its items settle and watched; nothing of the old one's
// subclass is left, and the exit lets the module go.
TEST_F(FollowedRenameTest, ANewTreeWindowIsSortedAndWatched) {
    StartOnWork();
    // A rename waiting for a held file when the host makes a new tree window
    // and starts the plug-in again: still written once the file is free.
    HANDLE held = HoldFileAndRename(u8"趣味", u8"遊び");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    host_->ReplaceTreeWindow();
    host_->AddOutline(Sjis(u8"仕事箱\n仕事\n  予定\n  会議\n遊び\n"));
    module_->OnStart();
    CloseHandle(held);
    EXPECT_TRUE(OrderFileComesToHold(Sjis(u8"遊び") + OrderFile(u8"仕事").substr(Sjis(u8"趣味").size())))
        << standin::Utf8(ReadOrderFile());
    EXPECT_TRUE(TreeComesToBegin(Sjis(u8"遊び\n仕事\n  会議\n  予定\n仕事箱\n"))) << standin::Utf8(Describe());
    host_->AddFolder(nullptr, "N", TVI_FIRST);
    EXPECT_TRUE(TreeComesToBegin(Sjis(u8"遊び\n仕事\n  会議\n  予定\n"))) << standin::Utf8(Describe());
    const std::string path = module_->path();
    module_->OnExit();
    module_->Unload();
    EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
}

}  // namespace
