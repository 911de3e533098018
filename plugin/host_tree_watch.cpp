#include "plugin/host_tree_watch.h"

#include "order/pending_renames.h"
#include "plugin/contested_groups.h"
#include "plugin/followed_renames.h"
#include "plugin/host_api.h"
#include "plugin/module_lifetime.h"
#include "plugin/module_state.h"
#include "plugin/rename_writer.h"
#include "plugin/tree_control.h"
#include "plugin/tree_subclass.h"

namespace {

// How long the tree must stay unchanged before it is sorted: a mail check
// or a sync rebuilds the tree in one burst of messages, sorted once after.
const DWORD kSettleMilliseconds = 300;
// The timer ticks often only while a change settles. While a change waits
// for the host to end a drag or a label edit it looks twice a second;
// otherwise once a second: whether the module is still in the tree's
// chain, whether a folder's path changed without a word to the tree, and,
// once the tree's window is gone, whether the host has made another.
const UINT kSettlingTick = 100;
const UINT kBusyTick = 500;
const UINT kQuietTick = 1000;
// Whatever happens to the tree, at most two re-sorts a second.
const DWORD kLeastBetweenSorts = 500;
// A file that another program holds is tried at each settling tick, for
// five seconds; then again at the next change.
const int kMostReadTries = 50;
// A rename the file could not take (held without delete sharing, a folder
// that takes no new file) is tried again at the quiet looks, five times;
// then at the next change. Its write runs on a thread of its own.
const int kMostRenameTries = 5;
// The items whose text or data the host set since the last look, checked
// at the next tick with one question each; more than this many, and every
// remembered record is read again instead (no question to the tree).
const int kMostItemsSet = 16;

struct Watch {
    HWND watched;         // the tree whose changes count, null when none
    bool lookingForTree;  // the watched tree's window went while the host runs
    bool changePending;   // a change not sorted yet
    bool hostBusy;        // the last look found the host busy with its tree
    DWORD lastChange;     // GetTickCount of the last change
    DWORD lastSort;       // GetTickCount of the module's last re-sort
    int readTries;        // re-sorts that could not read the file since the last change
    int renameTries;      // quiet looks that tried to write a rename since the last change
    bool keysDue;         // a change since the tree's keys were last compared
    HTREEITEM itemsSet[kMostItemsSet];
    int itemsSetCount;
    bool manyItemsSet;
    UINT_PTR timer;       // the thread timer, 0 when none
    DWORD timerThread;    // the thread it ticks on
    UINT tick;            // its interval
};
Watch g_watch;

// False when a timer is left that this thread cannot kill (an exit called
// on another thread than the one the timer ticks on).
bool StopTimer() {
    if (!g_watch.timer) return true;
    if (!KillTimer(nullptr, g_watch.timer) && g_watch.timerThread != GetCurrentThreadId()) return false;
    g_watch.timer = 0;
    return true;
}

void CALLBACK WatchTimerProc(HWND, UINT, UINT_PTR timer, DWORD);

// A timer the platform refuses leaves none: the next change asks again.
void SetTick(UINT interval) {
    if (g_watch.timer && g_watch.tick == interval) return;
    StopTimer();
    g_watch.timer = SetTimer(nullptr, 0, interval, WatchTimerProc);
    g_watch.timerThread = GetCurrentThreadId();
    g_watch.tick = interval;
}

// The host is busy with its tree: the user drags a folder or renames one.
// A drag may hold the mouse for the tree's parent or for OLE's own window,
// and a menu loop holds it too: any capture on the thread waits.
bool HostBusyWithTree(HWND tree) { return GetCapture() != nullptr || TreeGetEditControl(tree) != nullptr; }

void NoteChange() {
    g_watch.lastChange = GetTickCount();
    g_watch.changePending = true;
    g_watch.keysDue = true;
    g_watch.readTries = 0;
    g_watch.renameTries = 0;
    // While the host or the editor is busy with the tree, the timer keeps
    // its slow pace (or none, for the editor), and looks once that is over.
    if (!g_module.editorRunning && !g_watch.hostBusy) SetTick(kSettlingTick);
}

// A sort is due at the next look, with no key to compare again.
void NoteSortDue() {
    g_watch.changePending = true;
    g_watch.lastChange = GetTickCount() - kSettleMilliseconds;
    g_watch.readTries = 0;
}

// Settles the changes of `tree`: a folder renamed or moved has its lines in
// the order file follow it, then the groups out of order are sorted, but
// those left to another party. The tree's keys are compared once for each
// change; a retry of a file that was held only reads the file again.
SortOutcome Settle(HWND tree) {
    // Changes the host makes inside (it may pump messages) make it pending again.
    g_watch.changePending = false;
    if (g_watch.keysDue) {
        g_watch.keysDue = false;
        FindRenamedFolders(tree);
    }
    // Written on a thread of its own; one the file cannot take now waits
    // for the quiet looks. The sort sees it either way.
    StartRenameWrite();
    return SortFolderTree(tree, GroupGivenWay);
}

void ForgetItemsSet() {
    g_watch.itemsSetCount = 0;
    g_watch.manyItemsSet = false;
}

// The items the host set since the last look, one question each: a folder
// renamed in place, its record's path changed, with a word to the tree.
bool ItemsSetChanged(HWND tree) {
    bool changed = g_watch.manyItemsSet && AnyFolderKeyChanged();
    for (int i = 0; i < g_watch.itemsSetCount && !g_watch.manyItemsSet && !changed; ++i)
        changed = FolderKeyChanged(TreeGetItemData(tree, g_watch.itemsSet[i]));
    ForgetItemsSet();
    return changed;
}

void SettleIfDue(HWND tree) {
    DWORD now = GetTickCount();
    if (now - g_watch.lastChange < kSettleMilliseconds || now - g_watch.lastSort < kLeastBetweenSorts ||
        g_module.sortingTree)
        return;
    const SortOutcome outcome = Settle(tree);
    if (g_watch.watched != tree) return;  // the host exited inside the sort
    if (outcome != SortOutcome::kNotNow) {
        g_watch.lastSort = GetTickCount();
        return;
    }
    // Never waited for on the host's thread: a held file is tried again
    // at the next tick, and after a while only at the next change.
    if (++g_watch.readTries < kMostReadTries) g_watch.changePending = true;
}

void OnTreeMessage(HWND tree, UINT message, WPARAM wParam, LPARAM lParam);
void OnTreeDestroying(HWND tree);
const TreeListener kListener = {OnTreeMessage, OnTreeDestroying};

// The host made a new folder tree window (a change of layout): watched
// like the first once found, and sorted once its items settle.
void LookForNewTree() {
    HWND tree = HostGetFolderTree();
    if (!TreeIsLive(tree) || !SubclassTree(tree, kListener)) return;
    g_watch.watched = tree;
    g_watch.lookingForTree = false;
    NoteFoldersAddedOrRemoved();
    NoteChange();
}

// One look at the tree: the module still in its chain, a change to sort.
// Anything the module sends may let the host exit inside it: the tree is
// watched still after each.
void Look() {
    HWND tree = g_watch.watched;
    if (tree && !TreeIsLive(tree)) {
        StopListening(tree);
        OnTreeDestroying(tree);
        tree = nullptr;
    }
    // The editor's end resumes the watch.
    if (g_module.editorRunning || (!tree && !g_watch.lookingForTree)) {
        StopTimer();
        return;
    }
    if (!tree) {
        LookForNewTree();
        if (!g_watch.watched && g_watch.lookingForTree) SetTick(kQuietTick);
        return;
    }
    if (!TreeSubclassStillCalled(tree)) {
        if (g_watch.watched != tree) return;
        // Cut out: the old procedure only passes messages on, should
        // anything still call it, and a new one is put on top.
        StopListening(tree);
        if (!SubclassTree(tree, kListener)) {
            SetTick(kQuietTick);
            return;
        }
        // What changed while the module was out went unseen.
        NoteFoldersAddedOrRemoved();
        NoteChange();
    }
    g_watch.hostBusy = HostBusyWithTree(tree);
    if (g_watch.watched != tree) return;
    if (!g_watch.changePending && ItemsSetChanged(tree)) NoteChange();
    if (!g_watch.changePending && g_watch.tick == kQuietTick && AnyFolderKeyChanged()) {
        // Changed up to a look ago, and no insert or delete came since:
        // settled already.
        NoteChange();
        g_watch.lastChange -= kSettleMilliseconds;
    }
    if (g_watch.changePending && !g_watch.hostBusy) SettleIfDue(tree);
    if (g_watch.watched != tree) return;
    // The sort a written rename calls for comes at the next tick, as a
    // settled change's: after an outer sort, and tried again if the file is held.
    const RenameWrite ended = TakeRenameWrite();
    if (ended == RenameWrite::kWritten) NoteSortDue();
    if (ended == RenameWrite::kNotNow) ++g_watch.renameTries;
    if (!g_watch.changePending && g_watch.tick == kQuietTick && RenamesPending() &&
        g_watch.renameTries < kMostRenameTries && StartRenameWrite() == RenameWrite::kNotNow)
        ++g_watch.renameTries;
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

// A sort of a group by anyone: the module's own are told apart by their
// comparison, so that a change the host makes inside one still counts.
void NoteSort(UINT message, WPARAM recursive, LPARAM lParam) {
    HTREEITEM parent = SortMessageParent(message, lParam);
    if (!parent) return;
    if (SortMessageComparison(message, lParam) == CompareFolders) {
        NoteOwnGroupSort(parent);
        return;
    }
    NoteOthersGroupSort(parent, recursive != 0);
    NoteChange();
}

// An item's text or data set: a folder renamed in place (its record's path
// changed) shows here, or an unread count. Checked at the next tick, each
// item once however often the host sets it: a question about an item makes
// some controls search every item (Wine's does), and a mail check sets the
// same folders' texts again and again.
void NoteItemSet(LPARAM lParam) {
    if (g_watch.changePending) return;
    LPARAM itemData = 0;
    HTREEITEM item = SetItemMessageItem(lParam, &itemData);
    if (!item) return;
    // The record given with the message: no question needed.
    if (itemData) {
        if (FolderKeyChanged(itemData)) NoteChange();
        return;
    }
    for (int i = 0; i < g_watch.itemsSetCount; ++i) {
        if (g_watch.itemsSet[i] == item) return;
    }
    if (g_watch.itemsSetCount < kMostItemsSet)
        g_watch.itemsSet[g_watch.itemsSetCount++] = item;
    else
        g_watch.manyItemsSet = true;
    if (!g_module.editorRunning && !g_watch.hostBusy) SetTick(kSettlingTick);
}

void OnTreeMessage(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    if (tree != g_watch.watched) return;
    switch (message) {
        case TVM_INSERTITEMA:
        case TVM_INSERTITEMW:
        case TVM_DELETEITEM:
            ForgetGroupSorts();
            // An item set may be the one deleted; the settle reads every
            // folder's key again anyway.
            ForgetItemsSet();
            NoteFoldersAddedOrRemoved();
            NoteChange();
            return;
        case TVM_SETITEMA:
        case TVM_SETITEMW:
            NoteItemSet(lParam);
            return;
        case TVM_SORTCHILDREN:
        case TVM_SORTCHILDRENCB:
            NoteSort(message, wParam, lParam);
            return;
        default:
            return;
    }
}

// The host may make another tree window: it is looked for once a second.
void OnTreeDestroying(HWND tree) {
    if (tree != g_watch.watched) return;
    // Its items and groups are gone with it.
    ForgetGroupSorts();
    ForgetItemsSet();
    g_watch.watched = nullptr;
    g_watch.lookingForTree = true;
    SetTick(kQuietTick);
}

// Stops watching; false, with nothing changed, off the watch's thread. The
// renames that wait for the file still wait: they name folders, not items.
bool StopWatching() {
    // Off the thread the watch runs on, nothing changes: the timer and the
    // tree's chain are that thread's, which may be inside a look or waiting
    // for this one (a probe sent to it would never return). The module
    // keeps itself loaded then. A tree window that is gone belongs to no
    // thread: nothing of it is left to wait for.
    if ((g_watch.timer && g_watch.timerThread != GetCurrentThreadId()) ||
        (g_watch.watched && IsWindow(g_watch.watched) &&
         GetWindowThreadProcessId(g_watch.watched, nullptr) != GetCurrentThreadId()))
        return false;
    const bool timerGone = StopTimer();
    g_watch.watched = nullptr;
    g_watch.lookingForTree = false;
    g_watch.changePending = false;
    g_watch.hostBusy = false;
    ForgetItemsSet();
    ForgetGroupSorts();
    ForgetFolderKeys();
    return UnsubclassTrees() && timerGone;
}

}  // namespace

void WatchAndSortHostTree(HWND hostTree) {
    const bool watchedBefore = hostTree == g_watch.watched;
    if (!watchedBefore) StopWatching();
    // Nothing of the module may stay in the host unless the module stays
    // mapped for as long as the host can call it.
    if (TreeIsLive(hostTree) && HoldModuleLoaded() && SubclassTree(hostTree, kListener)) {
        g_watch.watched = hostTree;
        g_watch.lookingForTree = false;
        // What a rename is told against; a change not settled yet keeps
        // the keys it is to be told against.
        if (!watchedBefore || !g_watch.keysDue) RememberFolderKeys(hostTree);
    } else if (!TreeIsLive(hostTree) && HoldModuleLoaded()) {
        // No tree window yet (a host still making its window): looked for
        // once a second, as a new one is, and sorted once its items settle.
        g_watch.lookingForTree = true;
        if (!g_module.editorRunning) SetTick(kQuietTick);
        return;
    }
    // Watched first: a folder the host inserts inside this sort counts.
    const bool sortDue = SortFolderTree(hostTree) == SortOutcome::kNotNow;
    // Not watched, or the host exited inside the sort.
    if (!hostTree || hostTree != g_watch.watched) return;
    if (sortDue) {
        NoteChange();
    } else if (!g_module.editorRunning) {
        SetTick(g_watch.changePending ? kSettlingTick : kQuietTick);
    }
}

SortOutcome SortBeforeEditor(HWND hostTree) {
    if (hostTree != g_watch.watched || g_module.sortingTree) return SortFolderTree(hostTree);
    if (!g_watch.changePending && !ItemsSetChanged(hostTree) && !AnyFolderKeyChanged()) {
        // A rename that waits for the file is written if it is free now;
        // if not, the sort, and whatever the editor saves, see it anyway.
        TakeRenameWrite();
        StartRenameWrite();
        return SortFolderTree(hostTree, GroupGivenWay);
    }
    // A change not settled yet may be a rename: followed before the editor
    // copies the tree, whose OK would otherwise save the folder last.
    g_watch.keysDue = true;
    return Settle(hostTree);
}

void ResumeWatchAfterEditor(bool sortDue) {
    if (!g_watch.watched && !g_watch.lookingForTree) return;
    if (sortDue) g_watch.changePending = true;
    g_watch.readTries = 0;
    SetTick(g_watch.changePending ? kSettlingTick : kQuietTick);
}

bool StopWatchingHostTree() {
    if (!StopWatching()) return false;
    // A write under way ends on its own, holding the module mapped till then.
    AbandonRenameWrite();
    ForgetPendingRenames();
    return true;
}
