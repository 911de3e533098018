// The demo: runs the real module in the stand-in host on a folder tree and an
// order file, and shows the tree before and after the module's start-up sort.
//
//   tamrivel_demo --tree TREE.txt --order ORDER.cfg [--setup] [--screenshot OUT.png]
//
// TREE.txt is UTF-8 (see demo/preview/tree_file.h); ORDER.cfg is an order file as
// the module reads it (Shift_JIS keys, one a line). --setup opens the host
// window and the order editor for a person to use.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "standin/dialog_watcher.h"
#include "standin/files.h"
#include "standin/host.h"
#include "standin/module_loader.h"
#include "demo/preview/order_check.h"
#include "model/order_model.h"
#include "demo/preview/png.h"
#include "demo/preview/tree_file.h"

namespace {

const char kDataFolder[] = "C:\\BeckyData\\";

void Print(const std::string& utf8) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode, written;
    if (GetConsoleMode(out, &mode)) {
        int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

int Fail(const std::string& message) {
    Print("tamrivel demo: " + message + "\n");
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

class Demo {
public:
    Demo(bool visible) : host_(28, visible) {
        standin::Host().heap = &heap_;
        standin::Host().dataFolder = kDataFolder;
        standin::Host().version = "2.05.05";
    }
    ~Demo() { standin::Host().heap = nullptr; }

    void Build(const std::vector<preview::TreeFileFolder>& folders) {
        std::vector<HTREEITEM> parents;
        for (const preview::TreeFileFolder& folder : folders) {
            parents.resize(static_cast<size_t>(folder.depth));
            HTREEITEM parent = folder.depth ? parents.back() : nullptr;
            std::string name = standin::Sjis(folder.name);
            parents.push_back(folder.fullPath.empty()
                                  ? host_.AddFolder(parent, name)
                                  : host_.AddFolderWithPath(parent, name, standin::Sjis(folder.fullPath)));
        }
        host_.ExpandAll();
    }

    // The tree, each folder marked with the order-file line that places it.
    std::string Describe(const std::vector<model::NumberedLine>& lines) const {
        std::string out;
        Describe(TVI_ROOT, 0, lines, out);
        return out;
    }

    // The keys of the tree's folders in the tree's order, as a save meets them.
    std::vector<std::string> KeysInTreeOrder() const {
        std::vector<std::string> keys;
        CollectKeys(TVI_ROOT, keys);
        return keys;
    }

    standin::FolderTreeHost& host() { return host_; }
    standin::HostHeap& heap() { return heap_; }

private:
    void Describe(HTREEITEM parent, int depth, const std::vector<model::NumberedLine>& lines,
                  std::string& out) const {
        HWND tree = host_.tree();
        for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
            std::string key, note = "outside the data folder: no key";
            if (model::KeyOf(host_.PathOf(item), kDataFolder, &key)) {
                note = "unlisted";
                for (const model::NumberedLine& line : lines) {
                    if (line.text != key) continue;
                    note = "line " + std::to_string(line.number);
                    break;
                }
            }
            std::string line = std::string(static_cast<size_t>(depth) * 2, ' ') + standin::Utf8(standin::ItemText(tree, item));
            size_t width = DisplayWidth(line);
            out += line + std::string(width < 28 ? 28 - width : 2, ' ') + "(" + note + ")\n";
            Describe(item, depth + 1, lines, out);
        }
    }

    void CollectKeys(HTREEITEM parent, std::vector<std::string>& keys) const {
        HWND tree = host_.tree();
        for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
            std::string key;
            if (model::KeyOf(host_.PathOf(item), kDataFolder, &key)) keys.push_back(key);
            CollectKeys(item, keys);
        }
    }

    standin::HostHeap heap_;
    standin::FolderTreeHost host_;
};

void PrintOrderFile(const std::string& title, const std::string& bytes) {
    std::vector<model::NumberedLine> lines = model::NumberedLines(bytes);
    Print(title + " (" + preview::Count(bytes.size(), "byte", "bytes") + ", " +
          preview::Count(lines.size(), "line", "lines") + "):\n");
    for (const model::NumberedLine& line : lines)
        Print("  " + std::to_string(line.number) + ": " + standin::Utf8(line.text) + "\n");
}

// Every slip in the order file, one a line, and a summary.
void PrintCheck(const std::string& order, const std::vector<std::string>& keys) {
    preview::OrderFileCheck check = preview::CheckOrderFile(order, keys, kDataFolder);
    Print("\nCheck\n");
    for (const preview::Slip& slip : check.slips) Print("  " + slip.text + "\n");
    const std::string placing = preview::Count(static_cast<size_t>(check.placingLines), "line", "lines") +
                                (check.placingLines == 1 ? " places" : " place") + " a folder";
    if (check.slips.empty())
        Print("  No slips: " + placing + ".\n");
    else
        Print("  " + placing + "; " + preview::Count(check.slips.size(), "slip", "slips") + ".\n");
}

// What OK in the editor would write, without any move: the tree's keyed
// folders in the order the start-up sort left them.
void PrintSavePreview(const std::string& order, const std::vector<std::string>& keysInTreeOrder) {
    const size_t kLongest = 30;
    preview::SavePreview preview = preview::PreviewSave(order, keysInTreeOrder);
    Print("\nWhat OK in the editor would write, without any move (" +
          preview::Count(keysInTreeOrder.size(), "line", "lines") + "): it keeps " +
          std::to_string(preview.kept) + ", adds " + std::to_string(preview.added) + " and drops " +
          std::to_string(preview.dropped) + (keysInTreeOrder.size() > kLongest ? ".\n" : ":\n"));
    if (keysInTreeOrder.size() > kLongest) return;
    for (size_t i = 0; i < keysInTreeOrder.size(); ++i)
        Print("  " + std::to_string(i + 1) + ": " + standin::Utf8(keysInTreeOrder[i]) + "\n");
}

// Keeps the host window working until the person closes it. Closing destroys
// it without posting anything, so the loop also looks every so often.
void RunHostWindowUntilClosed(HWND window) {
    while (IsWindow(window)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
        standin::PumpMessages();
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string treePath, orderPath, screenshot, treeName, orderName;
    bool setup = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--tree" && i + 1 < argc) treePath = standin::WindowsPath(treeName = argv[++i]);
        else if (arg == "--order" && i + 1 < argc) orderPath = standin::WindowsPath(orderName = argv[++i]);
        else if (arg == "--screenshot" && i + 1 < argc) screenshot = standin::WindowsPath(argv[++i]);
        else if (arg == "--setup") setup = true;
        else return Fail("usage: tamrivel_demo --tree TREE.txt --order ORDER.cfg [--setup] [--screenshot OUT.png]");
    }
    if (treePath.empty() || orderPath.empty()) return Fail("both --tree and --order are needed");

    std::string treeText, order;
    if (!standin::ReadFileBytes(treePath, &treeText)) return Fail(treeName + ": cannot be read");
    if (!standin::ReadFileBytes(orderPath, &order)) return Fail(orderName + ": cannot be read");
    std::vector<preview::TreeFileFolder> folders;
    std::string error;
    if (!preview::ParseTreeFile(treeName, treeText, &folders, &error)) return Fail(error);

    Demo demo(setup || !screenshot.empty());
    demo.Build(folders);
    // Without a person at the screen, dialogs are answered by the watcher;
    // with --setup they are left to the person.
    std::unique_ptr<standin::DialogWatcher> watcher(setup ? nullptr : new standin::DialogWatcher);
    standin::LoadedModule module(standin::BuiltModulePath());
    if (!module.handle()) return Fail("the module could not be loaded from " + standin::BuiltModulePath());
    if (!standin::WriteFileBytes(module.orderFilePath(), order)) return Fail("cannot write the order file");

    std::vector<model::NumberedLine> lines = model::NumberedLines(order);
    Print("Data folder: " + std::string(kDataFolder) + "\n\n");
    PrintOrderFile("Order file", order);
    Print("\nFolder tree before the module's start-up sort:\n" + demo.Describe(lines));
    module.OnStart();
    Print("\nFolder tree after it:\n" + demo.Describe(lines));
    std::vector<std::string> keys = demo.KeysInTreeOrder();
    PrintCheck(order, keys);
    PrintSavePreview(order, keys);

    if (!screenshot.empty() && watcher) {
        bool saved = false;
        watcher->OnNextDialog([&](HWND dialog) {
            HWND tree = standin::DialogTree(dialog);
            standin::SelectTreeItem(tree, standin::FindTreeItem(tree, standin::Sjis(u8"仕事")));
            // Beside the host window, so the picture shows both.
            RECT hostRect, dialogRect;
            GetWindowRect(demo.host().window(), &hostRect);
            SetWindowPos(dialog, HWND_TOP, hostRect.right + 10, hostRect.top, 0, 0, SWP_NOSIZE);
            for (int i = 0; i < 10; ++i) {
                standin::PumpMessages();
                Sleep(50);
            }
            GetWindowRect(dialog, &dialogRect);
            RECT both;
            UnionRect(&both, &hostRect, &dialogRect);
            InflateRect(&both, 10, 10);
            saved = preview::SaveScreenPng(both, screenshot);
            standin::ClickButton(dialog, IDCANCEL);
        });
        module.OnPlugInSetup(demo.host().window());
        if (!saved) return Fail(screenshot + ": screenshot not saved");
        Print("\nScreenshot of the order editor saved.\n");
    }
    if (setup) {
        Print("\nThe editor works on a copy of " + orderName + ", which stays as it is: " +
              module.orderFilePath() + "\n");
        Print("The order editor is open: move folders with the arrows, then press OK.\n");
        module.OnPlugInSetup(demo.host().window());
        std::string saved = standin::ReadFileBytes(module.orderFilePath());
        Print("\n");
        PrintOrderFile("Order file after the editor", saved);
        Print("\nFolder tree after the editor:\n" + demo.Describe(model::NumberedLines(saved)));
        Print("\nClose the host window to finish.\n");
        RunHostWindowUntilClosed(demo.host().window());
    }
    return 0;
}
