// Whatever the order file, the disk or the host holds: no crash, no host
// block or file handle left behind, and the order file on disk is always
// either the previous content or the complete new content.
#include "tests/module_fixture.h"

#include <psapi.h>

#include <algorithm>
#include <random>
#include <set>

#include "standin/import_patch.h"
#include "standin/order_model.h"

namespace {

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

    void ExpectNoTemporaryFile() {
        for (const std::string& name : standin::ListFolder(module_->folder()))
            EXPECT_TRUE(name == "tamrivel.dll" || name == "tamrivel.cfg") << "left behind: " << name;
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
        EXPECT_EQ(heap_.outstandingBlocks(), 0u);
        EXPECT_TRUE(standin::CanOpenExclusively(module_->orderFilePath()));
        // Put the tree back for the next case.
        WriteOrderFile("A\\\r\nAB\\\r\nB\\\r\n");
        module_->OnStart();
    }
}

TEST_F(FaultTest, RandomOrderFilesPlaceEveryListedFolderWhereTheModelSays) {
    Load();
    const uint32_t kCases = 1500;
    uint32_t failures = 0;
    for (uint32_t seed = 1; seed <= kCases && failures < 5; ++seed) {
        model::Case c = model::RandomCase(seed);
        NewHostTree(28);
        // Named by index: keys hold bytes that are no text of their own.
        for (size_t i = 0; i < c.keys.size(); ++i)
            host_->AddFolderWithPath(nullptr, "k" + std::to_string(i), standin::Host().dataFolder + c.keys[i]);
        WriteOrderFile(c.file);
        module_->OnStart();

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
    EXPECT_EQ(heap_.outstandingBlocks(), 0u);
}

TEST_F(FaultTest, TheOrderFileIsAFolder) {
    host_->AddOutline("A\nB\n");
    Load();
    ASSERT_TRUE(CreateDirectoryA(module_->orderFilePath().c_str(), nullptr));
    EXPECT_EQ(module_->OnStart(), 0);
    EXPECT_EQ(Describe(), "A\nB\n");
    SaveWithAMove("B");
    EXPECT_NE(GetFileAttributesA(module_->orderFilePath().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    ExpectNoTemporaryFile();
}

TEST_F(FaultTest, AReadOnlyOrderFileIsReadButNeverRewritten) {
    host_->AddOutline("A\nB\nC\n");
    Load();
    WriteOrderFile("C\\\r\n");
    SetFileAttributesA(module_->orderFilePath().c_str(), FILE_ATTRIBUTE_READONLY);
    module_->OnStart();
    EXPECT_EQ(Describe(), "C\nA\nB\n");
    SaveWithAMove("B");
    EXPECT_EQ(ReadOrderFile(), "C\\\r\n");
    ExpectNoTemporaryFile();
    SetFileAttributesA(module_->orderFilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FaultTest, AnOrderFileHeldOpenWithoutSharing) {
    host_->AddOutline("A\nB\nC\n");
    Load();
    WriteOrderFile("C\\\r\n");
    HANDLE held = CreateFileA(module_->orderFilePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(module_->OnStart(), 0);  // cannot be read: the tree stays
    EXPECT_EQ(Describe(), "A\nB\nC\n");
    SaveWithAMove("C");
    CloseHandle(held);
    std::string after = ReadOrderFile();
    EXPECT_TRUE(after == "C\\\r\n" || after == "A\\\r\nC\\\r\nB\\\r\n") << after;
    ExpectNoTemporaryFile();
    EXPECT_EQ(heap_.outstandingBlocks(), 0u);
}

TEST_F(FaultTest, AReadOnlyModuleFolder) {
    // Windows keeps the read-only attribute of a folder for show; Wine maps it
    // to permissions that root ignores. Whatever the platform makes of it, the
    // order on disk is the old or the new one, whole.
    host_->AddOutline("A\nB\n");
    Load();
    WriteOrderFile("B\\\r\n");
    SetFileAttributesA(module_->folder().c_str(), FILE_ATTRIBUTE_READONLY);
    module_->OnStart();
    EXPECT_EQ(Describe(), "B\nA\n");
    SaveWithAMove("A");
    std::string after = ReadOrderFile();
    EXPECT_TRUE(after == "B\\\r\n" || after == "A\\\r\nB\\\r\n") << after;
    ExpectNoTemporaryFile();
    SetFileAttributesA(module_->folder().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FaultTest, AWriteThatFailsPartWayKeepsThePreviousOrder) {
    std::string outline;
    for (int i = 0; i < 1000; ++i) outline += "Folder" + std::to_string(i) + "\n";
    host_->AddOutline(outline);
    Load();
    const std::string previous = "Folder9\\\r\nFolder5\\\r\n";
    for (int bytesLeft : {0, 10, 4096, 9000}) {
        SCOPED_TRACE(bytesLeft);
        WriteOrderFile(previous);
        module_->OnStart();
        standin::FullDisk fullDisk(module_->handle(), bytesLeft);
        ASSERT_TRUE(fullDisk.applied());
        SaveWithAMove("Folder3");
        EXPECT_EQ(ReadOrderFile(), previous);
        ExpectNoTemporaryFile();
    }
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
        host_->AddItem(nullptr, "Unreadable", host_->NewRecordWithPathAddress(host_->UnreadableAddress()));
        host_->AddFolderWithPath(nullptr, "Elsewhere", "X:\\Other\\");
        Load();
        WriteOrderFile("Twin\\\r\nB\\\r\n");
        EXPECT_EQ(module_->OnStart(), 0);
        EXPECT_TRUE(watcher_.messageBoxes().empty());
        EXPECT_EQ(Folders().size(), 7u);
        SaveWithAMove("B");
        EXPECT_EQ(heap_.outstandingBlocks(), 0u);
        module_.reset();
    }
}

size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return counters.PrivateUsage;
}

TEST_F(FaultTest, RepeatedStartsAndEditsLeaveNothingBehind) {
    std::string outline;
    for (int i = 0; i < 100; ++i) {
        outline += "Box" + std::to_string(i) + "\n";
        for (int k = 0; k < 9; ++k) outline += "  Sub" + std::to_string(k) + "\n";
    }
    host_->AddOutline(outline);  // 1,000 folders
    Load();
    WriteOrderFile("Box7\\\r\nBox3\\Sub5\\\r\n");
    module_->OnStart();
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    size_t memoryBefore = PrivateBytes();
    for (int i = 0; i < 1000; ++i) module_->OnStart();
    for (int i = 0; i < 200; ++i) {
        watcher_.OnNextDialog([](HWND dialog) { standin::ClickButton(dialog, IDOK); });
        module_->OnPlugInSetup(host_->window());
    }
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(heap_.outstandingBlocks(), 0u);
    EXPECT_LE(handlesAfter, handlesBefore + 2);
    EXPECT_LT(PrivateBytes(), memoryBefore + 8 * 1024 * 1024);
    EXPECT_EQ(watcher_.dialogsSeen(), 200);
    EXPECT_TRUE(standin::CanOpenExclusively(module_->orderFilePath()));
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
