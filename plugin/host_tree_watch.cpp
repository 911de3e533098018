#include "plugin/host_tree_watch.h"

#include "order/tree_sort.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"

namespace {

// How long the tree must stay unchanged before it is sorted: a mail check
// or a sync rebuilds the tree in one burst of messages, sorted once after.
// While a change waits, the timer looks every tick.
const DWORD kSettleMilliseconds = 300;
const UINT kTickMilliseconds = 100;

// The trees whose procedure passes through the module's. Normally one; a
// tree stays listed while another subclass stands on top of the module's,
// and a later start-up may hand over another tree meanwhile.
const int kMostSubclassedTrees = 4;

struct SubclassedTree {
    HWND tree;
    WNDPROC original;
    bool unicode;
};

struct Watch {
    SubclassedTree trees[kMostSubclassedTrees];
    HWND watched;      // the tree whose changes count, null when none
    bool pinned;       // the module stays loaded: another subclass stands on ours
    DWORD lastChange;  // GetTickCount of the last change
    UINT_PTR timer;    // the thread timer that waits for the changes to settle, 0 when none
};
Watch g_watch;

LRESULT CALLBACK WatchedTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam);

SubclassedTree* Find(HWND tree) {
    for (SubclassedTree& entry : g_watch.trees) {
        if (entry.tree == tree) return &entry;
    }
    return nullptr;
}

bool OnTop(const SubclassedTree& entry) {
    return WindowProcedureOf(entry.tree, entry.unicode) == WatchedTreeProc;
}

// Another subclass now calls ours: the module must outlive it, so it is
// kept loaded from here on (a reference that is never given back).
void KeepModuleLoaded() {
    if (g_watch.pinned) return;
    HMODULE self = nullptr;
    g_watch.pinned = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                        reinterpret_cast<LPCSTR>(&g_watch), &self) != FALSE;
}

// Takes the module's procedure out of the tree's chain where it is on top;
// elsewhere it stays, passing messages on.
void Unsubclass(SubclassedTree* entry) {
    if (OnTop(*entry) && SubclassWindow(entry->tree, entry->unicode, entry->original)) {
        *entry = SubclassedTree{};
        return;
    }
    KeepModuleLoaded();
}

void StopTimer() {
    if (g_watch.timer) KillTimer(nullptr, g_watch.timer);
    g_watch.timer = 0;
}

// The host is busy with its tree: the user drags a folder or renames one,
// or the editor shows a copy of it, whose OK sorts the tree itself. A drag
// may hold the mouse for the tree's parent or for OLE's own window, and a
// menu loop holds it too: any capture on the thread waits.
bool HostBusyWithTree(HWND tree) {
    return g_module.editorRunning || GetCapture() != nullptr || TreeGetEditControl(tree) != nullptr;
}

void CALLBACK SettleTimerProc(HWND, UINT, UINT_PTR timer, DWORD) {
    if (timer != g_watch.timer) {
        KillTimer(nullptr, timer);
        return;
    }
    HWND tree = g_watch.watched;
    if (!tree || !TreeIsLive(tree)) {
        StopTimer();
        return;
    }
    // A sort still running (something pumped messages inside it) holds the
    // order list: this one waits for the next tick.
    if (GetTickCount() - g_watch.lastChange < kSettleMilliseconds || HostBusyWithTree(tree) ||
        g_module.sortingTree)
        return;
    StopTimer();
    SortFolderTree(tree);
}

void NoteChange() {
    g_watch.lastChange = GetTickCount();
    // Ticks until the changes settle; one that cannot be set now is tried
    // again at the next change.
    if (!g_watch.timer) g_watch.timer = SetTimer(nullptr, 0, kTickMilliseconds, SettleTimerProc);
}

bool IsTreeQuery(UINT message) { return message >= TV_FIRST && message < TV_FIRST + 0x100; }

bool ChangesStructure(UINT message) {
    switch (message) {
        case TVM_INSERTITEMA:
        case TVM_INSERTITEMW:
        case TVM_DELETEITEM:
        case TVM_SORTCHILDREN:
        case TVM_SORTCHILDRENCB:
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK WatchedTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    SubclassedTree* entry = Find(tree);
    // Not listed: a message that reached the procedure while a window went;
    // nothing to pass it on to but the default.
    if (!entry) return DefaultWindowProcedure(tree, message, wParam, lParam);
    const SubclassedTree passOn = *entry;
    // Another subclass put on top of the module's is seen at the tree's next
    // window message; the tree's own queries, the host's most frequent
    // messages, pass at the cost of the call alone.
    if (!g_watch.pinned && !IsTreeQuery(message) && !OnTop(passOn)) KeepModuleLoaded();
    if (message == WM_NCDESTROY) {
        // The window's last message: nothing of it is kept past it.
        *entry = SubclassedTree{};
        if (tree == g_watch.watched) {
            StopTimer();
            g_watch.watched = nullptr;
        }
    }
    LRESULT result = CallWindowProcedure(passOn.original, passOn.unicode, tree, message, wParam, lParam);
    if (tree == g_watch.watched && tree != g_module.sortingTree && ChangesStructure(message)) NoteChange();
    return result;
}

}  // namespace

void WatchHostTree(HWND hostTree) {
    if (hostTree != g_watch.watched) StopWatchingHostTree();
    if (!TreeIsLive(hostTree)) return;
    g_watch.watched = hostTree;
    if (Find(hostTree)) return;
    SubclassedTree* free = Find(nullptr);
    if (!free) {
        g_watch.watched = nullptr;
        return;
    }
    const bool unicode = IsWindowUnicode(hostTree) != FALSE;
    WNDPROC original = SubclassWindow(hostTree, unicode, WatchedTreeProc);
    if (!original) {
        g_watch.watched = nullptr;
        return;
    }
    *free = SubclassedTree{hostTree, original, unicode};
}

void StopWatchingHostTree() {
    StopTimer();
    g_watch.watched = nullptr;
    for (SubclassedTree& entry : g_watch.trees) {
        if (!entry.tree) continue;
        if (IsWindow(entry.tree))
            Unsubclass(&entry);
        else
            entry = SubclassedTree{};
    }
}

TreeQueriesStraightTo::Route RouteUnderWatch(HWND tree) {
    const SubclassedTree* entry = tree ? Find(tree) : nullptr;
    // Called from another thread, a question must travel to the tree's
    // thread as a sent message does.
    if (!entry || !OnTop(*entry) || GetWindowThreadProcessId(tree, nullptr) != GetCurrentThreadId())
        return {tree, nullptr, nullptr, false};
    return {tree, WatchedTreeProc, entry->original, entry->unicode};
}
