// The demo: runs the real module in the stand-in host on a folder tree and an
// order file, and shows the tree before and after the module's start-up sort.
//
//   tamrivel_demo --tree TREE.txt --order ORDER.cfg [--all] [--setup] [--screenshot OUT.png]
//
// TREE.txt is UTF-8 (see demo/preview/tree_file.h), or a folder such as a copy
// of Becky!'s data folder, whose subfolders are the tree; ORDER.cfg is an order file as
// the module reads it (Shift_JIS keys, one a line), and need not exist yet.
// --all lists every line of long listings; --setup opens the host window and
// the order editor for a person to use.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "standin/dialog_watcher.h"
#include "standin/files.h"
#include "standin/host.h"
#include "standin/module_loader.h"
#include "demo/preview/file_read.h"
#include "demo/preview/order_check.h"
#include "model/order_model.h"
#include "demo/preview/png.h"
#include "demo/preview/tree_file.h"

namespace {

// The host's data folder: the sample's, or the folder TREE names, when it
// names a real folder tree rather than a tree file.
std::string g_dataFolder = "C:\\BeckyData\\";
const char kUsage[] = "usage: tamrivel_demo --tree TREE.txt --order ORDER.cfg [--all] [--setup] [--screenshot OUT.png]";

// Listings longer than this are cut, unless --all is given: a tree of 20,000
// folders would otherwise print 60,000 lines.
const size_t kListedLines = 200;

// From this many folders or order-file lines on, a step takes long enough
// under Wine that the demo first says what it is doing.
const size_t kLongStep = 5000;

std::wstring WideFromUtf8(const std::string& utf8) {
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    return wide;
}

std::wstring WideFromAnsi(const std::string& ansi) {
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return wide;
}

std::string Utf8FromWide(const std::wstring& wide) {
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], length, nullptr, nullptr);
    return utf8;
}

// Writes at once, with no buffer between: a line printed before a long step
// is on the screen, or in the pipe, while the step runs.
void WriteTo(DWORD standardHandle, const std::string& utf8) {
    HANDLE out = GetStdHandle(standardHandle);
    DWORD mode, written;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide = WideFromUtf8(utf8);
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

void Print(const std::string& utf8) { WriteTo(STD_OUTPUT_HANDLE, utf8); }

// On the error output: make screenshot keeps only that.
int Fail(const std::string& message) {
    WriteTo(STD_ERROR_HANDLE, "tamrivel demo: " + message + "\n");
    return 2;
}

// Columns a UTF-8 text takes on a terminal: Japanese characters take two.
size_t DisplayWidth(const std::string& utf8) {
    size_t width = 0;
    for (unsigned char c : utf8) {
        if (c < 0x80) width += 1;
        else if (c >= 0xC0) width += 2;
    }
    return width;
}

// The path in the ANSI code page (932 for Becky!'s users), which the module
// and the stand-in host open files by; false when a character of it has no
// place there and Windows would open another path ("josé" as "jose").
bool AnsiFromWide(const std::wstring& wide, std::string* ansi) {
    BOOL lossy = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, &lossy);
    ansi->assign(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &(*ansi)[0],
                        length, nullptr, &lossy);
    return !lossy;
}

struct Options {
    std::string treePath, orderPath, screenshot;  // as Windows opens them
    std::string treeName, orderName;              // as given, in UTF-8, for messages
    bool all = false, setup = false;
};

// A path argument: its name for messages, and the path Windows opens.
bool PathArgument(const std::wstring& argument, std::string* path, std::string* name, std::string* error) {
    *name = Utf8FromWide(argument);
    std::string ansi;
    if (!AnsiFromWide(argument, &ansi)) {
        *error = *name + ": cannot be read: its path holds a character that code page 932 has not, and the "
                         "module opens files by such paths; copy the file to a path without it";
        return false;
    }
    *path = standin::WindowsPath(ansi);
    return true;
}

// Read from the wide command line: the ANSI one would already have replaced
// what code page 932 cannot hold.
bool ParseArguments(Options* options, std::string* error) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) {
        *error = kUsage;
        return false;
    }
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    LocalFree(argv);
    std::string unused;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& arg = arguments[i];
        const bool valued = i + 1 < arguments.size();
        if (arg == L"--tree" && valued) {
            if (!PathArgument(arguments[++i], &options->treePath, &options->treeName, error)) return false;
        } else if (arg == L"--order" && valued) {
            if (!PathArgument(arguments[++i], &options->orderPath, &options->orderName, error)) return false;
        } else if (arg == L"--screenshot" && valued) {
            if (!PathArgument(arguments[++i], &options->screenshot, &unused, error)) return false;
        } else if (arg == L"--all") {
            options->all = true;
        } else if (arg == L"--setup") {
            options->setup = true;
        } else {
            *error = kUsage;
            return false;
        }
    }
    if (options->treePath.empty() || options->orderPath.empty()) {
        *error = "both --tree and --order are needed";
        return false;
    }
    return true;
}

// The person's order file. A user who has never pressed OK in the editor
// has none, and the module's start-up then leaves the tree as it is.
struct OrderFile {
    bool exists;
    std::string bytes;
};

struct Input {
    std::vector<preview::TreeFileFolder> folders;
    OrderFile order;
};

// Reads both files. Refuses, in one line, a tree file it cannot read or
// parse and an order file that exists but cannot be read.
bool ReadInput(const Options& options, Input* input, std::string* refusal) {
    const DWORD treeAttributes = GetFileAttributesA(options.treePath.c_str());
    const bool realTree = treeAttributes != INVALID_FILE_ATTRIBUTES && (treeAttributes & FILE_ATTRIBUTE_DIRECTORY);
    const preview::FileRead tree = realTree ? preview::FileRead{preview::FileReadResult::kRead, "", 0}
                                            : preview::ReadWholeFile(options.treePath);
    if (tree.result != preview::FileReadResult::kRead) {
        *refusal = options.treeName + ": cannot be read: " + preview::WhyUnreadable(tree);
        return false;
    }
    const preview::FileRead order = preview::ReadWholeFile(options.orderPath);
    input->order = {order.result == preview::FileReadResult::kRead, order.bytes};
    if (!input->order.exists && order.result != preview::FileReadResult::kNoSuchFile) {
        *refusal = options.orderName + ": cannot be read: " + preview::WhyUnreadable(order);
        return false;
    }
    if (!realTree) return preview::ParseTreeFile(options.treeName, tree.bytes, &input->folders, refusal);
    g_dataFolder = options.treePath + (options.treePath.back() == ':' ? "" : "\\");
    return preview::ReadFolderTree(options.treePath, &input->folders, refusal);
}

// Says what the demo is about to do, when it will take a while.
void Announce(bool longStep, const std::string& what) {
    if (longStep) Print("\n" + what + "\n");
}

class Demo {
public:
    Demo(bool visible) : host_(28, visible) {
        standin::Host().heap = &heap_;
        standin::Host().dataFolder = g_dataFolder;
        standin::Host().version = "2.05.05";
    }
    ~Demo() { standin::Host().heap = nullptr; }

    void Build(const std::vector<preview::TreeFileFolder>& folders) {
        // Icons as the host's folder pane shows them, for the editor to copy.
        host_.UseImageList();
        std::vector<HTREEITEM> parents, collapsed;
        for (const preview::TreeFileFolder& folder : folders) {
            parents.resize(static_cast<size_t>(folder.depth));
            HTREEITEM parent = folder.depth ? parents.back() : nullptr;
            std::string name = standin::Sjis(folder.name);
            std::string path = standin::Sjis(folder.fullPath);
            if (!folder.diskName.empty())
                path = (parent ? host_.PathOf(parent) : std::string(g_dataFolder)) + standin::Sjis(folder.diskName) + "\\";
            parents.push_back(path.empty() ? host_.AddFolder(parent, name) : host_.AddFolderWithPath(parent, name, path));
            if (folder.collapsed) collapsed.push_back(parents.back());
        }
        host_.ExpandAll();
        for (HTREEITEM item : collapsed) TreeView_Expand(host_.tree(), item, TVE_COLLAPSE);
        TreeView_SelectSetFirstVisible(host_.tree(), TreeView_GetRoot(host_.tree()));
    }

    // The tree, one folder a line, each marked with the order-file line that places it.
    std::vector<std::string> Describe(const std::vector<model::NumberedLine>& lines) const {
        std::unordered_map<std::string, int> placing;  // a text's first line is the one that counts
        for (const model::NumberedLine& line : lines) placing.emplace(line.text, line.number);
        std::vector<std::string> out;
        Describe(TVI_ROOT, 0, placing, out);
        return out;
    }

    // The keys of the tree's folders in the tree's order, as a save meets them.
    std::vector<std::string> KeysInTreeOrder() const {
        std::vector<std::string> keys;
        for (const preview::CheckedFolder& folder : Folders()) keys.push_back(folder.key);
        return keys;
    }

    // The keyed folders with the paths of their shown names, for the check.
    std::vector<preview::CheckedFolder> Folders() const {
        std::vector<preview::CheckedFolder> folders;
        CollectFolders(TVI_ROOT, "", folders);
        return folders;
    }

    standin::FolderTreeHost& host() { return host_; }
    standin::HostHeap& heap() { return heap_; }

private:
    void Describe(HTREEITEM parent, int depth, const std::unordered_map<std::string, int>& placing,
                  std::vector<std::string>& out) const {
        HWND tree = host_.tree();
        for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
            std::string key, note = "outside the data folder: no key";
            if (model::KeyOf(host_.PathOf(item), g_dataFolder, &key)) {
                auto line = placing.find(key);
                note = line == placing.end() ? "unlisted" : "line " + std::to_string(line->second);
            }
            std::string text = std::string(static_cast<size_t>(depth) * 2, ' ') +
                               standin::Utf8(standin::ItemText(tree, item));
            size_t width = DisplayWidth(text);
            out.push_back(text + std::string(width < 28 ? 28 - width : 2, ' ') + "(" + note + ")");
            Describe(item, depth + 1, placing, out);
        }
    }

    void CollectFolders(HTREEITEM parent, const std::string& shownPath,
                        std::vector<preview::CheckedFolder>& folders) const {
        HWND tree = host_.tree();
        for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
            const std::string shown = shownPath + standin::ItemText(tree, item) + "\\";
            std::string key;
            if (model::KeyOf(host_.PathOf(item), g_dataFolder, &key)) folders.push_back({key, shown});
            CollectFolders(item, shown, folders);
        }
    }

    standin::HostHeap heap_;
    standin::FolderTreeHost host_;
};

// Prints the lines of a listing; without --all, a long one only up to
// kListedLines, and then how many lines were left out.
void PrintListing(const std::vector<std::string>& lines, bool all) {
    const size_t shown = all ? lines.size() : std::min(lines.size(), kListedLines);
    std::string out;
    for (size_t i = 0; i < shown; ++i) out += lines[i] + "\n";
    if (shown < lines.size())
        out += "  … " + preview::Count(lines.size() - shown, "more line", "more lines") +
               " left out; make demo ALL=1 (or --all) shows all\n";
    Print(out);
}

// A file saved as UTF-16 has its lines counted as a text editor shows them,
// not as the NULs of its bytes split them.
std::string Sizes(const std::string& bytes) {
    std::string encoding;
    const std::string text = preview::TextAsShiftJis(bytes, &encoding);
    return preview::Count(bytes.size(), "byte", "bytes") + ", " +
           preview::Count(model::NumberedLines(text).size(), "line", "lines") +
           (encoding.empty() ? "" : ", saved as " + encoding);
}

void PrintSummary(const Input& input, const std::string& orderName) {
    Print("Data folder: " + standin::Utf8(g_dataFolder) + "\n");
    Print("Folder tree: " + preview::Count(input.folders.size(), "folder", "folders") + "\n");
    if (input.order.exists) {
        Print("Order file: " + Sizes(input.order.bytes) + "\n");
    } else {
        Print("Order file: none yet, as for a user who has never pressed OK in the editor (" + orderName +
              " does not exist)\n"
              "  The module's start-up finds no order file and leaves the tree as it is.\n");
    }
}

// Every slip in the order file, one a line, and a summary.
void PrintCheck(const OrderFile& order, const preview::OrderFileCheck& check, bool all) {
    Print("\nCheck\n");
    if (!order.exists) {
        Print("  No order file yet: nothing to check.\n");
        return;
    }
    std::vector<std::string> slips;
    for (const preview::Slip& slip : check.slips) slips.push_back("  " + slip.text);
    PrintListing(slips, all);
    const std::string placing = preview::Count(static_cast<size_t>(check.placingLines), "line", "lines") +
                                (check.placingLines == 1 ? " places" : " place") + " a folder";
    if (check.slips.empty())
        Print("  No slips: " + placing + ".\n");
    else
        Print("  " + placing + "; " + preview::Count(check.slips.size(), "slip", "slips") + ".\n");
    // Every line wrong at once is most often a file of the names the tree shows.
    if (check.placingLines == 0 && !check.slips.empty() && check.encoding.empty())
        Print("  No line places a folder. Lines are folder paths on disk less the data folder, not the names the "
              "tree shows; the safe way is to press OK in the editor once and then reorder the lines it wrote.\n");
}

// The order file line by line, as the module reads it; a line the check
// reads as UTF-8 is shown as such.
void PrintOrderFile(const std::string& title, const std::string& bytes, const preview::OrderFileCheck& check,
                    bool all) {
    Print(title + "\n");
    // A file saved whole as UTF-8 or UTF-16 is listed as it says it, by its lines.
    const std::vector<model::NumberedLine> lines = model::NumberedLines(check.checkedFile);
    const std::vector<std::string> texts = preview::ListedLines(bytes, check);
    std::vector<std::string> listing;
    for (size_t i = 0; i < lines.size(); ++i)
        listing.push_back("  " + std::to_string(lines[i].number) + ": " + texts[i]);
    PrintListing(listing, all);
}

void PrintTree(const std::string& title, const std::vector<std::string>& tree, bool all) {
    Print(title + "\n");
    PrintListing(tree, all);
}

// What OK in the editor would write, without any move: the tree's keyed
// folders in the order the start-up sort left them, then the file's lines
// that name no folder of this tree (another data folder's, a mailbox away
// for a while), kept for when their folders are back.
void PrintSavePreview(const OrderFile& order, const preview::OrderFileCheck& check,
                      const std::vector<std::string>& keysInTreeOrder, bool all) {
    const preview::SavePreview preview = preview::PreviewSave(order.exists ? order.bytes : "", keysInTreeOrder);
    const std::vector<std::string> lines = model::Lines(preview.file);
    const std::string title = "What OK in the editor would write, without any move (" +
                              preview::Count(lines.size(), "line", "lines") + "): ";
    if (order.exists) {
        Print(title + "it keeps " + preview::Thousands(static_cast<size_t>(preview.kept)) + ", adds " +
              preview::Thousands(static_cast<size_t>(preview.added)) + ", keeps " +
              preview::Count(static_cast<size_t>(preview.carried), "line", "lines") +
              " of folders this tree does not show after them, and drops " +
              preview::Count(static_cast<size_t>(preview.dropped), "repeat", "repeats") + ":\n");
    } else {
        Print(title + "a first order file, every folder with a key in the tree's order:\n");
    }
    // A kept line is shown as the order file's listing shows it (a UTF-8
    // line as what it says, tagged), a folder's line by its Shift_JIS bytes.
    std::map<std::string, std::string> listedAs;
    if (order.exists && check.encoding.empty()) {
        const std::vector<model::NumberedLine> fileLines = model::NumberedLines(order.bytes);
        const std::vector<std::string> listed = preview::ListedLines(order.bytes, check);
        for (size_t i = 0; i < fileLines.size() && i < listed.size(); ++i) listedAs.emplace(fileLines[i].text, listed[i]);
    }
    std::vector<std::string> listing;
    for (size_t i = 0; i < lines.size(); ++i) {
        auto found = i < keysInTreeOrder.size() ? listedAs.end() : listedAs.find(lines[i]);
        listing.push_back("  " + std::to_string(i + 1) + ": " +
                          (found != listedAs.end() ? found->second : standin::Utf8(lines[i])));
    }
    PrintListing(listing, all);
}

// What the order file beside the module is before the editor opens, to
// tell a cancelled editor afterwards: every OK that saves writes a new copy
// of the file, with a new time, even when its lines are the same.
struct OrderFileState {
    bool exists;
    FILETIME written;
};

OrderFileState StateOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {false, {}};
    return {true, data.ftLastWriteTime};
}

bool Unchanged(const OrderFileState& before, const OrderFileState& after) {
    return before.exists == after.exists &&
           (!before.exists || CompareFileTime(&before.written, &after.written) == 0);
}

// The path as this machine names it when Windows programs run under Wine,
// where the person looks for the file; empty on Windows itself.
std::string MachinePath(const std::string& windowsPath) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!found) return "";
    const std::wstring wide = WideFromAnsi(windowsPath);
    char* unixPath = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(found))(wide.c_str());
    if (!unixPath) return "";
    const std::string path = unixPath;  // UTF-8, in a block of the process heap
    HeapFree(GetProcessHeap(), 0, unixPath);
    return path;
}

// "C:\\…\\tamrivel.cfg (on this machine: /tmp/…/tamrivel.cfg)".
std::string BothPaths(const std::string& windowsPath) {
    const std::string machine = MachinePath(windowsPath);
    return standin::Utf8(windowsPath) + (machine.empty() ? "" : " (on this machine: " + machine + ")");
}

// The order file the editor left beside the module, and the tree it sorts.
void PrintAfterEditor(const Demo& demo, const std::string& orderFilePath, const OrderFileState& before, bool all) {
    Print("\n");
    if (Unchanged(before, StateOf(orderFilePath))) {
        Print(before.exists ? "Cancelled: the order file is unchanged.\n" : "Cancelled: there is still no order file.\n");
        return;
    }
    preview::FileRead saved = preview::ReadWholeFile(orderFilePath);
    if (saved.result == preview::FileReadResult::kNoSuchFile) {
        Print("The order file was deleted while the editor was open.\n");
        return;
    }
    if (saved.result != preview::FileReadResult::kRead) {
        Print("The order file the editor left cannot be read: " + preview::WhyUnreadable(saved) + "\n");
        return;
    }
    const preview::OrderFileCheck check = preview::CheckOrderFile(saved.bytes, demo.Folders(), g_dataFolder);
    PrintOrderFile("Order file after the editor (" + Sizes(saved.bytes) + "):", saved.bytes, check, all);
    PrintTree("\nFolder tree after the editor:", demo.Describe(model::NumberedLines(saved.bytes)), all);
}

// Lets the windows paint before a picture is taken.
void PaintAWhile() {
    for (int i = 0; i < 10; ++i) {
        standin::PumpMessages();
        Sleep(50);
    }
}

bool SaveWindowsPng(std::initializer_list<HWND> windows, const std::string& path) {
    RECT both = {}, rect;
    for (HWND window : windows) {
        GetWindowRect(window, &rect);
        UnionRect(&both, &both, &rect);
    }
    InflateRect(&both, 10, 10);
    return preview::SaveScreenPng(both, path);
}

// The editor beside the host window; when the order file has lines that
// name no folder, also the list of them over the editor, as it opens, in
// a second picture beside the first ("editor-check.png" for "editor.png").
bool SaveEditorScreenshot(Demo& demo, const standin::LoadedModule& module, standin::DialogWatcher& watcher,
                          const std::string& screenshot) {
    bool saved = false;
    const std::string checkShot = screenshot.substr(0, screenshot.rfind('.')) + "-check.png";
    DeleteFileA(checkShot.c_str());
    watcher.OnNextDialog([&](HWND dialog) {
        HWND tree = standin::DialogTree(dialog);
        standin::SelectTreeItem(tree, standin::FindTreeItem(tree, standin::Sjis(u8"仕事")));
        RECT hostRect;
        GetWindowRect(demo.host().window(), &hostRect);
        SetWindowPos(dialog, HWND_TOP, hostRect.right + 10, hostRect.top, 0, 0, SWP_NOSIZE);
        PaintAWhile();
        saved = SaveWindowsPng({demo.host().window(), dialog}, screenshot);
        const int kCheckOpen = 1004;
        if (saved && GetDlgItem(dialog, kCheckOpen)) {
            watcher.OnNextDialog([&](HWND list) {
                PaintAWhile();
                saved = SaveWindowsPng({dialog, list}, checkShot);
                standin::ClickButton(list, IDCANCEL);
            });
            standin::ClickButton(dialog, kCheckOpen);
        }
        standin::ClickButton(dialog, IDCANCEL);
    });
    module.OnPlugInSetup(demo.host().window());
    return saved;
}

// Keeps the host window working until the person closes it. Closing destroys
// it without posting anything, so the loop also looks every so often.
void RunHostWindowUntilClosed(HWND window) {
    while (IsWindow(window)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
        standin::PumpMessages();
    }
}

void RunEditor(Demo& demo, const standin::LoadedModule& module, const Options& options, const OrderFile& order) {
    const std::string copy = BothPaths(module.orderFilePath());
    if (order.exists)
        Print("\nThe editor works on a copy of " + options.orderName + ", which stays as it is: " + copy + "\n");
    else
        Print("\nThe editor works on an order file beside the module, none yet; " + options.orderName +
              " is never written: " + copy + "\n");
    Print("The order editor is open: move folders with the arrows, then press OK, or Cancel.\n");
    const OrderFileState before = StateOf(module.orderFilePath());
    module.OnPlugInSetup(demo.host().window());
    PrintAfterEditor(demo, module.orderFilePath(), before, options.all);
    Print("\nClose the host window to finish.\n");
    RunHostWindowUntilClosed(demo.host().window());
}

void BuildTree(Demo& demo, const std::vector<preview::TreeFileFolder>& folders) {
    Announce(folders.size() >= kLongStep,
             "Building a tree of " + preview::Count(folders.size(), "folder", "folders") + "…");
    demo.Build(folders);
}

// The module's start-up sort, shown: the Check first, while the tree is as
// built, then the listings, cut unless `all`.
void ShowStartUpSort(Demo& demo, const standin::LoadedModule& module, const OrderFile& order, bool all) {
    const std::vector<model::NumberedLine> lines = model::NumberedLines(order.bytes);
    const std::vector<preview::CheckedFolder> folders = demo.Folders();
    const bool longSteps = order.exists && (folders.size() >= kLongStep || lines.size() >= kLongStep);
    const std::string lineCount = preview::Count(lines.size(), "line", "lines");
    const std::string folderCount = preview::Count(folders.size(), "folder", "folders");

    Announce(longSteps, "Checking " + lineCount + " against " + folderCount + "…");
    const preview::OrderFileCheck check = preview::CheckOrderFile(order.bytes, folders, g_dataFolder);
    PrintCheck(order, check, all);

    const std::vector<std::string> before = demo.Describe(lines);
    Announce(longSteps, "Sorting " + folderCount + " by an order file of " + lineCount + "…");
    module.OnStart();

    if (order.exists) PrintOrderFile("\nOrder file:", order.bytes, check, all);
    PrintTree("\nFolder tree before the module's start-up sort:", before, all);
    PrintTree(order.exists ? "\nFolder tree after it:" : "\nFolder tree after it, the same: there is no order file:",
              demo.Describe(lines), all);
    Print("\n");
    PrintSavePreview(order, check, demo.KeysInTreeOrder(), all);
}

}  // namespace

int main() {
    Options options;
    Input input;
    std::string error;
    if (!ParseArguments(&options, &error) || !ReadInput(options, &input, &error)) return Fail(error);
    PrintSummary(input, options.orderName);

    Demo demo(options.setup || !options.screenshot.empty());
    BuildTree(demo, input.folders);
    // Without a person at the screen, dialogs are answered by the watcher;
    // with --setup they are left to the person.
    std::unique_ptr<standin::DialogWatcher> watcher(options.setup ? nullptr : new standin::DialogWatcher);
    standin::LoadedModule module(standin::BuiltModulePath());
    if (!module.handle()) return Fail("the module could not be loaded from " + standin::BuiltModulePath());
    // Without an order file of the person's there is none beside the module either.
    if (input.order.exists && !standin::WriteFileBytes(module.orderFilePath(), input.order.bytes))
        return Fail("cannot write the order file beside the module");

    ShowStartUpSort(demo, module, input.order, options.all);
    if (!options.screenshot.empty() && watcher) {
        if (!SaveEditorScreenshot(demo, module, *watcher, options.screenshot))
            return Fail(options.screenshot + ": screenshot not saved");
        Print("\nScreenshot of the order editor saved.\n");
    }
    if (options.setup) RunEditor(demo, module, options, input.order);
    return 0;
}
