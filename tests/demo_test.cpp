// The demo program, run as a person runs it: its preview of an order file,
// and its setup mode, with the editor driven from outside its process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <mutex>
#include <string>
#include <thread>

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

// The demo as a child process, its standard output collected as it comes.
class DemoRun {
public:
    explicit DemoRun(const std::string& arguments) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE write = nullptr;
        CreatePipe(&read_, &write, &inherit, 0);
        SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = write;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::string command = "\"" + standin::WindowsPath(TAMRIVEL_DEMO_PATH) + "\" " + arguments;
        started_ = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
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

TEST(DemoTest, ThePreviewChecksTheFileAndShowsWhatOkWouldWrite) {
    standin::TempFolder folder("demo");
    ASSERT_TRUE(standin::WriteFileBytes(folder / "tree.txt",
                                        u8"受信箱\n  仕事\n送信箱\n外部 = D:\\Archive\\外部\\\n"));
    // 送信箱\ is listed, 受信箱\ listed twice, one line names nothing.
    ASSERT_TRUE(standin::WriteFileBytes(
        folder / "order.cfg", standin::Sjis(u8"送信箱\\\r\n受信箱\\\r\nもうない\\\r\n受信箱\\\r\n")));
    DemoRun demo(Arguments(folder / "tree.txt", folder / "order.cfg"));
    ASSERT_TRUE(demo.started());
    ASSERT_EQ(demo.Wait(60000), 0u) << demo.output();
    const std::string output = demo.output();
    const std::string expected =
        u8"Check\n"
        u8"  line 3: \"もうない\\\" names no folder of the tree: it orders nothing, and the editor's next OK drops it\n"
        u8"  line 4: repeats line 2, and only the first counts\n"
        u8"  2 lines place a folder; 2 slips.\n"
        u8"\n"
        u8"What OK in the editor would write, without any move (3 lines): it keeps 2, adds 1 and drops 2:\n"
        u8"  1: 送信箱\\\n"
        u8"  2: 受信箱\\\n"
        u8"  3: 受信箱\\仕事\\\n";
    EXPECT_NE(output.find(expected), std::string::npos) << output;
    EXPECT_NE(output.find(u8"Order file (38 bytes, 4 lines):"), std::string::npos) << output;
}

TEST(DemoTest, SetupModeEditsACopyAndShowsTheResult) {
    const std::string sample = std::string(TAMRIVEL_SOURCE_DIR) + "/demo/sample/";
    const std::string original = standin::ReadFileBytes(standin::WindowsPath(sample + "order.cfg"));
    DemoRun demo(Arguments(sample + "tree.txt", sample + "order.cfg") + " --setup");
    ASSERT_TRUE(demo.started());
    HWND dialog = demo.FindWindowOfClass("#32770", 30000);
    ASSERT_NE(dialog, nullptr) << demo.output();
    EXPECT_NE(demo.output().find("The editor works on a copy of"), std::string::npos) << demo.output();

    // The sort put アーカイブ first and 受信箱 second: move 受信箱 up, then OK.
    HWND tree = GetDlgItem(dialog, 1000);
    HTREEITEM second = TreeView_GetNextSibling(tree, TreeView_GetRoot(tree));
    ASSERT_NE(second, nullptr);
    TreeView_SelectItem(tree, second);
    SendMessageA(GetDlgItem(dialog, 1001), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);

    ASSERT_TRUE(demo.WaitForOutput("Close the host window to finish.", 30000)) << demo.output();
    HWND host = demo.FindWindowOfClass("TamrivelStandinHost", 5000);
    ASSERT_NE(host, nullptr);
    PostMessageA(host, WM_CLOSE, 0, 0);
    ASSERT_EQ(demo.Wait(30000), 0u) << demo.output();

    const std::string output = demo.output();
    const size_t after = output.find("Order file after the editor");
    ASSERT_NE(after, std::string::npos) << output;
    EXPECT_NE(output.find(u8"  1: 受信箱\\\n  2: 受信箱\\家族\\\n", after), std::string::npos) << output;
    EXPECT_NE(output.find(u8"Folder tree after the editor:\n受信箱", after), std::string::npos) << output;
    // The person's own file is never touched.
    EXPECT_EQ(standin::ReadFileBytes(standin::WindowsPath(sample + "order.cfg")), original);
}

}  // namespace
