#include "editor/folder_moves.h"
#include "plugin/host_api.h"
#include "plugin/tree_control.h"

namespace move_history {

namespace {

// A folder path holds at most MAX_PATH bytes with at least two per level.
const int kMaxDepth = 130;
// Older steps are forgotten beyond this many; each record is about 0.5 KB,
// and a group's record holds 8 bytes a folder of the group besides.
const int kCapacity = 200;

struct MoveRecord {
    int depth;
    int path[kMaxDepth];  // sibling index at each level; the last is the folder's
    int toIndex;          // its index among the same siblings after the move
    // A group's step, from the host's allocator: `count` indexes of the
    // order as RecordGroup takes it, then as many of its inverse. Null for
    // one folder.
    int* group;
    int count;
};

// Zero-filled at load: the module runs no constructors.
struct History {
    MoveRecord records[kCapacity];  // a ring: the oldest is at `first`
    int first;
    int count;  // records held
    int done;   // of those, how many are in effect (the rest were undone)
};
History g_history;

MoveRecord& RecordAt(int position) { return g_history.records[(g_history.first + position) % kCapacity]; }

void Forget(MoveRecord& record) {
    if (record.group) HostFree(record.group);
    record.group = nullptr;
    record.count = 0;
}

// Drops the records from `position` on.
void ForgetFrom(int position) {
    for (int i = position; i < g_history.count; ++i) Forget(RecordAt(i));
    g_history.count = position;
    if (g_history.done > position) g_history.done = position;
}

// Fills `path` with the sibling indexes from the top down to `item`.
bool PathOf(HWND tree, HTREEITEM item, int* path, int* depth) {
    int reversed[kMaxDepth];
    int levels = 0;
    for (HTREEITEM at = item; at; at = TreeGetParent(tree, at)) {
        if (levels == kMaxDepth) return false;
        reversed[levels++] = SiblingIndex(tree, at);
    }
    for (int i = 0; i < levels; ++i) path[i] = reversed[levels - 1 - i];
    *depth = levels;
    return true;
}

HTREEITEM ItemAt(HWND tree, const MoveRecord& record, int lastIndex) {
    HTREEITEM parent = TVI_ROOT;
    HTREEITEM item = nullptr;
    for (int level = 0; level < record.depth; ++level) {
        int index = level + 1 == record.depth ? lastIndex : record.path[level];
        item = TreeGetChild(tree, parent);
        for (int i = 0; item && i < index; ++i) item = TreeGetNextSibling(tree, item);
        if (!item) return nullptr;
        parent = item;
    }
    return item;
}

// A new record at the end, the undone ones and (when full) the oldest gone.
MoveRecord& NewRecord() {
    ForgetFrom(g_history.done);
    if (g_history.count == kCapacity) {
        Forget(RecordAt(0));
        g_history.first = (g_history.first + 1) % kCapacity;
        --g_history.count;
        --g_history.done;
    }
    return RecordAt(g_history.count);
}

bool Peek(HWND tree, int position, bool undo, Step* step) {
    const MoveRecord& record = RecordAt(position);
    int last = record.path[record.depth - 1];
    if (record.group) {
        step->item = ItemAt(tree, record, 0);
        step->toIndex = 0;
        step->order = record.group + (undo ? record.count : 0);
        step->count = record.count;
    } else {
        step->item = ItemAt(tree, record, undo ? record.toIndex : last);
        step->toIndex = undo ? last : record.toIndex;
        step->order = nullptr;
        step->count = 1;
    }
    if (!step->item) Clear();
    return step->item != nullptr;
}

}  // namespace

void Clear() {
    ForgetFrom(0);
    g_history.first = 0;
    g_history.count = 0;
    g_history.done = 0;
}

int SiblingIndex(HWND tree, HTREEITEM item) {
    int index = 0;
    for (HTREEITEM at = TreeGetPreviousSibling(tree, item); at; at = TreeGetPreviousSibling(tree, at))
        ++index;
    return index;
}

void Record(HWND tree, int fromIndex, HTREEITEM movedItem) {
    MoveRecord& record = NewRecord();
    if (!PathOf(tree, movedItem, record.path, &record.depth)) {
        Clear();
        return;
    }
    record.toIndex = record.path[record.depth - 1];
    // The copy has the old folder's parent: its path with the old index
    // in the last place is where the folder stood.
    record.path[record.depth - 1] = fromIndex;
    g_history.done = ++g_history.count;
}

void RecordGroup(HWND tree, HTREEITEM anyFolder, const int* order, int count) {
    MoveRecord& record = NewRecord();
    int* group = static_cast<int*>(HostAlloc(static_cast<DWORD>(count) * 2 * sizeof(int)));
    if (!group || !PathOf(tree, anyFolder, record.path, &record.depth)) {
        if (group) HostFree(group);
        Clear();
        return;
    }
    for (int i = 0; i < count; ++i) {
        group[i] = order[i];
        group[count + order[i]] = i;
    }
    record.group = group;
    record.count = count;
    g_history.done = ++g_history.count;
}

namespace {
bool CanUndoStep() { return g_history.done > 0; }
bool CanRedoStep() { return g_history.done < g_history.count; }
}  // namespace

bool PeekUndo(HWND tree, Step* step) { return CanUndoStep() && Peek(tree, g_history.done - 1, true, step); }
bool PeekRedo(HWND tree, Step* step) { return CanRedoStep() && Peek(tree, g_history.done, false, step); }

void Undone() { --g_history.done; }
void Redone() { ++g_history.done; }

}  // namespace move_history

void ClearMoveHistory() { move_history::Clear(); }
bool CanUndo() { return move_history::CanUndoStep(); }
bool CanRedo() { return move_history::CanRedoStep(); }
