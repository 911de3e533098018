// The demo program, run as a person runs it: its preview of an order file,
// and its setup mode, with the editor driven from outside its process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "standin/files.h"
#include "standin/host.h"

namespace {

struct WindowSearch {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    char name[64] = {};
    GetWindowThreadProcessId(window, &process);
    GetClassNameA(window, name, sizeof name);
    if (process != search->process || lstrcmpA(name, search->className) != 0 || !IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

// Arguments are written in UTF-8, as the sources are.
std::wstring Wide(const std::string& utf8) {
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    return wide;
}

// The demo as a child process, its standard output collected as it comes.
class DemoRun {
public:
    explicit DemoRun(const std::string& arguments) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE write = nullptr;
        CreatePipe(&read_, &write, &inherit, 0);
        SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = write;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        // Wide, as a shell hands over any path, whatever the ANSI code page holds.
        std::wstring command = Wide("\"" + standin::WindowsPath(TAMRIVEL_DEMO_PATH) + "\" " + arguments);
        started_ = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process_) != 0;
        CloseHandle(write);
        reader_ = std::thread([this] {
            char chunk[4096];
            DWORD read = 0;
            while (ReadFile(read_, chunk, sizeof chunk, &read, nullptr) && read > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                output_.append(chunk, read);
            }
        });
    }

    ~DemoRun() {
        if (started_) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        if (reader_.joinable()) reader_.join();
        CloseHandle(read_);
    }

    bool started() const { return started_; }
    DWORD processId() const { return process_.dwProcessId; }

    std::string output() {
        std::lock_guard<std::mutex> lock(mutex_);
        return output_;
    }

    // The exit code, or STILL_ACTIVE when it has not ended in time. Once it
    // has ended, all it wrote has been read.
    DWORD Wait(DWORD milliseconds) {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process_.hProcess, milliseconds) != WAIT_OBJECT_0) return code;
        GetExitCodeProcess(process_.hProcess, &code);
        if (reader_.joinable()) reader_.join();
        return code;
    }

    bool WaitForOutput(const std::string& text, DWORD milliseconds) {
        for (DWORD waited = 0; waited < milliseconds; waited += 50) {
            if (output().find(text) != std::string::npos) return true;
            Sleep(50);
        }
        return false;
    }

    // A visible top-level window of the demo's, of the given class.
    HWND FindWindowOfClass(const char* className, DWORD milliseconds) {
        WindowSearch search = {processId(), className, nullptr};
        for (DWORD waited = 0; waited < milliseconds; waited += 50) {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found) break;
            Sleep(50);
        }
        return search.found;
    }

    // Ends a --setup run as its person does once the editor has closed: by
    // closing the host window when the demo asks. The exit code, or
    // STILL_ACTIVE when the demo never asked or did not end.
    DWORD CloseHostWindowWhenAsked() {
        if (!WaitForOutput("Close the host window to finish.", 30000)) return STILL_ACTIVE;
        HWND host = FindWindowOfClass("TamrivelStandinHost", 5000);
        if (!host) return STILL_ACTIVE;
        PostMessageA(host, WM_CLOSE, 0, 0);
        return Wait(30000);
    }

private:
    bool started_ = false;
    HANDLE read_ = nullptr;
    PROCESS_INFORMATION process_ = {};
    std::thread reader_;
    std::mutex mutex_;
    std::string output_;
};

std::string Arguments(const std::string& tree, const std::string& order) {
    return "--tree \"" + standin::WindowsPath(tree) + "\" --order \"" + standin::WindowsPath(order) + "\"";
}

struct Finished {
    DWORD code;
    std::string output;
};

Finished RunToTheEnd(const std::string& arguments) {
    DemoRun demo(arguments);
    EXPECT_TRUE(demo.started());
    const DWORD code = demo.Wait(60000);
    return {code, demo.output()};
}

// The lines after `title` up to the next blank line.
std::string Section(const std::string& output, const std::string& title) {
    size_t start = output.find(title + "\n");
    if (start == std::string::npos) return "(no " + title + ")";
    start += title.size() + 1;
    return output.substr(start, output.find("\n\n", start) - start);
}

// Whether the output holds the texts, one after the other in this order.
bool InOrder(const std::string& output, const std::vector<std::string>& texts) {
    size_t place = 0;
    for (const std::string& text : texts) {
        place = output.find(text, place);
        if (place == std::string::npos) return false;
        place += text.size();
    }
    return true;
}

TEST(DemoTest, ThePreviewChecksTheFileAndShowsWhatOkWouldWrite) {
    standin::TempFolder folder("demo");
    ASSERT_TRUE(standin::WriteFileBytes(folder / "tree.txt",
                                        u8"受信箱\n  仕事\n送信箱\n外部 = D:\\Archive\\外部\\\n"));
    // 送信箱\ is listed, 受信箱\ listed twice, one line names nothing, and
    // one is saved as UTF-8.
    ASSERT_TRUE(standin::WriteFileBytes(folder / "order.cfg",
                                        standin::Sjis(u8"送信箱\\\r\n受信箱\\\r\nもうない\\\r\n受信箱\\\r\n") +
                                            u8"受信箱\\仕事\\\r\n"));
    const Finished demo = RunToTheEnd(Arguments(folder / "tree.txt", folder / "order.cfg"));
    ASSERT_EQ(demo.code, 0u) << demo.output;
    const std::string& output = demo.output;
    EXPECT_EQ(output.rfind("Data folder: C:\\BeckyData\\\nFolder tree: 4 folders\nOrder file: 57 bytes, 5 lines\n\n",
                           0),
              0u)
        << output;
    // The Check comes before the listings, and is read first.
    EXPECT_TRUE(InOrder(output, {"Check\n", "Order file:\n", "Folder tree before", "Folder tree after it:\n",
                                 "What OK in the editor"}))
        << output;
    EXPECT_EQ(Section(output, "Check"),
              u8"  line 3: \"もうない\\\" names no folder of the tree: it orders nothing here, and the editor's OK "
              u8"keeps it, after the folders' lines\n"
              u8"  line 4: repeats line 2, and only the first counts\n"
              u8"  line 5: is UTF-8, not Shift_JIS, so it names no folder; as UTF-8 it says \"受信箱\\仕事\\\", which "
              u8"would place that folder if saved as Shift_JIS\n"
              u8"  2 lines place a folder; 3 slips.")
        << output;
    // The UTF-8 line as what it says, not as its bytes read as Shift_JIS.
    EXPECT_EQ(Section(output, "Order file:"),
              u8"  1: 送信箱\\\n  2: 受信箱\\\n  3: もうない\\\n  4: 受信箱\\\n"
              u8"  5: 受信箱\\仕事\\   [UTF-8: names no folder]")
        << output;
    EXPECT_EQ(Section(output, "What OK in the editor would write, without any move (5 lines): it keeps 2, adds 1, "
                              "keeps 2 lines of folders this tree does not show after them, and drops 1 repeat:"),
              u8"  1: 送信箱\\\n  2: 受信箱\\\n  3: 受信箱\\仕事\\\n  4: もうない\\\n"
              u8"  5: 受信箱\\仕事\\   [UTF-8: names no folder]\n")
        << output;
}

TEST(DemoTest, WithoutAnOrderFileTheTreeStaysAsItIsAndOkWouldWriteAFirstOne) {
    standin::TempFolder folder("demo");
    ASSERT_TRUE(standin::WriteFileBytes(folder / "tree.txt", u8"送信箱\n受信箱\n  仕事\n外部 = D:\\外部\\\n"));
    // A user who has never pressed OK: in a folder that exists, and in one that does not.
    for (const std::string& order : {folder / "never saved.cfg", folder / "no folder\\tamrivel.cfg"}) {
        const Finished demo = RunToTheEnd(Arguments(folder / "tree.txt", order));
        ASSERT_EQ(demo.code, 0u) << demo.output;
        const std::string& output = demo.output;
        EXPECT_NE(output.find("Order file: none yet, as for a user who has never pressed OK in the editor (" + order +
                              " does not exist)\n"),
                  std::string::npos)
            << output;
        EXPECT_EQ(Section(output, "Check"), "  No order file yet: nothing to check.") << output;
        const std::string before = Section(output, "Folder tree before the module's start-up sort:");
        EXPECT_EQ(before.rfind(u8"送信箱                      (unlisted)\n受信箱", 0), 0u) << output;
        EXPECT_EQ(Section(output, "Folder tree after it, the same: there is no order file:"), before) << output;
        EXPECT_EQ(Section(output, "What OK in the editor would write, without any move (3 lines): a first order file, "
                                  "every folder with a key in the tree's order:"),
                  u8"  1: 送信箱\\\n  2: 受信箱\\\n  3: 受信箱\\仕事\\\n")
            << output;
        EXPECT_FALSE(standin::FileExists(order));
    }
}

// The sample with one slip of each kind says what the README shows it says.
TEST(DemoTest, TheReadmesCheckIsWhatTheSampleGets) {
    const std::string source = std::string(TAMRIVEL_SOURCE_DIR) + "/";
    const std::string readme = standin::ReadFileBytes(standin::WindowsPath(source + "README.md"));
    const size_t start = readme.find("```\nCheck\n");
    ASSERT_NE(start, std::string::npos);
    const std::string shown = readme.substr(start + 10, readme.find("```", start + 10) - start - 10);
    const Finished demo = RunToTheEnd(Arguments(source + "demo/sample/tree.txt", source + "demo/sample/slips.cfg"));
    ASSERT_EQ(demo.code, 0u) << demo.output;
    const std::string check = Section(demo.output, "Check");
    size_t lines = 0;
    for (size_t at = 0, end; (end = shown.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = shown.substr(at, end - at);
        if (line == "  ...") continue;
        EXPECT_NE(check.find(line + "\n"), std::string::npos) << line << "\n" << check;
        ++lines;
    }
    EXPECT_GE(lines, 5u);
}

// TREE may name a copy of Becky!'s data folder: its folders are the tree,
// keyed by their paths on disk, and it is the data folder.
TEST(DemoTest, TreeNamingAFolderShowsTheFoldersInIt) {
    standin::TempFolder folder("demo");
    const std::string data = folder / "BeckyData";
    for (const std::string& path : {data, data + "\\4b.mb", data + "\\4b.mb\\!!!!Inbox", data + "\\5d.mb"})
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    ASSERT_TRUE(CreateDirectoryA((data + standin::Sjis(u8"\\4b.mb\\!!!!Inbox\\仕事")).c_str(), nullptr));
    ASSERT_TRUE(standin::WriteFileBytes(folder / "order.cfg", standin::Sjis(u8"5d.mb\\\r\n受信箱\\\r\n")));
    const Finished demo = RunToTheEnd(Arguments(data, folder / "order.cfg"));
    ASSERT_EQ(demo.code, 0u) << demo.output;
    EXPECT_EQ(demo.output.rfind("Data folder: " + data + "\\\nFolder tree: 4 folders\n", 0), 0u) << demo.output;
    EXPECT_EQ(Section(demo.output, "Folder tree after it:"),
              u8"5d.mb                       (line 1)\n"
              u8"4b.mb                       (unlisted)\n"
              u8"  !!!!Inbox                 (unlisted)\n"
              u8"    仕事                    (unlisted)")
        << demo.output;
    EXPECT_NE(demo.output.find(u8"  line 2: \"受信箱\\\" names no folder of the tree"), std::string::npos) << demo.output;
}

TEST(DemoTest, AFileThatCannotBeReadIsRefusedInOneLineSayingWhy) {
    standin::TempFolder folder("demo");
    ASSERT_TRUE(standin::WriteFileBytes(folder / "tree.txt", u8"受信箱\n"));
    ASSERT_TRUE(standin::WriteFileBytes(folder / "order.cfg", ""));
    ASSERT_TRUE(standin::WriteFileBytes(folder / "empty.txt", "# only a comment\r\n\r\n"));
    auto refusal = [](const std::string& arguments) {
        const Finished demo = RunToTheEnd(arguments);
        EXPECT_EQ(demo.code, 2u) << demo.output;
        return demo.output;
    };
    EXPECT_EQ(refusal(Arguments(folder / "gone.txt", folder / "order.cfg")),
              "tamrivel demo: " + folder / "gone.txt" + ": cannot be read: no such file\n");
    EXPECT_EQ(refusal(Arguments(folder / "tree.txt", folder.path())),
              "tamrivel demo: " + folder.path() + ": cannot be read: it is a folder, not a file\n");
    EXPECT_EQ(refusal(Arguments(folder / "empty.txt", folder / "order.cfg")),
              "tamrivel demo: " + folder / "empty.txt" + ": no folders\n");
    // A path Windows would take for another ("josé" for "jose"), and one no
    // file can have: refused, not taken for a missing order file.
    EXPECT_EQ(refusal(Arguments(folder / "tree.txt", folder / u8"jos\u00e9.cfg")),
              "tamrivel demo: " + folder / u8"jos\u00e9.cfg" +
                  ": cannot be read: its path holds a character that code page 932 has not, and the module opens "
                  "files by such paths; copy the file to a path without it\n");
    EXPECT_EQ(refusal(Arguments(folder / "tree.txt", folder / "a|b.cfg")),
              "tamrivel demo: " + folder / "a|b.cfg" +
                  ": cannot be read: its path holds a character that Windows allows in no file name (\" * ? < > |)\n");

    // An editor that keeps the file open and shares it with nobody.
    HANDLE held = CreateFileA((folder / "order.cfg").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(refusal(Arguments(folder / "tree.txt", folder / "order.cfg")),
              "tamrivel demo: " + folder / "order.cfg" +
                  ": cannot be read: another program has it open and lets no one else read it; close that program "
                  "and try again\n");
    CloseHandle(held);
}

TEST(DemoTest, LongListingsAreCutUnlessAllAndLongStepsAnnounced) {
    // 50 mailboxes of 99 folders: 5,000 folders, each listing over the cut.
    // The order file lists them backwards, so that the sort moves every one.
    standin::TempFolder folder("demo");
    std::string tree, order;
    for (int box = 0; box < 50; ++box) {
        const std::string name = u8"箱" + std::to_string(box);
        tree += name + "\n";
        std::string keys = name + "\\\r\n";
        for (int sub = 0; sub < 99; ++sub) {
            tree += "  f" + std::to_string(sub) + "\n";
            keys = name + "\\f" + std::to_string(sub) + "\\\r\n" + keys;
        }
        order = keys + order;
    }
    ASSERT_TRUE(standin::WriteFileBytes(folder / "tree.txt", tree));
    ASSERT_TRUE(standin::WriteFileBytes(folder / "order.cfg", standin::Sjis(order)));

    const Finished cut = RunToTheEnd(Arguments(folder / "tree.txt", folder / "order.cfg"));
    ASSERT_EQ(cut.code, 0u) << cut.output.substr(0, 2000);
    // Each long step said before it starts, so the Check is out before the sort.
    EXPECT_TRUE(InOrder(cut.output, {u8"\nBuilding a tree of 5,000 folders…\n",
                                     u8"\nChecking 5,000 lines against 5,000 folders…\n", "\nCheck\n",
                                     u8"\nSorting 5,000 folders by an order file of 5,000 lines…\n", "\nOrder file:\n"}))
        << cut.output.substr(0, 2000);
    const std::string leftOut = u8"  … 4,800 more lines left out; make demo ALL=1 (or --all) shows all\n";
    EXPECT_TRUE(InOrder(cut.output, {"Order file:\n", leftOut, "Folder tree before", leftOut, "Folder tree after it:\n",
                                     leftOut, "What OK", leftOut}))
        << cut.output.substr(0, 2000);
    // Each cut listing shows its first 200 lines: the order file's, and the
    // sorted tree's keys.
    EXPECT_NE(cut.output.find(u8"\n  200: 箱48\\\n" + leftOut), std::string::npos);
    EXPECT_NE(cut.output.find(u8"\n  200: 箱48\\f0\\\n" + leftOut), std::string::npos);
    EXPECT_EQ(cut.output.find(u8"  201: "), std::string::npos);
    EXPECT_NE(cut.output.find(u8"No slips: 5,000 lines place a folder."), std::string::npos);

    const Finished all = RunToTheEnd(Arguments(folder / "tree.txt", folder / "order.cfg") + " --all");
    ASSERT_EQ(all.code, 0u);
    EXPECT_EQ(all.output.find("left out"), std::string::npos);
    EXPECT_NE(all.output.find(u8"\n  5000: 箱0\\\n\nFolder tree before"), std::string::npos);
    EXPECT_NE(all.output.find(u8"  5000: 箱0\\f0\\\n"), std::string::npos);
}

TEST(DemoTest, SetupModeEditsACopyAndShowsTheResult) {
    const std::string sample = std::string(TAMRIVEL_SOURCE_DIR) + "/demo/sample/";
    const std::string original = standin::ReadFileBytes(standin::WindowsPath(sample + "order.cfg"));
    DemoRun demo(Arguments(sample + "tree.txt", sample + "order.cfg") + " --setup");
    ASSERT_TRUE(demo.started());
    HWND dialog = demo.FindWindowOfClass("#32770", 30000);
    ASSERT_NE(dialog, nullptr) << demo.output();
    EXPECT_NE(demo.output().find("The editor works on a copy of"), std::string::npos) << demo.output();

    // The sort put the mailbox 仕事用 first and 個人用 second: move 個人用 up, then OK.
    HWND tree = GetDlgItem(dialog, 1000);
    HTREEITEM second = TreeView_GetNextSibling(tree, TreeView_GetRoot(tree));
    ASSERT_NE(second, nullptr);
    TreeView_SelectItem(tree, second);
    SendMessageA(GetDlgItem(dialog, 1001), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);

    ASSERT_EQ(demo.CloseHostWindowWhenAsked(), 0u) << demo.output();

    const std::string output = demo.output();
    const size_t after = output.find("Order file after the editor");
    ASSERT_NE(after, std::string::npos) << output;
    EXPECT_NE(output.find(u8"  1: 4b3c1a2e.mb\\\n  2: 4b3c1a2e.mb\\アーカイブ\\\n", after), std::string::npos)
        << output;
    EXPECT_NE(output.find(u8"Folder tree after the editor:\n個人用", after), std::string::npos) << output;
    // The person's own file is never touched.
    EXPECT_EQ(standin::ReadFileBytes(standin::WindowsPath(sample + "order.cfg")), original);
}

// Cancel says so, and the copy's path is given as this machine names it too.
TEST(DemoTest, SetupModeSaysCancelAndWhereTheCopyIsOnThisMachine) {
    const std::string sample = std::string(TAMRIVEL_SOURCE_DIR) + "/demo/sample/";
    DemoRun demo(Arguments(sample + "tree.txt", sample + "order.cfg") + " --setup");
    ASSERT_TRUE(demo.started());
    HWND dialog = demo.FindWindowOfClass("#32770", 30000);
    ASSERT_NE(dialog, nullptr) << demo.output();
    SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_EQ(demo.CloseHostWindowWhenAsked(), 0u) << demo.output();
    const std::string output = demo.output();
    EXPECT_NE(output.find("tamrivel.cfg (on this machine: /"), std::string::npos) << output;
    EXPECT_TRUE(InOrder(output, {"The order editor is open", "\nCancelled: the order file is unchanged.\n",
                                 "Close the host window"}))
        << output;
}

TEST(DemoTest, SetupModeWithoutAnOrderFileSavesBesideTheModuleOnly) {
    const std::string sample = std::string(TAMRIVEL_SOURCE_DIR) + "/demo/sample/";
    standin::TempFolder folder("demo");
    const std::string order = folder / "tamrivel.cfg";
    DemoRun demo(Arguments(sample + "tree.txt", order) + " --setup");
    ASSERT_TRUE(demo.started());
    HWND dialog = demo.FindWindowOfClass("#32770", 30000);
    ASSERT_NE(dialog, nullptr) << demo.output();
    EXPECT_NE(demo.output().find("The editor works on an order file beside the module, none yet; " + order +
                                 " is never written: "),
              std::string::npos)
        << demo.output();
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);

    ASSERT_EQ(demo.CloseHostWindowWhenAsked(), 0u) << demo.output();

    const std::string output = demo.output();
    const size_t after = output.find("Order file after the editor (");
    ASSERT_NE(after, std::string::npos) << output;
    EXPECT_NE(output.find(u8"lines):\n  1: 4b3c1a2e.mb\\\n  2: 4b3c1a2e.mb\\!!!!Inbox\\\n", after), std::string::npos)
        << output;
    EXPECT_FALSE(standin::FileExists(order));
}

}  // namespace
