#include "editor/folder_moves.h"

#include "editor/name_order.h"
#include "order/folder_key_copies.h"
#include "plugin/host_api.h"
#include "plugin/module_state.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"

namespace {

const int kItemTextCapacity = 100;

// A move that could not be made: the folder stays where it was.
void TellMoveFailed(HWND tree) { ShowEditorWarning(GetParent(tree), kEditorMoveFailed); }

// A delete the control refused is tried again: a very deep subtree goes in
// pieces, and a second try takes what the first left.
bool RemoveItem(HWND tree, HTREEITEM item) {
    const int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (TreeDeleteItem(tree, item)) return true;
    }
    return false;
}

// One item, without its children; null when it could not be read or inserted.
HTREEITEM CopyOneItem(HWND destinationTree, HTREEITEM parent, HTREEITEM insertAfter,
                      HWND sourceTree, HTREEITEM sourceItem, FolderKeyCopies* keys) {
    char text[kItemTextCapacity];
    TreeItemLook look;
    if (!TreeReadItem(sourceTree, sourceItem, text, kItemTextCapacity, &look)) return nullptr;
    HTREEITEM copy = TreeInsertItem(destinationTree, parent, insertAfter, text, look);
    if (copy && keys) keys->Add(look.itemData);
    return copy;
}

// Expanded once its children are in place, where its source is: the
// control leaves an item without children as it is when asked (it answers
// FALSE and sets no state), and an item expanded before its children come
// would lay out the tree again at every child.
void ExpandLikeSource(HWND destinationTree, HTREEITEM copy, HWND sourceTree, HTREEITEM source) {
    if (TreeGetChild(destinationTree, copy) && TreeIsExpanded(sourceTree, source))
        TreeExpandItem(destinationTree, copy);
}

// What stands where a copy inserted after `previousSibling` (first when
// null) under `parent` would go.
HTREEITEM SiblingAt(HWND tree, HTREEITEM parent, HTREEITEM previousSibling) {
    return previousSibling ? TreeGetNextSibling(tree, previousSibling) : TreeGetChild(tree, parent ? parent : TVI_ROOT);
}

// The tree no longer shows what the user arranged (a copy or an original
// that the control would not remove): nothing of it may be saved.
void AbandonEditor(HWND tree) {
    HWND dialog = GetParent(tree);
    g_module.editorAbandoned = true;
    ShowEditorWarning(dialog, kEditorAbandoned);
    EndDialog(dialog, 0);
}

enum class MoveResult { kMoved, kNotMoved, kBroken };

// Says what became of a move that was not made: the folder stayed where it
// was, or the tree broke and the editor closes unsaved. True when it was made.
bool MoveWasMade(HWND tree, MoveResult result) {
    if (result == MoveResult::kBroken) AbandonEditor(tree);
    if (result == MoveResult::kNotMoved) TellMoveFailed(tree);
    return result == MoveResult::kMoved;
}

// The copy, then the original's delete, without painting or selecting.
// The original goes only once its whole copy is there: a move is all or
// nothing. A copy that failed took itself away again, unless the control
// refused that too: then the tree is broken.
MoveResult MoveSubtree(HWND tree, HTREEITEM item, HTREEITEM parent, HTREEITEM previousSibling, HTREEITEM* moved) {
    HTREEITEM insertAfter = previousSibling ? previousSibling : TVI_FIRST;
    HTREEITEM standing = SiblingAt(tree, parent, previousSibling);
    *moved = CopyTreeItem(tree, parent, insertAfter, tree, item);
    if (!*moved)
        return SiblingAt(tree, parent, previousSibling) == standing ? MoveResult::kNotMoved : MoveResult::kBroken;
    if (!RemoveItem(tree, item)) {
        *moved = nullptr;
        return MoveResult::kBroken;
    }
    return MoveResult::kMoved;
}

// The row above shows where the folder went: its previous sibling, or its
// parent when it went first.
void ShowWithRowAbove(HWND tree, HTREEITEM item) {
    HTREEITEM above = TreeGetPreviousSibling(tree, item);
    if (!above) above = TreeGetParent(tree, item);
    if (above) TreeEnsureVisible(tree, above);
    TreeEnsureVisible(tree, item);
}

enum class HistoryStep { kRecord, kUndo, kRedo };

void NoteStep(HistoryStep step) {
    if (step == HistoryStep::kUndo) move_history::Undone();
    if (step == HistoryStep::kRedo) move_history::Redone();
}

HTREEITEM MoveOneFolder(HWND tree, HTREEITEM item, HTREEITEM previousSibling, HistoryStep step) {
    if (g_module.editorAbandoned) return nullptr;
    // A folder without a key (outside the data folder, or a record whose
    // path could not be read) is never written to the order file: a move
    // the editor showed would snap back after OK.
    LPARAM itemData = 0;
    if (!TreeReadItemData(tree, item, &itemData)) {
        TellMoveFailed(tree);
        return nullptr;
    }
    if (!FolderHasKey(itemData)) {
        MessageBeep(MB_OK);
        return nullptr;
    }
    int fromIndex = move_history::SiblingIndex(tree, item);
    HTREEITEM moved = MoveEditorItem(tree, item, TreeGetParent(tree, item), previousSibling);
    if (!moved) return nullptr;
    if (step == HistoryStep::kRecord)
        move_history::Record(tree, fromIndex, moved);
    else
        NoteStep(step);
    ShowWithRowAbove(tree, moved);
    return moved;
}

// The sibling after which `item` must go to stand at `toIndex`: counted
// with the item still in its old place, so a later place counts one more.
HTREEITEM PreviousSiblingForIndex(HWND tree, HTREEITEM item, int toIndex) {
    int fromIndex = move_history::SiblingIndex(tree, item);
    int afterIndex = toIndex < fromIndex ? toIndex - 1 : toIndex;
    if (afterIndex < 0) return nullptr;
    HTREEITEM sibling = TreeGetChild(tree, TreeGetParent(tree, item) ? TreeGetParent(tree, item) : TVI_ROOT);
    for (int i = 0; sibling && i < afterIndex; ++i) sibling = TreeGetNextSibling(tree, sibling);
    return sibling;
}

// ---- Groups.

// The folders of one sibling group, in the tree's order, with the names
// shown, in one block from the host's allocator: handles, then the order
// being worked out and room to merge it, then the names.
class SiblingGroup {
public:
    // False when the group could not be read whole (no memory, an item the
    // control would not answer for).
    bool Read(HWND tree, HTREEITEM anyFolder) {
        tree_ = tree;
        parent_ = TreeGetParent(tree, anyFolder);
        HTREEITEM first = TreeGetChild(tree, parent_ ? parent_ : TVI_ROOT);
        count_ = 0;
        for (HTREEITEM item = first; item; item = TreeGetNextSibling(tree, item)) ++count_;
        DWORD bytes = static_cast<DWORD>(count_) * (sizeof(HTREEITEM) + 2 * sizeof(int) + kItemTextCapacity);
        if (!block_.Allocate(bytes)) return false;
        keyless_ = false;
        int i = 0;
        for (HTREEITEM item = first; item && i < count_; item = TreeGetNextSibling(tree, item), ++i) {
            TreeItemLook look;
            if (!TreeReadItem(tree, item, Name(i), kItemTextCapacity, &look)) return false;
            items()[i] = item;
            keyless_ = keyless_ || !FolderHasKey(look.itemData);
        }
        return i == count_;
    }

    int count() const { return count_; }
    bool keyless() const { return keyless_; }
    HTREEITEM parent() const { return parent_; }
    HTREEITEM* items() const { return reinterpret_cast<HTREEITEM*>(block_.get()); }
    int* order() const { return reinterpret_cast<int*>(block_.get() + count_ * sizeof(HTREEITEM)); }

    // Fills order() with the folders' indexes in name order; true when that
    // differs from the order they stand in.
    bool SortByName() {
        int* order = this->order();
        int* spare = order + count_;
        for (int i = 0; i < count_; ++i) order[i] = i;
        // Merged bottom-up, so that equal names keep their order.
        for (int width = 1; width < count_; width *= 2) {
            for (int low = 0; low < count_; low += 2 * width) {
                int middle = Smaller(low + width, count_), high = Smaller(low + 2 * width, count_);
                int left = low, right = middle;
                for (int k = low; k < high; ++k) {
                    bool takeLeft = right >= high || (left < middle && !Before(order[right], order[left]));
                    spare[k] = takeLeft ? order[left++] : order[right++];
                }
            }
            for (int k = 0; k < count_; ++k) order[k] = spare[k];
        }
        for (int i = 0; i < count_; ++i) {
            if (order[i] != i) return true;
        }
        return false;
    }

private:
    static int Smaller(int a, int b) { return a < b ? a : b; }
    char* Name(int i) const {
        return block_.get() + count_ * (sizeof(HTREEITEM) + 2 * sizeof(int)) + i * kItemTextCapacity;
    }
    // As Explorer sorts names: a comparison the system cannot make counts
    // as equal names.
    bool Before(int a, int b) const { return CompareFolderNames(Name(a), Name(b)) < 0; }

    HWND tree_ = nullptr;
    HTREEITEM parent_ = nullptr;
    int count_ = 0;
    bool keyless_ = false;
    HostBlock block_;
};

// Moves the group's folders (`items`, in the order they stand) so that the
// one at items[order[i]] stands at i, each moved at most once; `items` then
// holds the folders' new handles. On kNotMoved the group stands as it did.
MoveResult ArrangeGroup(HWND tree, HTREEITEM parent, HTREEITEM* items, const int* order, int count) {
    HTREEITEM previous = nullptr;
    for (int i = 0; i < count; ++i) {
        HTREEITEM& wanted = items[order[i]];
        if (SiblingAt(tree, parent, previous) != wanted) {
            HTREEITEM moved;
            MoveResult result = MoveSubtree(tree, wanted, parent, previous, &moved);
            if (result == MoveResult::kBroken) return result;
            if (result == MoveResult::kNotMoved) {
                // The folders moved so far go back where they were; the
                // order the group had is every folder at its own index.
                for (int k = 0; k < count; ++k) {
                    HTREEITEM& back = items[k];
                    HTREEITEM before = k ? items[k - 1] : nullptr;
                    if (SiblingAt(tree, parent, before) == back) continue;
                    if (MoveSubtree(tree, back, parent, before, &moved) != MoveResult::kMoved) return MoveResult::kBroken;
                    back = moved;
                }
                return MoveResult::kNotMoved;
            }
            wanted = moved;
        }
        previous = wanted;
    }
    return MoveResult::kMoved;
}

// Puts the group of `items` (under `parent`, as they stand) in `order`,
// keeping the selection on the folder it was on, or putting it on the
// group's first folder when it was elsewhere.
bool TakeGroupStep(HWND tree, HTREEITEM parent, HTREEITEM* items, const int* order, int count, HistoryStep step) {
    HTREEITEM selected = TreeGetSelection(tree);
    int selectedIndex = -1;
    for (int i = 0; i < count; ++i) {
        if (items[i] == selected) selectedIndex = i;
    }
    MoveResult result;
    {
        TreeRedrawHold hold(tree);
        result = ArrangeGroup(tree, parent, items, order, count);
    }
    if (!MoveWasMade(tree, result)) return false;
    if (step == HistoryStep::kRecord)
        move_history::RecordGroup(tree, items[0], order, count);
    else
        NoteStep(step);
    HTREEITEM show = items[selectedIndex >= 0 ? selectedIndex : order[0]];
    // Selected only now that the painting hold is over, as after one move.
    TreeSelectItem(tree, show);
    ShowWithRowAbove(tree, show);
    return true;
}

// An undo or redo of a group step: the group read again, as it stands now.
void StepGroup(HWND tree, const move_history::Step& step, HistoryStep how) {
    SiblingGroup group;
    if (!group.Read(tree, step.item)) {
        TellMoveFailed(tree);
        return;
    }
    if (group.count() != step.count) {
        move_history::Clear();
        return;
    }
    TakeGroupStep(tree, group.parent(), group.items(), step.order, group.count(), how);
}

void Step(HWND tree, const move_history::Step& step, HistoryStep how) {
    if (g_module.editorAbandoned) return;
    if (step.order)
        StepGroup(tree, step, how);
    else
        MoveOneFolder(tree, step.item, PreviousSiblingForIndex(tree, step.item, step.toIndex), how);
}

}  // namespace

void ShowEditorWarning(HWND owner, const char* text) {
    MessageBoxA(IsWindow(owner) ? owner : nullptr, text, kEditorCaption, MB_OK | MB_ICONWARNING);
}

bool FillEditorTree(HWND editorTree, FolderKeyCopies* keys) {
    HWND hostTree = HostGetFolderTree();
    // The keys are taken as the items are copied: one read of each host
    // record, in the same pass, with no message loop in between.
    for (HTREEITEM item = TreeGetRoot(hostTree); item; item = TreeGetNextSibling(hostTree, item)) {
        if (!CopyTreeItem(editorTree, TVI_ROOT, TVI_LAST, hostTree, item, keys)) return false;
    }
    return !keys || keys->Index();
}

HTREEITEM CopyTreeItem(HWND destinationTree, HTREEITEM parent, HTREEITEM insertAfter,
                       HWND sourceTree, HTREEITEM sourceItem, FolderKeyCopies* keys) {
    HTREEITEM copy = CopyOneItem(destinationTree, parent, insertAfter, sourceTree, sourceItem, keys);
    if (!copy) return nullptr;
    // Depth-first without recursion, as deep as the host's tree goes: the
    // copy of each item's parent is found in the destination tree itself,
    // so nothing grows with the depth. When the copy and its source share a
    // tree, the copy stands beside the source, never inside it.
    HTREEITEM source = sourceItem;
    HTREEITEM copied = copy;
    for (;;) {
        HTREEITEM next = TreeGetChild(sourceTree, source);
        HTREEITEM nextParent = copied;
        while (!next) {
            if (source == sourceItem) {
                ExpandLikeSource(destinationTree, copy, sourceTree, sourceItem);
                return copy;
            }
            nextParent = TreeGetParent(destinationTree, copied);
            next = TreeGetNextSibling(sourceTree, source);
            if (next) break;
            // Every child of the parent is in place.
            source = TreeGetParent(sourceTree, source);
            copied = nextParent;
            ExpandLikeSource(destinationTree, copied, sourceTree, source);
        }
        copied = CopyOneItem(destinationTree, nextParent, TVI_LAST, sourceTree, next, keys);
        if (!copied) {
            // Half a copy would be folders shown twice, or saved out of place.
            RemoveItem(destinationTree, copy);
            return nullptr;
        }
        source = next;
    }
}

HTREEITEM MoveEditorItem(HWND tree, HTREEITEM item, HTREEITEM parent, HTREEITEM previousSibling) {
    HTREEITEM moved;
    MoveResult result;
    {
        // A big subtree is copied item by item: held, the tree repaints once.
        TreeRedrawHold hold(tree);
        result = MoveSubtree(tree, item, parent, previousSibling, &moved);
    }
    if (!MoveWasMade(tree, result)) return nullptr;
    // Selected only now that the painting hold is over: selecting while it
    // holds makes the control scroll with a stale layout, and under Wine the
    // rows above then stay out of reach until Home.
    TreeSelectItem(tree, moved);
    return moved;
}

bool FindFolderMove(HWND tree, FolderMove how, HTREEITEM* item, HTREEITEM* previousSibling) {
    HTREEITEM selected = TreeGetSelection(tree);
    if (!selected) return false;
    HTREEITEM previous = TreeGetPreviousSibling(tree, selected);
    HTREEITEM next = TreeGetNextSibling(tree, selected);
    *item = selected;
    switch (how) {
        case FolderMove::kFirst:
            *previousSibling = nullptr;
            return previous != nullptr;
        case FolderMove::kUp:
            if (!previous) return false;
            *previousSibling = TreeGetPreviousSibling(tree, previous);
            return true;
        case FolderMove::kDown:
            *previousSibling = next;
            return next != nullptr;
        case FolderMove::kLast:
            if (!next) return false;
            for (HTREEITEM after; (after = TreeGetNextSibling(tree, next)) != nullptr;) next = after;
            *previousSibling = next;
            return true;
    }
    return false;
}

HTREEITEM MoveSelectedFolder(HWND tree, FolderMove how) {
    HTREEITEM item, previousSibling;
    if (!FindFolderMove(tree, how, &item, &previousSibling)) return nullptr;
    return MoveFolder(tree, item, previousSibling);
}

bool FolderHasKey(LPARAM itemData) {
    if (!g_module.editorKeys) return false;
    // An empty key (the data folder itself) is saved as an empty line, which
    // orders nothing unless it is the file's first: its moves could not last.
    const char* key = g_module.editorKeys->Find(itemData);
    return key && key[0] != '\0';
}

HTREEITEM MoveFolder(HWND tree, HTREEITEM item, HTREEITEM previousSibling) {
    return MoveOneFolder(tree, item, previousSibling, HistoryStep::kRecord);
}

namespace {
// A folder of the group to put in name order: the selected folder's own
// group, or its first subfolder's.
HTREEITEM GroupMember(HWND tree, bool subfolders) {
    HTREEITEM selected = TreeGetSelection(tree);
    return selected && subfolders ? TreeGetChild(tree, selected) : selected;
}
}  // namespace

bool CanSortGroupByName(HWND tree, bool subfolders) {
    HTREEITEM member = GroupMember(tree, subfolders);
    SiblingGroup group;
    return member && group.Read(tree, member) && !group.keyless() && group.SortByName();
}

bool SortGroupByName(HWND tree, bool subfolders) {
    if (g_module.editorAbandoned) return false;
    HTREEITEM selected = GroupMember(tree, subfolders);
    if (!selected) return false;
    SiblingGroup group;
    if (!group.Read(tree, selected)) {
        TellMoveFailed(tree);
        return false;
    }
    // As for one folder: a folder without a key could not keep its place.
    if (group.keyless()) {
        MessageBeep(MB_OK);
        return false;
    }
    if (!group.SortByName()) return false;
    return TakeGroupStep(tree, group.parent(), group.items(), group.order(), group.count(), HistoryStep::kRecord);
}

bool ArrangeSiblings(HWND tree, HTREEITEM parent, HTREEITEM* items, const int* order, int count) {
    if (g_module.editorAbandoned) return false;
    return TakeGroupStep(tree, parent, items, order, count, HistoryStep::kRecord);
}

void UndoMove(HWND tree) {
    move_history::Step step;
    if (move_history::PeekUndo(tree, &step)) Step(tree, step, HistoryStep::kUndo);
}

void RedoMove(HWND tree) {
    move_history::Step step;
    if (move_history::PeekRedo(tree, &step)) Step(tree, step, HistoryStep::kRedo);
}
