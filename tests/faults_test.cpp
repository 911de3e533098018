// Whatever the order file, the disk or the host holds: no crash, no host
// block or file handle left behind, and the order file on disk is always
// either the previous content or the complete new content.
#include "tests/module_fixture.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include "standin/call_failure.h"
#include "standin/import_patch.h"
#include "model/order_model.h"

namespace {

// The order file exists, but its permissions let nobody read it.
HANDLE WINAPI CreateFileRefusingReads(LPCSTR name, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security,
                                      DWORD disposition, DWORD flags, HANDLE base) {
    if (access & GENERIC_READ) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(name, access, sharing, security, disposition, flags, base);
}

class FaultTest : public ModuleTest {
protected:
    // Every folder of the tree, whatever order it is in.
    std::multiset<std::string> Folders() const {
        std::multiset<std::string> names;
        std::string tree = Describe();
        size_t start = 0;
        for (size_t end; (end = tree.find('\n', start)) != std::string::npos; start = end + 1)
            names.insert(tree.substr(start, end - start));
        return names;
    }

    // Opens the editor, moves `name` up, and presses OK.
    void SaveWithAMove(const std::string& name) {
        watcher_.OnNextDialog([name](HWND dialog) {
            HWND tree = standin::DialogTree(dialog);
            standin::SelectTreeItem(tree, standin::FindTreeItem(tree, name));
            standin::ClickButton(dialog, 1001);
            standin::ClickButton(dialog, IDOK);
        });
        EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    }

    // The module's pauses between attempts to replace a held order file,
    // made instant: what a failed save says and leaves does not depend on
    // them, and the test that a passing holder is waited for keeps them.
    std::unique_ptr<PausesCounted> WithoutPauses() {
        std::unique_ptr<PausesCounted> patch(new PausesCounted(module_->handle(), true));
        EXPECT_TRUE(patch->applied());
        return patch;
    }

};

TEST_F(FaultTest, OrderFilesOfEveryShapeSortWithoutHarm) {
    std::string longLine(1 << 20, 'L');
    std::string manyLines;
    for (int i = 0; i < 100000; ++i) manyLines += "Line" + std::to_string(i) + "\r\n";
    manyLines += "B\\\r\nA\\\r\n";
    std::mt19937 random(20261207);
    std::string randomBytes;
    for (int i = 0; i < 4096; ++i) {
        static const char biased[] = {'\r', '\n', '\0', '\\', '\x95', '\x81', '\xE0', 'A', 'B'};
        randomBytes += random() % 2 ? biased[random() % sizeof biased] : static_cast<char>(random());
    }
    randomBytes += '\x95';  // a lone lead byte at the very end

    struct Case {
        const char* what;
        std::string bytes;
        const char* sorted;  // null: any order
    };
    const Case cases[] = {
        {"empty", "", "A\nAB\nB\n"},
        {"only line ends and NULs", std::string("\r\n\0\r\r\n\0\0", 8), "A\nAB\nB\n"},
        {"a 1 MB line without a line end", longLine, "A\nAB\nB\n"},
        {"100,000 lines", manyLines, "B\nA\nAB\n"},
        {"random bytes", randomBytes, nullptr},
        {"a key and its prefix", "AB\\\r\nA\\\r\n", "AB\nA\nB\n"},
        {"a key without its separator", "AB\r\nA", "A\nAB\nB\n"},
        {"Shift_JIS lead byte before the separator", "\x95\\\r\nB\\", "B\nA\nAB\n"},
    };
    host_->AddOutline("A\nAB\nB\n");
    Load();
    const std::multiset<std::string> folders = Folders();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteOrderFile(c.bytes);
        EXPECT_EQ(module_->OnStart(), 0);
        if (c.sorted) {
            EXPECT_EQ(Describe(), c.sorted);
        }
        EXPECT_EQ(Folders(), folders);
        ExpectNoHostBlockHeldAfterExit();
        EXPECT_TRUE(standin::CanOpenExclusively(module_->orderFilePath()));
        // Put the tree back for the next case.
        WriteOrderFile("A\\\r\nAB\\\r\nB\\\r\n");
        module_->OnStart();
    }
}

BOOL WINAPI NoProcessorFeatures(DWORD) { return FALSE; }
// SSE2 and no XSAVE, as on a system that saves no 256-bit registers: the
// module must scan with SSE2 even where the processor has AVX2.
BOOL WINAPI Sse2Only(DWORD feature) { return feature == PF_XMMI64_INSTRUCTIONS_AVAILABLE; }

// The real module's start-up sort over many small random order files, read
// into host blocks that end where an inaccessible page begins (or begin
// right after one), with the processor's features reported as they are
// (AVX2 where the processor has it), as SSE2 only, or as none, in turn:
// every order the model's.
TEST_F(FaultTest, RandomOrderFilesPlaceEveryListedFolderWhereTheModelSays) {
    Load();
    const uint32_t kCases = 1500;
    uint32_t failures = 0;
    std::mt19937 random(7);
    const standin::HostHeap::Placement placements[] = {standin::HostHeap::Placement::kEndAtGuardPage,
                                                       standin::HostHeap::Placement::kStartAfterGuardPage};
    for (uint32_t seed = 1; seed <= kCases && failures < 5; ++seed) {
        model::Case c = model::RandomCase(seed);
        // Lines enough after the case's own for the vector loops to run.
        for (int i = static_cast<int>(random() % 24); i > 0; --i) c.file += "\r\n" + model::RandomLine(random);
        // One host window for every case (making one costs more than the
        // sort): the last case's folders go, and their records, overwritten,
        // are given to this case's folders.
        host_->ReleaseAllFolders();
        // Named by index: keys hold bytes that are no text of their own.
        for (size_t i = 0; i < c.keys.size(); ++i)
            host_->AddFolderWithPath(nullptr, "k" + std::to_string(i), standin::Host().dataFolder + c.keys[i]);
        WriteOrderFile(c.file);
        heap_.placement = placements[seed % 2];
        std::unique_ptr<standin::ImportPatch> features;
        if (seed % 3 != 2) {
            void* answer = seed % 3 == 0 ? reinterpret_cast<void*>(&NoProcessorFeatures)
                                         : reinterpret_cast<void*>(&Sse2Only);
            features.reset(new standin::ImportPatch(module_->handle(), "kernel32.dll", "IsProcessorFeaturePresent", answer));
            ASSERT_TRUE(features->applied());
        }
        module_->OnStart();
        features.reset();
        heap_.placement = standin::HostHeap::Placement::kHeap;

        // Listed folders first, in the order of their first lines; then the rest.
        std::vector<std::string> lines = model::Lines(c.file);
        std::vector<std::pair<int, std::string>> listed;
        std::multiset<std::string> unlisted;
        for (size_t i = 0; i < c.keys.size(); ++i) {
            int rank = model::Rank(lines, c.keys[i]);
            if (rank >= 0) listed.emplace_back(rank, "k" + std::to_string(i));
            else unlisted.insert("k" + std::to_string(i));
        }
        std::sort(listed.begin(), listed.end());
        std::string expectedHead;
        for (const auto& entry : listed) expectedHead += entry.second + "\n";
        std::string sorted = Describe();
        std::string head = sorted.substr(0, expectedHead.size());
        std::multiset<std::string> tail;
        std::string rest = sorted.substr(expectedHead.size());
        for (size_t start = 0, end; (end = rest.find('\n', start)) != std::string::npos; start = end + 1)
            tail.insert(rest.substr(start, end - start));
        if (head != expectedHead || tail != unlisted) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ": sorted\n" << sorted << "expected first\n" << expectedHead;
        }
    }
    ExpectNoHostBlockHeldAfterExit();
}

TEST_F(FaultTest, AnOrderFileThatCannotBeReadLeavesTheTreeAlone) {
    host_->AddOutline("A\nB\nC\n");
    Load();
    ASSERT_TRUE(CreateDirectoryA(module_->orderFilePath().c_str(), nullptr));
    EXPECT_EQ(module_->OnStart(), 0);
    EXPECT_EQ(Describe(), "A\nB\nC\n");
    RemoveDirectoryA(module_->orderFilePath().c_str());

    WriteOrderFile("C\\\r\n");
    HANDLE held = CreateFileA(module_->orderFilePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(module_->OnStart(), 0);
    EXPECT_EQ(Describe(), "A\nB\nC\n");
    CloseHandle(held);

    // Read-only is no obstacle to reading.
    SetFileAttributesA(module_->orderFilePath().c_str(), FILE_ATTRIBUTE_READONLY);
    module_->OnStart();
    EXPECT_EQ(Describe(), "C\nA\nB\n");
    SetFileAttributesA(module_->orderFilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    ExpectNoHostBlockHeldAfterExit();
}

// A program that opens the module's new copy of the order file the moment it
// appears, without delete sharing, as a virus scanner does.
HANDLE g_heldCopy = INVALID_HANDLE_VALUE;
BOOL WINAPI MoveWhileTheNewCopyIsHeld(LPCSTR from, LPCSTR to, DWORD flags) {
    if (g_heldCopy == INVALID_HANDLE_VALUE)
        g_heldCopy = CreateFileA(from, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return MoveFileExA(from, to, flags);
}

TEST_F(FaultTest, ASaveThatFailsSaysWhyKeepsTheEditorOpenAndTheOldFile) {
    host_->AddOutline("A\nB\nC\n");
    Load();
    const auto noPauses = WithoutPauses();
    const std::string path = module_->orderFilePath();
    const char* file = path.c_str();
    HANDLE held = INVALID_HANDLE_VALUE;
    std::unique_ptr<standin::FullDisk> fullDisk;
    std::unique_ptr<standin::ImportPatch> movePatch;
    auto hold = [&](DWORD sharing) {
        held = CreateFileA(file, GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    auto letGo = [&] {
        CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
    };
    const char* const kInUse = u8"ほかのプログラムがこのファイルを使用しています。そのプログラムを閉じてから、もう一度 OK を押してください。";
    struct Case {
        const char* what;
        std::function<void()> cause, removeCause;
        const char* message;  // UTF-8
        std::string before;   // the order file the failed save leaves
    };
    const std::string previous = "B\\\r\nA\\\r\nC\\\r\n";
    const Case cases[] = {
        {"held without delete sharing", [&] { hold(FILE_SHARE_READ | FILE_SHARE_WRITE); }, letGo,
         kInUse, previous},
        {"held without any sharing", [&] { hold(0); }, letGo, kInUse, previous},
        {"its new copy held",
         [&] {
             movePatch.reset(new standin::ImportPatch(module_->handle(), "kernel32.dll", "MoveFileExA",
                                                      reinterpret_cast<void*>(&MoveWhileTheNewCopyIsHeld)));
         },
         [&] {
             movePatch.reset();
             CloseHandle(g_heldCopy);
             g_heldCopy = INVALID_HANDLE_VALUE;
         },
         kInUse, previous},
        {"read-only", [&] { SetFileAttributesA(file, FILE_ATTRIBUTE_READONLY); },
         [&] { SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL); },
         u8"このファイルは読み取り専用です。読み取り専用を解除してから、もう一度 OK を押してください。", previous},
        {"a folder in its place", [&] { DeleteFileA(file), CreateDirectoryA(file, nullptr); },
         [&] { RemoveDirectoryA(file); },
         u8"このファイルには書き込めません。tamrivel.cfg という名前のフォルダがあるか、ほかのプログラムがこのファイルを開いているか、"
         u8"Becky! を管理者として実行したときに作られたファイルであることが考えられます。"
         u8"tamrivel.cfg という名前のフォルダがあれば、名前を変えるか別の場所へ移してください。ほかのプログラムが開いていれば、閉じてください。"
         u8"フォルダやファイルのアクセス許可は変えないでください。対処のしかたは、説明（install.txt）の「メッセージの意味」にあります。",
         ""},
        {"refused to be read", [&] {
             movePatch.reset(new standin::ImportPatch(module_->handle(), "kernel32.dll", "CreateFileA",
                                                      reinterpret_cast<void*>(&CreateFileRefusingReads)));
         },
         [&] { movePatch.reset(); },
         u8"このファイルを読み取れないため、「並び替え」ウィンドウに出ないフォルダの行を残して保存することができません。"
         u8"Becky! を管理者として実行したときに作られたファイルなどで、このようになります。"
         u8"アクセス許可は変えないでください。対処のしかたは、説明（install.txt）の「メッセージの意味」にあります。",
         previous},
        {"a full disk", [&] { fullDisk.reset(new standin::FullDisk(module_->handle(), 0)); },
         [&] { fullDisk.reset(); },
         u8"ディスクの空き容量が足りません。不要なファイルを削除して空き容量を増やしてから、もう一度 OK を押してください。",
         previous},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteOrderFile(previous);
        module_->OnStart();
        ASSERT_EQ(Describe(), "B\nA\nC\n");
        watcher_.ClearMessageBoxes();
        bool openAfterFailure = false;
        std::string left;
        watcher_.OnNextDialog([&](HWND dialog) {
            HWND tree = standin::DialogTree(dialog);
            standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "C"));
            standin::ClickButton(dialog, 1001);
            c.cause();
            standin::ClickButton(dialog, IDOK);
            openAfterFailure = IsWindowVisible(dialog) && standin::DescribeTree(tree) == "B\nC\nA\n";
            c.removeCause();
            left = ReadOrderFile();
            standin::ClickButton(dialog, IDOK);
        });
        EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
        ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
        const standin::MessageBoxSeen& box = watcher_.messageBoxes()[0];
        EXPECT_EQ(box.caption, standin::Sjis(u8"並び替え"));
        EXPECT_EQ(box.text, standin::Sjis(u8"並び順を保存できませんでした。\r\n\r\n") + path + "\r\n\r\n" +
                                standin::Sjis(c.message));
        EXPECT_TRUE(box.warningIcon);
        EXPECT_NE(box.owner, nullptr);
        EXPECT_TRUE(openAfterFailure);
        EXPECT_EQ(left, c.before);
        // Once the cause is gone, the same OK saves what the user made.
        EXPECT_EQ(ReadOrderFile(), "B\\\r\nC\\\r\nA\\\r\n");
        EXPECT_EQ(Describe(), "B\nC\nA\n");
        ExpectNoTemporaryFile();
    }
    ExpectNoHostBlockHeldAfterExit();
}

// OK over a file that holds NUL bytes, which is no text this plug-in
// writes (and no UTF-16 with its mark): rewritten line by line, it would be
// cut into fragments. It stays byte for byte, the user is told how to save
// it, and the editor stays open.
TEST_F(FaultTest, OkOverAFileWithNulBytesLeavesItAndSaysHowToSaveIt) {
    const std::string utf16WithoutMark("B\0\\\0\r\0\n\0" "A\0\\\0\r\0\n\0", 16);
    const std::string withANul("B\\\r\nA\0\\\r\n", 9);
    for (const std::string& before : {utf16WithoutMark, withANul}) {
        Start("A\nB\n", before);
        bool openAfterOk = false;
        watcher_.OnNextDialog([&](HWND dialog) {
            standin::ClickButton(dialog, IDOK);
            openAfterOk = IsWindowVisible(dialog) != FALSE;
            standin::ClickButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
        EXPECT_TRUE(openAfterOk);
        EXPECT_EQ(ReadOrderFile(), before);
        ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
        EXPECT_NE(watcher_.messageBoxes()[0].text.find(standin::Sjis(
                      u8"メモ帳で開き、［名前を付けて保存］で文字コードを「ANSI」にして保存してから")),
                  std::string::npos);
        ExpectNoTemporaryFile();
    }
}

// A file saved as UTF-8 (Notepad's default), with its mark or without, or
// as UTF-16 ("Unicode"), orders the folders at start-up as its Shift_JIS
// text would; OK writes Shift_JIS, keeping its other lines as their text. A
// character Shift_JIS lacks leaves its line naming no folder.
TEST_F(FaultTest, AFileSavedAsUtf8OrUtf16OrdersAsItsTextDoes) {
    const std::string text = u8"予定\\\r\n仕事\\\r\n한국\\\r\nGone\\\r\n";
    auto utf16 = [&](bool littleEndian) {
        std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0)), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], static_cast<int>(wide.size()));
        std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
        for (wchar_t unit : wide) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            bytes += littleEndian ? std::string{low, high} : std::string{high, low};
        }
        return bytes;
    };
    struct Case {
        const char* what;
        std::string file;
        const char* saved;  // UTF-8 for the Shift_JIS written
    };
    const char* const kConverted = u8"予定\\\r\n仕事\\\r\n趣味\\\r\n?\?\\\r\nGone\\\r\n";
    const Case cases[] = {
        {"UTF-8", text, kConverted},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + text, kConverted},
        {"UTF-16", utf16(true), kConverted},
        {"UTF-16 big-endian", utf16(false), kConverted},
        // ﾂｱ is C2 B1 in Shift_JIS, valid UTF-8 (±): the file as a whole is not.
        {"Shift_JIS, valid UTF-8 in part", standin::Sjis(u8"ﾂｱ\\\r\n予定\\\r\n仕事\\\r\n"),
         u8"予定\\\r\n仕事\\\r\n趣味\\\r\nﾂｱ\\\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(standin::Sjis(u8"仕事\n趣味\n予定\n"), c.file);
        EXPECT_EQ(standin::Utf8(Describe()), u8"予定\n仕事\n趣味\n");
        EXPECT_EQ(ConfirmEditor(), 1);
        EXPECT_EQ(standin::Utf8(ReadOrderFile()), c.saved);
        EXPECT_TRUE(watcher_.messageBoxes().empty());
    }
}

// ReadFile may succeed with fewer bytes than asked: at start-up and at the
// save the whole file is read all the same.
TEST_F(FaultTest, ReadsThatAnswerFewerBytesStillReadTheWholeFile) {
    host_->AddOutline("A\nB\nC\n");
    Load();
    WriteOrderFile("C\\\r\nB\\\r\nKept\\\r\nA\\\r\n");
    standin::CallFailure shortReads(module_->handle(), standin::FailingCall::kShortRead, 1, true);
    ASSERT_TRUE(shortReads.applied());
    module_->OnStart();
    EXPECT_EQ(Describe(), "C\nB\nA\n");
    EXPECT_EQ(ConfirmEditor(), 1);
    EXPECT_EQ(ReadOrderFile(), "C\\\r\nB\\\r\nA\\\r\nKept\\\r\n");
    EXPECT_GT(shortReads.failures(), 6);
}

TEST_F(FaultTest, CancelAfterAFailedSaveLeavesNoTemporaryFile) {
    host_->AddOutline("A\nB\n");
    Load();
    const auto noPauses = WithoutPauses();
    WriteOrderFile("A\\\r\n");
    module_->OnStart();
    watcher_.OnNextDialog([&](HWND dialog) {
        standin::ImportPatch movePatch(module_->handle(), "kernel32.dll", "MoveFileExA",
                                       reinterpret_cast<void*>(&MoveWhileTheNewCopyIsHeld));
        standin::ClickButton(dialog, IDOK);
        CloseHandle(g_heldCopy);
        g_heldCopy = INVALID_HANDLE_VALUE;
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_EQ(watcher_.messageBoxes().size(), 1u);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\n");
    ExpectNoTemporaryFile();
}

TEST_F(FaultTest, AHolderThatLetsGoWithinASecondIsWaitedFor) {
    host_->AddOutline("A\nB\n");
    Load();
    WriteOrderFile("A\\\r\n");
    module_->OnStart();
    HANDLE held = CreateFileA(module_->orderFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread releaser([held] {
        Sleep(300);
        CloseHandle(held);
    });
    SaveWithAMove("B");
    releaser.join();
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    EXPECT_EQ(ReadOrderFile(), "B\\\r\nA\\\r\n");
    ExpectNoTemporaryFile();
}

// Two hosts may share one plug-in folder (two profiles of one installation).
// Each save writes, renames and deletes only a copy of its own, so another
// process's copy survives ours, and no file that a program holds open, under
// whatever name, stands in a save's way.
TEST_F(FaultTest, EachSaveWritesANewCopyOfItsOwn) {
    host_->AddOutline("A\nB\n");
    Load();
    const auto noPauses = WithoutPauses();
    WriteOrderFile("A\\\r\n");
    module_->OnStart();
    const std::string folder = module_->folder() + "\\";
    const std::string theirs = "the other process's order\r\n";
    for (const char* name : {"tamrivel.tmp", "tam1.tmp", "tam2.tmp"})
        ASSERT_TRUE(standin::WriteFileBytes(folder + name, theirs));
    HANDLE held = CreateFileA((folder + "tamrivel.tmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    SaveWithAMove("B");
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    EXPECT_EQ(ReadOrderFile(), "B\\\r\nA\\\r\n");

    // A save that fails, then Cancel: only its own copy goes.
    HANDLE holdOrder = CreateFileA(module_->orderFilePath().c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    watcher_.OnNextDialog([](HWND dialog) {
        standin::ClickButton(dialog, IDOK);
        standin::ClickButton(dialog, IDCANCEL);
    });
    module_->OnPlugInSetup(host_->window());
    CloseHandle(holdOrder);
    CloseHandle(held);
    EXPECT_EQ(watcher_.messageBoxes().size(), 1u);
    EXPECT_EQ(ReadOrderFile(), "B\\\r\nA\\\r\n");
    for (const char* name : {"tamrivel.tmp", "tam1.tmp", "tam2.tmp"})
        EXPECT_EQ(standin::ReadFileBytes(folder + name), theirs) << name;
    ExpectNoTemporaryFile({"tamrivel.tmp", "tam1.tmp", "tam2.tmp"});
}

// Another program saves the order file each time the module makes its new
// copy: after the module read the file, before it replaces it.
std::string g_othersPath;
int g_othersSavesLeft = 0;
std::string OthersSave(int n) { return "A\\\r\nTheirs" + std::string(static_cast<size_t>(n), 'x') + "\\\r\n"; }
UINT WINAPI NewCopyAfterAnotherProgramSaved(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR path) {
    if (g_othersSavesLeft > 0) standin::WriteFileBytes(g_othersPath, OthersSave(g_othersSavesLeft--));
    return GetTempFileNameA(folder, prefix, unique, path);
}

// What another program saved between the editor's read and its replace is
// read and merged again, never overwritten; a program that saves again at
// every try has its save kept, and the user is told.
TEST_F(FaultTest, AnotherProgramsSaveDuringOkIsMergedOrKeptAndTold) {
    for (int saves : {1, 100}) {
        SCOPED_TRACE(saves);
        Start("A\nB\n", "A\\\r\n");
        g_othersPath = module_->orderFilePath();
        g_othersSavesLeft = saves;
        {
            standin::ImportPatch newCopy(module_->handle(), "kernel32.dll", "GetTempFileNameA",
                                         reinterpret_cast<void*>(&NewCopyAfterAnotherProgramSaved));
            ASSERT_TRUE(newCopy.applied());
            watcher_.OnNextDialog([](HWND dialog) {
                HWND tree = standin::DialogTree(dialog);
                standin::SelectTreeItem(tree, standin::FindTreeItem(tree, "B"));
                standin::ClickButton(dialog, 1001);
                standin::ClickButton(dialog, IDOK);
                // A save that could not be made keeps the editor open.
                if (IsWindowVisible(dialog)) standin::ClickButton(dialog, IDCANCEL);
            });
            EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
        }
        if (saves == 1) {
            EXPECT_EQ(ReadOrderFile(), "B\\\r\nA\\\r\nTheirsx\\\r\n");
            EXPECT_TRUE(watcher_.messageBoxes().empty());
        } else {
            EXPECT_EQ(ReadOrderFile(), OthersSave(g_othersSavesLeft + 1));
            ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
            EXPECT_NE(watcher_.messageBoxes()[0].text.find(
                          standin::Sjis(u8"ほかのプログラムがこのファイルを何度も書き換えました。")),
                      std::string::npos);
        }
        ExpectNoTemporaryFile();
    }
}

int g_renamesRefused = 0;
BOOL WINAPI RenameRefusedByPermissions(LPCSTR, LPCSTR, DWORD) {
    ++g_renamesRefused;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

HANDLE WINAPI OpenForDeletionRefusedByPermissions(LPCSTR name, DWORD access, DWORD sharing,
                                                  LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                                  DWORD flags, HANDLE base) {
    if (access == DELETE) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(name, access, sharing, security, disposition, flags, base);
}

// Access denied on the rename, with nobody holding the file: its
// permissions, not another program. Said so at once, with no second of retries.
TEST_F(FaultTest, ARenameThatPermissionsRefuseIsNotReportedAsInUse) {
    host_->AddOutline("A\nB\n");
    Load();
    WriteOrderFile("A\\\r\n");
    module_->OnStart();
    g_renamesRefused = 0;
    int pauses = -1;
    watcher_.OnNextDialog([&](HWND dialog) {
        standin::ImportPatch rename(module_->handle(), "kernel32.dll", "MoveFileExA",
                                    reinterpret_cast<void*>(&RenameRefusedByPermissions));
        standin::ImportPatch open(module_->handle(), "kernel32.dll", "CreateFileA",
                                  reinterpret_cast<void*>(&OpenForDeletionRefusedByPermissions));
        PausesCounted counted(module_->handle());
        standin::ClickButton(dialog, IDOK);
        pauses = counted.count();
        standin::ClickButton(dialog, IDCANCEL);
    });
    module_->OnPlugInSetup(host_->window());
    EXPECT_EQ(g_renamesRefused, 1);
    EXPECT_EQ(pauses, 0);
    ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
    EXPECT_NE(watcher_.messageBoxes()[0].text.find(standin::Sjis(u8"このファイルには書き込めません。")),
              std::string::npos);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\n");
    ExpectNoTemporaryFile();
}

UINT WINAPI NewFileRefusedInTheFolder(LPCSTR, LPCSTR, UINT, LPSTR) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
}

// A plug-in folder that takes no new file (under Program Files): the
// message names the folder, not the file, and what to change there.
TEST_F(FaultTest, AFolderThatTakesNoNewFileIsNamedAsTheCause) {
    host_->AddOutline("A\nB\n");
    Load();
    WriteOrderFile("A\\\r\n");
    module_->OnStart();
    watcher_.OnNextDialog([&](HWND dialog) {
        standin::ImportPatch refuse(module_->handle(), "kernel32.dll", "GetTempFileNameA",
                                    reinterpret_cast<void*>(&NewFileRefusedInTheFolder));
        standin::ClickButton(dialog, IDOK);
        standin::ClickButton(dialog, IDCANCEL);
    });
    module_->OnPlugInSetup(host_->window());
    ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
    EXPECT_EQ(watcher_.messageBoxes()[0].text,
              standin::Sjis(u8"並び順を保存できませんでした。\r\n\r\n"
                            u8"プラグインのフォルダに書き込めないため、並び順ファイル（tamrivel.cfg）を作成できません。\r\n") +
                  module_->folder() + "\\\r\n\r\n" +
                  standin::Sjis(u8"Becky! が Program Files の中にあっても、ふつうは Windows が書き込み先を VirtualStore に"
                                u8"切り替えるため、このようにはなりません。VirtualStore やユーザーアカウント制御が無効に"
                                u8"されている PC（会社の PC など）や、書き込みが許可されていない場所（読み取り専用の共有"
                                u8"フォルダなど）に Becky! があるときに、このようになります。"
                                u8"フォルダやファイルのアクセス許可は変えないでください。対処のしかたは、説明（install.txt）の"
                                u8"「Becky! が Program Files の中にあるとき」にあります。"));
    EXPECT_EQ(ReadOrderFile(), "A\\\r\n");
    ExpectNoTemporaryFile();
}

TEST_F(FaultTest, AnEditorWhoseTreeIsGoneSavesNothing) {
    host_->AddOutline("A\nB\n");
    Load();
    WriteOrderFile("B\\\r\n");
    module_->OnStart();
    watcher_.OnNextDialog([](HWND dialog) {
        DestroyWindow(standin::DialogTree(dialog));
        standin::ClickButton(dialog, IDOK);
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(module_->OnPlugInSetup(host_->window()), 1);
    EXPECT_EQ(ReadOrderFile(), "B\\\r\n");
    ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
    EXPECT_NE(watcher_.messageBoxes()[0].text.find(standin::Sjis(u8"このファイルには書き込めません。")),
              std::string::npos);
}

TEST_F(FaultTest, AReadOnlyModuleFolder) {
    // Windows keeps the read-only attribute of a folder for show, and the
    // save goes through; so it does here (Wine maps the attribute to
    // permissions that root ignores).
    host_->AddOutline("A\nB\n");
    Load();
    WriteOrderFile("B\\\r\n");
    SetFileAttributesA(module_->folder().c_str(), FILE_ATTRIBUTE_READONLY);
    module_->OnStart();
    EXPECT_EQ(Describe(), "B\nA\n");
    SaveWithAMove("A");
    SetFileAttributesA(module_->folder().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\nB\\\r\n");
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    ExpectNoTemporaryFile();
}

TEST_F(FaultTest, AModuleFolderWithJapaneseCharactersAndSpaces) {
    host_->AddOutline(standin::Sjis(u8"受信箱\n  表示\n  ソフト\n送信箱\n"));
    module_.reset(new standin::LoadedModule(standin::BuiltModulePath(), standin::Sjis(u8"プラグイン 表示 ソフト")));
    ASSERT_NE(module_->handle(), nullptr);
    WriteOrderFile(standin::Sjis(u8"送信箱\\\r\n受信箱\\ソフト\\\r\n"));
    module_->OnStart();
    EXPECT_EQ(standin::Utf8(Describe()), u8"送信箱\n受信箱\n  ソフト\n  表示\n");
    SaveWithAMove(standin::Sjis(u8"受信箱"));
    EXPECT_EQ(standin::Utf8(ReadOrderFile()),
              u8"受信箱\\\r\n受信箱\\ソフト\\\r\n受信箱\\表示\\\r\n送信箱\\\r\n");
}

TEST_F(FaultTest, AnOrderFilePathThatWouldNotFitIsNeverUsed) {
    host_->AddOutline("A\nB\n");
    // A module file without an extension, its path 257 bytes long: the order
    // file's path would need 261.
    standin::TempFolder base("long");
    const std::string file = "\\tamrivel";
    std::string folder = base / std::string(257 - base.path().size() - 1 - file.size(), 'p');
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string modulePath = folder + file;
    ASSERT_EQ(modulePath.size(), 257u) << modulePath;
    ASSERT_TRUE(CopyFileA(standin::BuiltModulePath().c_str(), modulePath.c_str(), FALSE));
    HMODULE module = LoadLibraryA((modulePath + ".").c_str());
    ASSERT_NE(module, nullptr);
    auto onStart = reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, "BKC_OnStart")));
    // A file with the order file's name cut to fit must not be read.
    std::string cut = (modulePath + ".cfg").substr(0, MAX_PATH - 1);
    standin::WriteFileBytes(cut, "B\\\r\n");
    EXPECT_EQ(onStart(), 0);
    EXPECT_EQ(Describe(), "A\nB\n");
    watcher_.OnNextDialog([](HWND dialog) { standin::ClickButton(dialog, IDOK); });
    auto onSetup = reinterpret_cast<int(WINAPI*)(HWND)>(reinterpret_cast<void*>(GetProcAddress(module, "BKC_OnPlugInSetup")));
    EXPECT_EQ(onSetup(host_->window()), 1);
    EXPECT_EQ(standin::ReadFileBytes(cut), "B\\\r\n");
    EXPECT_EQ(standin::ListFolder(folder).size(), 2u);
    reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, "BKC_OnExit")))();
    FreeLibrary(module);
}

// A plug-in folder whose path leaves no room for a new copy's name: the
// save says so, rather than blame the folder's permissions.
TEST_F(FaultTest, APlugInFolderPathTooLongForANewCopyIsSaidSo) {
    host_->AddOutline("A\nB\n");
    standin::TempFolder base("deep");
    std::string folder = base / std::string(246 - base.path().size() - 1, 'p');
    ASSERT_EQ(folder.size(), 246u);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string modulePath = folder + "\\tamrivel.dll";
    ASSERT_TRUE(CopyFileA(standin::BuiltModulePath().c_str(), modulePath.c_str(), FALSE));
    HMODULE module = LoadLibraryA(modulePath.c_str());
    ASSERT_NE(module, nullptr);
    auto onStart = reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, "BKC_OnStart")));
    auto onSetup = reinterpret_cast<int(WINAPI*)(HWND)>(reinterpret_cast<void*>(GetProcAddress(module, "BKC_OnPlugInSetup")));
    EXPECT_EQ(onStart(), 0);
    bool stayedOpen = false;
    watcher_.OnNextDialog([&](HWND dialog) {
        standin::ClickButton(dialog, IDOK);
        stayedOpen = IsWindowVisible(dialog) != FALSE;
        standin::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(onSetup(host_->window()), 1);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
    EXPECT_NE(watcher_.messageBoxes()[0].text.find(standin::Sjis(u8"パスが長すぎる")), std::string::npos);
    EXPECT_EQ(standin::ListFolder(folder).size(), 1u);
    reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, "BKC_OnExit")))();
    FreeLibrary(module);
}

TEST_F(FaultTest, HostsThatAnswerOddly) {
    struct Case {
        const char* version;
        std::string dataFolder;
        DWORD offset;
    };
    const Case cases[] = {
        {"", "C:\\BeckyData\\", 24},        {"abc", "C:\\BeckyData\\", 28},
        {"2.05.04a", "C:\\BeckyData\\", 28}, {"2.05.04 ", "C:\\BeckyData", 28},
        {"99", std::string(300, 'd'), 28},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        standin::Host().version = c.version;
        standin::Host().dataFolder = c.dataFolder;
        NewHostTree(c.offset);
        host_->AddOutline("A\nB\n");
        HTREEITEM shared = host_->AddFolder(nullptr, "Twin");
        host_->AddItem(nullptr, "Twin2", standin::ItemData(host_->tree(), shared));  // same record twice
        host_->AddItem(nullptr, "NullPath", host_->NewRecordWithPathAddress(nullptr));
        if (standin::AccessViolationsAreCaught())
            host_->AddItem(nullptr, "Unreadable", host_->NewRecordWithPathAddress(host_->UnreadableAddress()));
        host_->AddFolderWithPath(nullptr, "Elsewhere", "X:\\Other\\");
        Load();
        WriteOrderFile("Twin\\\r\nB\\\r\n");
        EXPECT_EQ(module_->OnStart(), 0);
        EXPECT_TRUE(watcher_.messageBoxes().empty());
        EXPECT_EQ(Folders().size(), standin::AccessViolationsAreCaught() ? 7u : 6u);
        SaveWithAMove("B");
        ExpectNoHostBlockHeldAfterExit();
        module_.reset();
    }
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Counted by asking after every handle value in turn: Wine answers
// GetProcessHandleCount with a constant.
DWORD ProcessHandles() {
    DWORD count = 0, flags = 0;
    for (UINT_PTR value = 4; value < 0x1000; value += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    return count;
}

int ThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// What a start or an edit leaks shows after a few of each: the counts of the
// process's handles and of the thread's windows grow, a host block stays out,
// or a file handle stops the order file from being moved. A leak small enough
// to need hundreds of repetitions to see is one that a count shows at once.
TEST_F(FaultTest, RepeatedStartsAndEditsLeaveNothingBehind) {
    std::string outline;
    for (int i = 0; i < 100; ++i) {
        outline += "Box" + std::to_string(i) + "\n";
        for (int k = 0; k < 9; ++k) outline += "  Sub" + std::to_string(k) + "\n";
    }
    host_->AddOutline(outline);  // 1,000 folders
    Load();
    WriteOrderFile("Box7\\\r\nBox3\\Sub5\\\r\n");
    // One of each first, so that whatever the system makes once (the dialog
    // class, the tree control's image lists, a font) is counted as there before.
    module_->OnStart();
    ConfirmEditor(IDOK);
    const int windowsBefore = ThreadWindows();
    const DWORD handlesBefore = ProcessHandles();
    ASSERT_GT(handlesBefore, 0u) << "no handle count: the check below would pass whatever leaked";
    const int kStarts = 50, kEdits = 20;
    for (int i = 0; i < kStarts; ++i) module_->OnStart();
    for (int i = 0; i < kEdits; ++i) {
        watcher_.OnNextDialog([](HWND dialog) { standin::ClickButton(dialog, IDOK); });
        module_->OnPlugInSetup(host_->window());
    }
    ExpectNoHostBlockHeldAfterExit();
    EXPECT_EQ(ThreadWindows(), windowsBefore) << "an editor window outlived its dialog";
    EXPECT_LT(ProcessHandles(), handlesBefore + 5) << "handles left open by starts or edits";
    EXPECT_EQ(watcher_.dialogsSeen(), kEdits + 1);
    ExpectNoTemporaryFile();
    // A handle the module kept open would stop the file from being moved.
    const std::string path = module_->orderFilePath();
    EXPECT_TRUE(MoveFileA(path.c_str(), (path + ".moved").c_str()));
    EXPECT_TRUE(DeleteFileA((path + ".moved").c_str()));
}

TEST_F(FaultTest, ATreeOf10000Folders) {
    std::string outline;
    for (int i = 0; i < 1000; ++i) {
        outline += "Box" + std::to_string(i) + "\n";
        for (int k = 0; k < 9; ++k) outline += "  Sub" + std::to_string(k) + "\n";
    }
    host_->AddOutline(outline);
    Load();
    WriteOrderFile("Box999\\\r\nBox0\\Sub8\\\r\n");
    module_->OnStart();
    std::string sorted = Describe();
    EXPECT_EQ(sorted.substr(0, 7), "Box999\n");
    EXPECT_EQ(sorted.find("Box0\n  Sub8\n"), 7u + 9 * 7);
    watcher_.OnNextDialog([](HWND dialog) { standin::ClickButton(dialog, IDOK); });
    module_->OnPlugInSetup(host_->window());
    std::string saved = ReadOrderFile();
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 10000);
}

}  // namespace
