#include "editor/editor_check.h"

#include "editor/folder_moves.h"
#include "order/folder_key_copies.h"
#include "order/key_hash.h"
#include "order/text_table.h"
#include "order/order_file.h"
#include "order/tree_walk.h"
#include "plugin/module_state.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"

namespace {

// A path of shown names longer than this is no line anyone writes by hand:
// a folder deeper down is checked by its key alone.
const DWORD kLongestShownPath = 1024;

// Calls `visit` with `top` and every item under it, a parent before its children.
template <typename Visit>
void ForEachInSubtree(HWND tree, HTREEITEM top, Visit visit) {
    for (HTREEITEM item = top; item;) {
        visit(item);
        HTREEITEM next = TreeGetChild(tree, item);
        // Without children: the next sibling of the item or of a parent, never past `top`.
        for (HTREEITEM up = item; !next && up && up != top; up = TreeGetParent(tree, up))
            next = TreeGetNextSibling(tree, up);
        item = next;
    }
}

// Every folder of `tree` with a key, into `folders` (`*count` of them), its
// path of shown names in `shownPaths`.
bool CollectFolders(HWND tree, const FolderKeyCopies& keys, HostBlock* checked, DWORD* count, HostBlock* shownPaths) {
    *count = 0;
    const DWORD capacity = keys.added();
    if (!checked->Allocate(static_cast<DWORD>(sizeof(CheckedFolder)) * (capacity + 1))) return false;
    CheckedFolder* folders = reinterpret_cast<CheckedFolder*>(checked->get());
    // The length of the shown path at each depth of the walk, kNoPath
    // where it grew too long; the paths themselves one after another.
    const DWORD kNoPath = 0xFFFFFFFF;
    HostBlock depths, paths;
    DWORD depthCapacity = 0, pathCapacity = 0, pathsUsed = 0;
    char path[kLongestShownPath + kPathCapacity];
    DWORD depth = 0;
    if (!depths.Grow(0, sizeof(DWORD), &depthCapacity)) return false;
    reinterpret_cast<DWORD*>(depths.get())[0] = 0;
    for (HTREEITEM item = TreeGetChild(tree, TVI_ROOT); item;) {
        DWORD* lengths = reinterpret_cast<DWORD*>(depths.get());
        char label[kPathCapacity];
        TreeItemLook look;
        DWORD length = kNoPath;
        if (lengths[depth] != kNoPath && TreeReadItem(tree, item, label, sizeof label, &look)) {
            const DWORD labelLength = static_cast<DWORD>(lstrlenA(label));
            if (lengths[depth] + labelLength + 1 <= kLongestShownPath) {
                CopyMemory(path + lengths[depth], label, labelLength);
                path[lengths[depth] + labelLength] = '\\';
                length = lengths[depth] + labelLength + 1;
            }
        }
        // A folder left out would have its lines called gone: none is.
        LPARAM itemData = 0;
        if (!TreeReadItemData(tree, item, &itemData)) return false;
        const char* key = keys.Find(itemData);
        if (key && *count == capacity) return false;
        if (key) {
            // The offset of the shown path for now: the block may still move.
            CheckedFolder& folder = folders[(*count)++];
            folder = {key, static_cast<DWORD>(lstrlenA(key)), nullptr, 0};
            if (length != kNoPath) {
                if (!paths.Grow(pathsUsed, pathsUsed + length, &pathCapacity)) return false;
                CopyMemory(paths.get() + pathsUsed, path, length);
                folder.shown = reinterpret_cast<const char*>(static_cast<ULONG_PTR>(pathsUsed) + 1);
                folder.shownLength = length;
                pathsUsed += length;
            }
        }
        if (HTREEITEM child = TreeGetChild(tree, item)) {
            if (!depths.Grow((depth + 1) * sizeof(DWORD), (depth + 2) * sizeof(DWORD), &depthCapacity))
                return false;
            reinterpret_cast<DWORD*>(depths.get())[++depth] = length;
            item = child;
            continue;
        }
        while (item) {
            if (HTREEITEM next = TreeGetNextSibling(tree, item)) {
                item = next;
                break;
            }
            item = TreeGetParent(tree, item);
            --depth;
        }
    }
    for (DWORD i = 0; i < *count; ++i) {
        if (folders[i].shown) folders[i].shown = paths.get() + (reinterpret_cast<ULONG_PTR>(folders[i].shown) - 1);
    }
    shownPaths->Adopt(paths.Release());
    return true;
}

}  // namespace

bool EditorCheck::Run(HWND tree, const FolderKeyCopies& keys, const char* dataFolder) {
    rowCount_ = 0;
    HostBlock file;
    DWORD byteCount = 0;
    if (!ReadOrderFileAsStored(&file, &byteCount)) return false;
    // No file, or an empty one: no line to tell of.
    if (byteCount == 0) return true;
    // The folders are needed for the check alone: the lines' fixes are keys.
    // Their keys tell whether every line places a folder, as it mostly does;
    // only a file with a line to explain has the tree's names read for it.
    HostBlock folders, shownPaths;
    DWORD folderCount = 0;
    if (!folders.Allocate(static_cast<DWORD>(sizeof(CheckedFolder)) * (keys.added() + 1))) return false;
    keys.ForEachKey([&](const char* key) {
        reinterpret_cast<CheckedFolder*>(folders.get())[folderCount++] = {key, static_cast<DWORD>(lstrlenA(key)),
                                                                          nullptr, 0};
    });
    if (!check_.Run(file.get(), byteCount, reinterpret_cast<const CheckedFolder*>(folders.get()), folderCount,
                    dataFolder))
        return false;
    if (check_.unplacedLines() != 0 &&
        (!CollectFolders(tree, keys, &folders, &folderCount, &shownPaths) ||
         !check_.Run(file.get(), byteCount, reinterpret_cast<const CheckedFolder*>(folders.get()), folderCount,
                     dataFolder)))
        return false;
    if (!rows_.Allocate(static_cast<DWORD>(sizeof(DWORD)) * (check_.count() + 1)) ||
        !choices_.Allocate(check_.count() + 1))
        return false;
    DWORD* rows = reinterpret_cast<DWORD*>(rows_.get());
    for (DWORD i = 0; i < check_.count(); ++i) {
        const CheckedLine& line = check_.line(i);
        // A repeat goes at OK anyway, and so does an empty line.
        if (line.slip == LineSlip::kRepeat || line.length == 0) continue;
        rows[rowCount_] = i;
        choices_.get()[rowCount_++] = static_cast<char>(LineChoice::kKeep);
    }
    return true;
}

DWORD EditorCheck::chosen() const {
    DWORD count = 0;
    for (DWORD i = 0; i < rowCount_; ++i) count += choice(i) != LineChoice::kKeep;
    return count;
}

bool EditorCheck::CanFix(DWORD index) const {
    const CheckedLine& line = row(index);
    return line.fixNamesFolder && line.candidates <= 1;
}

// The folders the fixed lines name: for each, the number of the line that
// places it once the fixes are taken (its own line or the first fixed line,
// whichever comes first), and its item in the tree now. A TextTable entry
// by the folder's key: `value` that line's number, `last` its item's index.
class EditorCheck::FixedFolders {
public:
    static const DWORD kNotPlaced = 0xFFFFFFFF;

    // The fixes `choices` asks for, where one is known.
    bool Take(const EditorCheck& check, const LineChoice* choices) {
        if (!byKey_.Reserve(check.rows()) ||
            !items_.Allocate(static_cast<DWORD>(sizeof(HTREEITEM)) * (check.rows() + 1)))
            return false;
        for (DWORD i = 0; i < check.rows(); ++i) {
            const CheckedLine& line = check.row(i);
            if (choices[i] != LineChoice::kFix || !check.CanFix(i)) continue;
            TextTable::Entry& folder = byKey_.At(line.fix, line.fixLength);
            if (folder.count++ != 0) continue;
            const DWORD own = check.check().NumberOf(line.fix, line.fixLength);
            folder.value = own && own < line.number ? own : line.number;
            folder.last = count_;
            items()[count_++] = nullptr;
        }
        return true;
    }
    // The number of the line that places the folder of `key`, or 0.
    DWORD PlacedAt(const EditorCheck& check, const char* key, DWORD length) const {
        const TextTable::Entry* folder = byKey_.Find(key, length);
        return folder && folder->value != kNotPlaced ? folder->value : check.check().NumberOf(key, length);
    }
    // The folder of `key` could not take its place: its own line alone
    // places it, and no fix of it moves it.
    void Unplace(const char* key, DWORD length) {
        // Only for a folder Take found a fix of: At finds its entry.
        byKey_.At(key, length).value = kNotPlaced;
    }
    bool Unplaced(const char* key, DWORD length) const {
        const TextTable::Entry* folder = byKey_.Find(key, length);
        return folder && folder->value == kNotPlaced;
    }
    // Notes the items of the fixed folders in `top`'s subtree (TVI_ROOT: the
    // whole tree): a move makes new items for the folder and all below it.
    void NoteItems(HWND tree, const FolderKeyCopies& keys, HTREEITEM top) {
        auto note = [&](HTREEITEM item) {
            const char* key = keys.Find(TreeGetItemData(tree, item));
            const TextTable::Entry* folder = key ? byKey_.Find(key, static_cast<DWORD>(lstrlenA(key))) : nullptr;
            if (folder) items()[folder->last] = item;
        };
        if (top != TVI_ROOT) return ForEachInSubtree(tree, top, note);
        for (HTREEITEM item = TreeGetRoot(tree); item; item = NextPreorder(tree, item)) note(item);
    }
    HTREEITEM ItemOf(const char* key, DWORD length) const {
        const TextTable::Entry* folder = byKey_.Find(key, length);
        return folder ? items()[folder->last] : nullptr;
    }
    // Each fixed folder's number, from 0 to count() - 1; kNotPlaced for a
    // folder no fix names.
    DWORD SerialOf(const char* key, DWORD length) const {
        const TextTable::Entry* folder = byKey_.Find(key, length);
        return folder ? folder->last : kNotPlaced;
    }
    DWORD count() const { return count_; }

private:
    HTREEITEM* items() const { return reinterpret_cast<HTREEITEM*>(items_.get()); }

    TextTable byKey_;
    HostBlock items_;
    DWORD count_ = 0;
};

namespace {

// A folder of the sibling group being placed: its item, and the number of
// the line that places it (0: none does).
struct Sibling {
    HTREEITEM item;
    HTREEITEM before;  // its item before the group was arranged
    DWORD number;
};

}  // namespace

bool EditorCheck::PlaceGroup(HWND tree, const FolderKeyCopies& keys, const DWORD* rows, DWORD count, DWORD first,
                             char* placed, FixedFolders* fixed, DWORD* groupOf, DWORD group) {
    const CheckedLine& firstLine = row(rows[first]);
    HTREEITEM folder = fixed->ItemOf(firstLine.fix, firstLine.fixLength);
    if (!folder) return false;
    // The group as it stands: each folder's item and the line that places it.
    const HTREEITEM parent = TreeGetParent(tree, folder);
    HostBlock siblingBlock;
    DWORD capacity = 0, siblingCount = 0;
    for (HTREEITEM item = TreeGetChild(tree, parent ? parent : TVI_ROOT); item; item = TreeGetNextSibling(tree, item)) {
        // A sibling the control cannot read could stand anywhere.
        LPARAM itemData = 0;
        if (!TreeReadItemData(tree, item, &itemData) ||
            !siblingBlock.Grow(siblingCount * sizeof(Sibling), (siblingCount + 1) * sizeof(Sibling), &capacity))
            return false;
        const char* key = keys.Find(itemData);
        const DWORD length = key ? static_cast<DWORD>(lstrlenA(key)) : 0;
        const DWORD serial = key ? fixed->SerialOf(key, length) : FixedFolders::kNotPlaced;
        if (serial != FixedFolders::kNotPlaced) groupOf[2 * serial] = group, groupOf[2 * serial + 1] = siblingCount;
        reinterpret_cast<Sibling*>(siblingBlock.get())[siblingCount++] =
            Sibling{item, item, key ? fixed->PlacedAt(*this, key, length) : 0};
    }
    Sibling* siblings = reinterpret_cast<Sibling*>(siblingBlock.get());
    HostBlock orderBlock;
    if (!orderBlock.Allocate(static_cast<DWORD>(sizeof(int)) * (siblingCount + 1))) return false;
    int* order = reinterpret_cast<int*>(orderBlock.get());
    for (DWORD i = 0; i < siblingCount; ++i) order[i] = static_cast<int>(i);
    // The group's fixes in the file's order, each as one move would take it:
    // the folder after the sibling placed last before its line, or first.
    for (DWORD k = first; k < count; ++k) {
        const CheckedLine& line = row(rows[k]);
        const DWORD serial = fixed->SerialOf(line.fix, line.fixLength);
        if (placed[k] || groupOf[2 * serial] != group) continue;
        placed[k] = 1;
        const int moving = static_cast<int>(groupOf[2 * serial + 1]);
        DWORD at = 0;
        while (order[at] != moving) ++at;
        for (; at + 1 < siblingCount; ++at) order[at] = order[at + 1];
        DWORD insertAt = 0, afterNumber = 0;
        for (DWORD i = 0; i + 1 < siblingCount; ++i) {
            const DWORD number = siblings[order[i]].number;
            if (number && number < line.number && number > afterNumber) {
                insertAt = i + 1;
                afterNumber = number;
            }
        }
        for (DWORD i = siblingCount - 1; i > insertAt; --i) order[i] = order[i - 1];
        order[insertAt] = moving;
    }
    bool moves = false;
    for (DWORD i = 0; i < siblingCount; ++i) moves = moves || order[i] != static_cast<int>(i);
    if (!moves) return true;
    HostBlock itemBlock;
    if (!itemBlock.Allocate(static_cast<DWORD>(sizeof(HTREEITEM)) * siblingCount)) return false;
    HTREEITEM* items = reinterpret_cast<HTREEITEM*>(itemBlock.get());
    for (DWORD i = 0; i < siblingCount; ++i) items[i] = siblings[i].item;
    if (!ArrangeSiblings(tree, parent, items, order, static_cast<int>(siblingCount))) {
        // Told already: the group stands as it did.
        for (DWORD k = first; k < count; ++k) {
            const CheckedLine& line = row(rows[k]);
            if (groupOf[2 * fixed->SerialOf(line.fix, line.fixLength)] != group) continue;
            placed[k] = 2;
            fixed->Unplace(line.fix, line.fixLength);
        }
        return true;
    }
    // A moved folder is new items, its subfolders too: fixes further down find them there.
    for (DWORD i = 0; i < siblingCount; ++i) {
        if (items[i] != siblings[i].before) fixed->NoteItems(tree, keys, items[i]);
    }
    return true;
}

void EditorCheck::Apply(HWND tree, const FolderKeyCopies& keys, const LineChoice* choices) {
    FixedFolders fixed;
    const bool taken = fixed.Take(*this, choices);
    if (taken) fixed.NoteItems(tree, keys, TVI_ROOT);
    bool untold = false;
    // The rows newly fixed whose line places their folder; moved below,
    // group by group.
    HostBlock rowBlock, freshBlock, placedBlock, groupBlock;
    const bool room = taken && rowBlock.Allocate(static_cast<DWORD>(sizeof(DWORD)) * (rowCount_ + 1)) &&
                      freshBlock.Allocate(static_cast<DWORD>(sizeof(DWORD)) * (rowCount_ + 1)) &&
                      placedBlock.Allocate(rowCount_ + 1) &&
                      groupBlock.Allocate(static_cast<DWORD>(2 * sizeof(DWORD)) * (fixed.count() + 1));
    DWORD* rows = reinterpret_cast<DWORD*>(rowBlock.get());
    DWORD* fresh = reinterpret_cast<DWORD*>(freshBlock.get());
    DWORD count = 0, freshCount = 0;
    for (DWORD i = 0; i < rowCount_; ++i) {
        LineChoice wanted = choices[i] == LineChoice::kFix && !CanFix(i) ? LineChoice::kKeep : choices[i];
        const CheckedLine& line = row(i);
        // A fix taken in an earlier opening moved its folder then; one whose
        // folder an earlier line places only goes. After a move the control
        // could not finish, the tree is closing, as the user was told:
        // nothing more moves.
        if (wanted == LineChoice::kFix && choice(i) != LineChoice::kFix) {
            if (!room) {
                untold = true;
                wanted = LineChoice::kKeep;
            } else if (g_module.editorAbandoned) {
                wanted = LineChoice::kKeep;
            } else {
                fresh[freshCount++] = i;
                if (fixed.PlacedAt(*this, line.fix, line.fixLength) == line.number) rows[count++] = i;
            }
        }
        choices_.get()[i] = static_cast<char>(wanted);
    }
    if (count != 0) {
        // 0: not placed yet; 1: placed; 2: its folder could not take its place.
        char* placed = placedBlock.get();
        ZeroMemory(placed, count);
        DWORD* groupOf = reinterpret_cast<DWORD*>(groupBlock.get());
        for (DWORD i = 0; i < 2 * fixed.count(); ++i) groupOf[i] = 0;
        DWORD groups = 0;
        for (DWORD k = 0; k < count; ++k) {
            if (placed[k]) continue;
            // Folders the control could not find or read stay where they
            // were; no other fix is placed after them from here on.
            if (g_module.editorAbandoned || !PlaceGroup(tree, keys, rows, count, k, placed, &fixed, groupOf, ++groups)) {
                untold = untold || !g_module.editorAbandoned;
                placed[k] = 2;
                const CheckedLine& line = row(rows[k]);
                fixed.Unplace(line.fix, line.fixLength);
            }
        }
        // A fix whose folder could not take its place keeps its line, and
        // so do the folder's other fixes, whichever line placed it.
        for (DWORD k = 0; k < freshCount; ++k) {
            const CheckedLine& line = row(fresh[k]);
            if (fixed.Unplaced(line.fix, line.fixLength))
                choices_.get()[fresh[k]] = static_cast<char>(LineChoice::kKeep);
        }
    }
    // A folder that could not be found (no memory, an item the control
    // could not read) stayed where it was: the user is told.
    if (untold) ShowEditorWarning(GetParent(tree), kEditorMoveFailed);
}

bool EditorCheck::Dropped(HostBlock* lines, DWORD* count) const {
    *count = 0;
    if (!lines->Allocate(static_cast<DWORD>(sizeof(LineText)) * (rowCount_ + 1))) return false;
    LineText* dropped = reinterpret_cast<LineText*>(lines->get());
    for (DWORD i = 0; i < rowCount_; ++i) {
        if (choice(i) != LineChoice::kKeep) dropped[(*count)++] = {RowText(i), row(i).length};
    }
    return true;
}
