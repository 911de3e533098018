#include "editor/move_history.h"

#include "plugin/tree_control.h"

namespace move_history {

namespace {

// A folder path holds at most MAX_PATH bytes with at least two per level.
const int kMaxDepth = 130;
// Older moves are forgotten beyond this many; each record is about 0.5 KB.
const int kCapacity = 200;

struct MoveRecord {
    int depth;
    int path[kMaxDepth];  // sibling index at each level; the last is the folder's
    int toIndex;          // its index among the same siblings after the move
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

}  // namespace

void Clear() {
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
    g_history.count = g_history.done;
    if (g_history.count == kCapacity) {
        g_history.first = (g_history.first + 1) % kCapacity;
        --g_history.count;
    }
    MoveRecord& record = RecordAt(g_history.count);
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

bool CanUndo() { return g_history.done > 0; }
bool CanRedo() { return g_history.done < g_history.count; }

bool PeekUndo(HWND tree, HTREEITEM* item, int* toIndex) {
    if (!CanUndo()) return false;
    const MoveRecord& record = RecordAt(g_history.done - 1);
    *item = ItemAt(tree, record, record.toIndex);
    *toIndex = record.path[record.depth - 1];
    if (!*item) Clear();
    return *item != nullptr;
}

bool PeekRedo(HWND tree, HTREEITEM* item, int* toIndex) {
    if (!CanRedo()) return false;
    const MoveRecord& record = RecordAt(g_history.done);
    *item = ItemAt(tree, record, record.path[record.depth - 1]);
    *toIndex = record.toIndex;
    if (!*item) Clear();
    return *item != nullptr;
}

void Undone() { --g_history.done; }
void Redone() { ++g_history.done; }

}  // namespace move_history
