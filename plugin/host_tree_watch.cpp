#include "plugin/host_tree_watch.h"

#include "order/tree_sort.h"
#include "plugin/module_lifetime.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"

namespace {

// How long the tree must stay unchanged before it is sorted: a mail check
// or a sync rebuilds the tree in one burst of messages, sorted once after.
const DWORD kSettleMilliseconds = 300;
// The timer ticks often only while a change settles. While the host drags
// or edits a label it looks twice a second whether that is over; otherwise
// once a second, whether the module is still in the tree's chain.
const UINT kSettlingTick = 100;
const UINT kBusyTick = 500;
const UINT kQuietTick = 1000;
// Whatever happens to the tree, at most two re-sorts a second.
const DWORD kLeastBetweenSorts = 500;
// A file that another program holds is tried at each settling tick, for
// five seconds; then again at the next change.
const int kMostReadTries = 50;

// Another party that restores an order of its own after each change (a
// second ordering plug-in) undoes each of the module's sorts within the
// settle time of its own. A group the module sorted that is sorted by
// somebody else that soon, this many times running, is left to them until
// a folder is added or removed.
const DWORD kUndoneWithin = 1000;
const int kUndoneTimesToGiveWay = 3;
const int kRememberedGroups = 8;

struct SortedGroup {
    HTREEITEM parent;  // null: a free place
    DWORD sortedAt;    // GetTickCount of the module's last sort of it
    int undone;        // the other party's sorts of it soon after, running
    bool givenWay;
};

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
    HWND watched;          // the tree whose changes count, null when none
    bool changePending;    // a change not sorted yet
    bool hostBusy;         // the last tick found the host busy with its tree
    DWORD lastChange;      // GetTickCount of the last change
    DWORD lastSort;        // GetTickCount of the module's last re-sort
    int readTries;         // re-sorts that found the file held since the last change
    UINT_PTR timer;        // the thread timer, 0 when none
    UINT tick;             // its interval
    SortedGroup groups[kRememberedGroups];
};
Watch g_watch;

// What names the module's procedure to the probe: this copy of the
// module's state, as another copy may watch the same tree.
const void* const kProbeName = &g_watch;

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

// Whether the tree's messages still reach the module's procedure: on top,
// or under another subclass that passes them on. A host that subclassed its
// tree with the common controls' SetWindowSubclass before the module and
// removes it after restores the procedure it saved, cutting the module out.
bool StillInChain(const SubclassedTree& entry) {
    if (OnTop(entry)) return true;
    return ProbeReachesProcedure(entry.tree, kProbeName);
}

bool Subclass(HWND tree) {
    SubclassedTree* free = Find(nullptr);
    if (!free) return false;
    const bool unicode = IsWindowUnicode(tree) != FALSE;
    WNDPROC original = SubclassWindow(tree, unicode, WatchedTreeProc);
    if (!original) return false;
    *free = SubclassedTree{tree, original, unicode};
    return true;
}

// Takes the module's procedure out of the tree's chain. Under another
// subclass it stays, passing messages on: undoing it would cut that one
// off. Answers whether it is out.
bool Unsubclass(SubclassedTree* entry) {
    if ((OnTop(*entry) && SubclassWindow(entry->tree, entry->unicode, entry->original)) || !StillInChain(*entry)) {
        *entry = SubclassedTree{};
        return true;
    }
    return false;
}

void StopTimer() {
    if (g_watch.timer) KillTimer(nullptr, g_watch.timer);
    g_watch.timer = 0;
}

void CALLBACK WatchTimerProc(HWND, UINT, UINT_PTR timer, DWORD);

// A timer the platform refuses leaves none: the next change asks again.
void SetTick(UINT interval) {
    if (g_watch.timer && g_watch.tick == interval) return;
    StopTimer();
    g_watch.timer = SetTimer(nullptr, 0, interval, WatchTimerProc);
    g_watch.tick = interval;
}

// The host is busy with its tree: the user drags a folder or renames one,
// or the editor shows a copy of it, whose OK sorts the tree itself. A drag
// may hold the mouse for the tree's parent or for OLE's own window, and a
// menu loop holds it too: any capture on the thread waits.
bool HostBusyWithTree(HWND tree) { return GetCapture() != nullptr || TreeGetEditControl(tree) != nullptr; }

SortedGroup* FindGroup(HTREEITEM parent) {
    for (SortedGroup& group : g_watch.groups) {
        if (group.parent == parent) return &group;
    }
    return nullptr;
}

bool GivenWay(HTREEITEM parent) {
    const SortedGroup* group = FindGroup(parent);
    return group && group->givenWay;
}

// A folder added or removed: the other party's order and the module's are
// both about other folders now.
void ForgetGroups() {
    for (SortedGroup& group : g_watch.groups) group = SortedGroup{};
}

void NoteOwnSort(HTREEITEM parent, DWORD now) {
    SortedGroup* group = FindGroup(parent);
    if (!group) {
        group = &g_watch.groups[0];
        for (SortedGroup& candidate : g_watch.groups) {
            if (!candidate.parent) {
                group = &candidate;
                break;
            }
            if (now - candidate.sortedAt > now - group->sortedAt) group = &candidate;
        }
        *group = SortedGroup{parent, now, 0, false};
        return;
    }
    group->sortedAt = now;
}

void NoteOthersSort(HTREEITEM parent, DWORD now) {
    SortedGroup* group = FindGroup(parent);
    if (!group) return;
    if (now - group->sortedAt >= kUndoneWithin) {
        group->undone = 0;
        return;
    }
    if (++group->undone >= kUndoneTimesToGiveWay) group->givenWay = true;
}

void NoteChange() {
    g_watch.lastChange = GetTickCount();
    g_watch.changePending = true;
    g_watch.readTries = 0;
    // While the host or the editor is busy with the tree, the timer keeps
    // its slow pace (or none, for the editor), and looks once that is over.
    if (!g_module.editorRunning && !g_watch.hostBusy) SetTick(kSettlingTick);
}

void ResortIfDue(HWND tree) {
    DWORD now = GetTickCount();
    if (now - g_watch.lastChange < kSettleMilliseconds || now - g_watch.lastSort < kLeastBetweenSorts ||
        g_module.sortingTree)
        return;
    // Changes the host makes inside the sort (it may pump messages) make
    // it pending again.
    g_watch.changePending = false;
    SortOutcome outcome = SortFolderTree(tree, GivenWay);
    if (g_watch.watched != tree) return;  // the host let the module go inside the sort
    if (outcome != SortOutcome::kNotNow) {
        g_watch.lastSort = GetTickCount();
        return;
    }
    // Never waited for on the host's thread: a held file is tried again
    // at the next tick, and after a while only at the next change.
    if (++g_watch.readTries < kMostReadTries) g_watch.changePending = true;
}

// One look at the tree: the module still in its chain, a change to sort.
void Look() {
    HWND tree = g_watch.watched;
    if (!tree || !TreeIsLive(tree)) {
        StopTimer();
        g_watch.watched = nullptr;
        return;
    }
    // The editor's end resumes the watch.
    if (g_module.editorRunning) {
        StopTimer();
        return;
    }
    SubclassedTree* entry = Find(tree);
    if (!entry || !StillInChain(*entry)) {
        // Nothing calls the old procedure any more: forgotten, not undone.
        if (entry) *entry = SubclassedTree{};
        if (!Subclass(tree)) {
            SetTick(kQuietTick);
            return;
        }
        // What changed while the module was out went unseen.
        NoteChange();
    }
    g_watch.hostBusy = HostBusyWithTree(tree);
    if (g_watch.changePending && !g_watch.hostBusy) ResortIfDue(tree);
    if (!g_watch.watched) return;
    if (!g_watch.changePending)
        SetTick(kQuietTick);
    else
        SetTick(g_watch.hostBusy ? kBusyTick : kSettlingTick);
}

void CALLBACK WatchTimerProc(HWND, UINT, UINT_PTR timer, DWORD) {
    ModuleCall call;
    if (timer != g_watch.timer) {
        KillTimer(nullptr, timer);
        return;
    }
    Look();
}

bool IsTreeQuery(UINT message) { return message >= TV_FIRST && message < TV_FIRST + 0x100; }

// A sort of a group by anyone: the module's own are told apart by their
// comparison, so that a change the host makes inside one still counts.
void NoteSort(UINT message, LPARAM lParam) {
    HTREEITEM parent = SortMessageParent(message, lParam);
    if (!parent) return;
    DWORD now = GetTickCount();
    if (SortMessageComparison(message, lParam) == CompareFolders) {
        NoteOwnSort(parent, now);
        return;
    }
    NoteOthersSort(parent, now);
    NoteChange();
}

void NoteStructure(HWND tree, UINT message, LPARAM lParam) {
    switch (message) {
        case TVM_INSERTITEMA:
        case TVM_INSERTITEMW:
        case TVM_DELETEITEM:
            if (tree != g_watch.watched) return;
            ForgetGroups();
            NoteChange();
            return;
        case TVM_SORTCHILDREN:
        case TVM_SORTCHILDRENCB:
            if (tree == g_watch.watched) NoteSort(message, lParam);
            return;
        default:
            return;
    }
}

LRESULT CALLBACK WatchedTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    ModuleCall call;
    SubclassedTree* entry = Find(tree);
    // Not listed: a message that reached the procedure while a window went;
    // nothing to pass it on to but the default.
    if (!entry) return DefaultWindowProcedure(tree, message, wParam, lParam);
    if (IsProbeFor(message, wParam, lParam, kProbeName)) return kProbeAnswer;
    const SubclassedTree passOn = *entry;
    if (message == WM_NCDESTROY) {
        // The window's last message: nothing of it is kept past it.
        *entry = SubclassedTree{};
        if (tree == g_watch.watched) {
            StopTimer();
            g_watch.watched = nullptr;
        }
    }
    // The tree's own queries, the host's most frequent messages, pass at
    // the cost of the call alone.
    if (IsTreeQuery(message)) NoteStructure(tree, message, lParam);
    return CallWindowProcedure(passOn.original, passOn.unicode, tree, message, wParam, lParam);
}

}  // namespace

void WatchHostTree(HWND hostTree, bool sortDue) {
    if (hostTree != g_watch.watched) StopWatchingHostTree();
    if (!TreeIsLive(hostTree)) return;
    // Nothing of the module may stay in the host unless the module stays
    // mapped for as long as the host can call it.
    if (!HoldModuleLoaded()) return;
    if (!Find(hostTree) && !Subclass(hostTree)) return;
    g_watch.watched = hostTree;
    if (sortDue) {
        NoteChange();
    } else if (!g_watch.timer && !g_module.editorRunning) {
        SetTick(kQuietTick);
    }
}

void ResumeWatchAfterEditor(bool sortDue) {
    if (!g_watch.watched) return;
    if (sortDue) g_watch.changePending = true;
    SetTick(g_watch.changePending ? kSettlingTick : kQuietTick);
}

bool StopWatchingHostTree() {
    StopTimer();
    g_watch.watched = nullptr;
    g_watch.changePending = false;
    g_watch.hostBusy = false;
    ForgetGroups();
    bool nothingLeft = true;
    for (SubclassedTree& entry : g_watch.trees) {
        if (!entry.tree) continue;
        if (!IsWindow(entry.tree)) {
            entry = SubclassedTree{};
            continue;
        }
        if (!Unsubclass(&entry)) nothingLeft = false;
    }
    return nothingLeft;
}

TreeQueriesStraightTo::Route RouteUnderWatch(HWND tree) {
    const SubclassedTree* entry = tree ? Find(tree) : nullptr;
    // Called from another thread, a question must travel to the tree's
    // thread as a sent message does.
    if (!entry || !OnTop(*entry) || GetWindowThreadProcessId(tree, nullptr) != GetCurrentThreadId())
        return {tree, nullptr, nullptr, false};
    return {tree, WatchedTreeProc, entry->original, entry->unicode};
}
