// What watching the host's tree costs the host: the time of the host's own
// messages to its tree and to its other windows, without the watch (after
// BKC_OnExit) and with it (after BKC_OnStart), alternating; and the time of
// the one re-sort after a change in a tree of 10,000 folders. Prints one
// table; compare figures within one run, as the machine is shared.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "standin/files.h"
#include "standin/host.h"
#include "standin/module_loader.h"

namespace {

// Nanoseconds a message, over `count` messages.
double NanosecondsEach(int count, const std::function<void()>& message) {
    double start = Now();
    for (int i = 0; i < count; ++i) message();
    return (Now() - start) * 1e9 / count;
}

// Runs the host's queue until no message comes for `quietMilliseconds`;
// answers the longest single dispatch, in seconds: the re-sort, when one ran.
double LongestDispatchUntilQuiet(DWORD quietMilliseconds) {
    double longest = 0;
    DWORD lastMessage = GetTickCount();
    while (GetTickCount() - lastMessage < quietMilliseconds) {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        double start = Now();
        DispatchMessageA(&message);
        longest = std::max(longest, Now() - start);
        lastMessage = GetTickCount();
    }
    return longest;
}

struct Costs {
    std::vector<double> treeRead, treeItem, treeInsertDelete, otherWindow;
};

void MeasureMessages(standin::FolderTreeHost& host, Costs* costs) {
    HWND tree = host.tree();
    HTREEITEM first = TreeView_GetRoot(tree);
    costs->treeRead.push_back(NanosecondsEach(100000, [&] { TreeView_GetNextSibling(tree, first); }));
    costs->treeItem.push_back(NanosecondsEach(100000, [&] {
        char text[100];
        TVITEMA item = {};
        item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM;
        item.hItem = first;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }));
    costs->otherWindow.push_back(
        NanosecondsEach(100000, [&] { SendMessageA(host.window(), WM_GETTEXTLENGTH, 0, 0); }));
    LPARAM record = host.NewRecord("C:\\BeckyData\\Bench\\");
    costs->treeInsertDelete.push_back(NanosecondsEach(2000, [&] {
        TreeView_DeleteItem(tree, host.AddItem(nullptr, "Bench", record));
    }));
    // The change settles and is sorted before the next measurement.
    LongestDispatchUntilQuiet(800);
}

void PrintRow(const char* what, const std::vector<double>& without, const std::vector<double>& with) {
    double a = Median(without), b = Median(with);
    std::printf("%-38s %10.0f %10.0f %8.2fx\n", what, a, b, b / a);
}

void HostCost(standin::LoadedModule& module, standin::FolderTreeHost& host) {
    Costs without, with;
    for (int round = 0; round < 5; ++round) {
        module.OnExit();
        MeasureMessages(host, &without);
        module.OnStart();
        MeasureMessages(host, &with);
    }
    std::printf("The host's own messages, ns each (median of 5)   unwatched    watched    ratio\n");
    PrintRow("tree: TVM_GETNEXTITEM", without.treeRead, with.treeRead);
    PrintRow("tree: TVM_GETITEMA with text", without.treeItem, with.treeItem);
    PrintRow("tree: TVM_INSERTITEMA + TVM_DELETEITEM", without.treeInsertDelete, with.treeInsertDelete);
    PrintRow("main window: WM_GETTEXTLENGTH", without.otherWindow, with.otherWindow);
}

// A tree of 10,000 folders sorted at start-up by a shuffled order file that
// lists them all; then the host adds one folder first in a group, and the
// module sorts the tree again once the change settles.
void ResortAfterAChange(const std::string& modulePath, bool nested) {
    standin::FolderTreeHost host(28);
    std::vector<HTREEITEM> items;
    std::vector<std::string> keys;
    const int kFolders = 10000, kBranching = 3;
    for (int i = 0; i < kFolders; ++i) {
        char name[32];
        wsprintfA(name, "Folder%05d", i);
        HTREEITEM parent = nested && i > 0 ? items[static_cast<size_t>((i - 1) / kBranching)] : nullptr;
        items.push_back(host.AddFolder(parent, name));
        keys.push_back(host.PathOf(items.back()).substr(standin::Host().dataFolder.size()));
    }
    std::shuffle(keys.begin(), keys.end(), std::mt19937(20261208));
    std::string order;
    for (const std::string& key : keys) order += key + "\r\n";
    standin::LoadedModule module(modulePath);
    standin::WriteFileBytes(module.orderFilePath(), order);
    double start = Now();
    module.OnStart();
    double startUp = Now() - start;
    LongestDispatchUntilQuiet(500);
    HTREEITEM parent = nested ? items[1] : nullptr;
    host.AddFolder(parent, "New", TVI_FIRST);
    double resort = LongestDispatchUntilQuiet(800);
    std::printf("10,000 folders %-7s start-up sort %7.3f s; re-sort after one new folder %7.3f s\n",
                nested ? "nested:" : "flat:", startUp, resort);
    module.OnExit();
}

}  // namespace

int main() {
    standin::HostHeap heap;
    standin::Host().heap = &heap;
    const std::string modulePath = standin::BuiltModulePath();
    {
        standin::FolderTreeHost host(28);
        for (int i = 0; i < 100; ++i) host.AddFolder(nullptr, "Folder" + std::to_string(i));
        standin::LoadedModule module(modulePath);
        std::string order;
        for (int i = 99; i >= 0; --i) order += "Folder" + std::to_string(i) + "\\\r\n";
        standin::WriteFileBytes(module.orderFilePath(), order);
        HostCost(module, host);
    }
    std::printf("\n");
    ResortAfterAChange(modulePath, false);
    ResortAfterAChange(modulePath, true);
    return 0;
}
