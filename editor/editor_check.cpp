#include "editor/editor_check.h"

#include "editor/folder_moves.h"
#include "order/folder_key_copies.h"
#include "order/key_hash.h"
#include "order/order_file.h"
#include "order/tree_walk.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"

namespace {

// A path of shown names longer than this is no line anyone writes by hand:
// a folder deeper down is checked by its key alone.
const DWORD kLongestShownPath = 1024;

// Makes room for `needed` bytes in `block`, keeping what it holds.
bool Reserve(HostBlock* block, DWORD* capacity, DWORD used, DWORD needed) {
    if (needed <= *capacity) return true;
    DWORD grown = *capacity ? *capacity : 4096;
    while (grown < needed) grown *= 2;
    HostBlock larger;
    if (!larger.Allocate(grown)) return false;
    if (used) CopyMemory(larger.get(), block->get(), used);
    block->Adopt(larger.Release());
    *capacity = grown;
    return true;
}

// The folder of `tree` whose key is `key`, or null.
HTREEITEM FindFolder(HWND tree, const FolderKeyCopies& keys, const char* key, DWORD length) {
    for (HTREEITEM item = TreeGetRoot(tree); item; item = NextPreorder(tree, item)) {
        const char* found = keys.Find(TreeGetItemData(tree, item));
        if (found && static_cast<DWORD>(lstrlenA(found)) == length && SameBytes(found, key, length)) return item;
    }
    return nullptr;
}

}  // namespace

bool EditorCheck::CollectFolders(HWND tree, const FolderKeyCopies& keys) {
    folderCount_ = 0;
    if (!folders_.Allocate(static_cast<DWORD>(sizeof(CheckedFolder)) * (keys.added() + 1))) return false;
    CheckedFolder* folders = reinterpret_cast<CheckedFolder*>(folders_.get());
    // The length of the shown path at each depth of the walk, kNoPath
    // where it grew too long; the paths themselves one after another.
    const DWORD kNoPath = 0xFFFFFFFF;
    HostBlock depths, paths;
    DWORD depthCapacity = 0, pathCapacity = 0, pathsUsed = 0;
    char path[kLongestShownPath + kPathCapacity];
    DWORD depth = 0;
    if (!Reserve(&depths, &depthCapacity, 0, sizeof(DWORD))) return false;
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
        const char* key = keys.Find(TreeGetItemData(tree, item));
        if (key) {
            // The offset of the shown path for now: the block may still move.
            CheckedFolder& folder = folders[folderCount_++];
            folder = {key, static_cast<DWORD>(lstrlenA(key)), nullptr, 0};
            if (length != kNoPath) {
                if (!Reserve(&paths, &pathCapacity, pathsUsed, pathsUsed + length)) return false;
                CopyMemory(paths.get() + pathsUsed, path, length);
                folder.shown = reinterpret_cast<const char*>(static_cast<ULONG_PTR>(pathsUsed) + 1);
                folder.shownLength = length;
                pathsUsed += length;
            }
        }
        if (HTREEITEM child = TreeGetChild(tree, item)) {
            if (!Reserve(&depths, &depthCapacity, (depth + 1) * sizeof(DWORD), (depth + 2) * sizeof(DWORD)))
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
    for (DWORD i = 0; i < folderCount_; ++i) {
        if (folders[i].shown) folders[i].shown = paths.get() + (reinterpret_cast<ULONG_PTR>(folders[i].shown) - 1);
    }
    shownPaths_.Adopt(paths.Release());
    return true;
}

bool EditorCheck::Run(HWND tree, const FolderKeyCopies& keys, const char* dataFolder) {
    rowCount_ = 0;
    HostBlock file;
    DWORD byteCount = 0;
    if (!ReadOrderFileAsStored(&file, &byteCount)) return false;
    // No file, or an empty one: no line to tell of.
    if (byteCount == 0) return true;
    if (!CollectFolders(tree, keys) ||
        !check_.Run(file.get(), byteCount, reinterpret_cast<const CheckedFolder*>(folders_.get()), folderCount_,
                    dataFolder))
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

bool EditorCheck::MoveToFixedPlace(HWND tree, const FolderKeyCopies& keys, DWORD index) {
    const CheckedLine& line = row(index);
    // A line of the folder's own places it already: the fix only drops a repeat.
    if (check_.NumberOf(line.fix, line.fixLength) != 0) return true;
    HTREEITEM folder = FindFolder(tree, keys, line.fix, line.fixLength);
    if (!folder) return false;
    HTREEITEM parent = TreeGetParent(tree, folder);
    HTREEITEM after = nullptr;
    DWORD afterNumber = 0;
    for (HTREEITEM sibling = TreeGetChild(tree, parent ? parent : TVI_ROOT); sibling;
         sibling = TreeGetNextSibling(tree, sibling)) {
        const char* key = sibling == folder ? nullptr : keys.Find(TreeGetItemData(tree, sibling));
        const DWORD number = key ? check_.NumberOf(key, static_cast<DWORD>(lstrlenA(key))) : 0;
        if (number && number < line.number && number > afterNumber) {
            after = sibling;
            afterNumber = number;
        }
    }
    if (TreeGetPreviousSibling(tree, folder) == after) return true;
    return MoveFolder(tree, folder, after) != nullptr;
}

void EditorCheck::Apply(HWND tree, const FolderKeyCopies& keys, const LineChoice* choices) {
    for (DWORD i = 0; i < rowCount_; ++i) {
        LineChoice wanted = choices[i];
        if (wanted == LineChoice::kFix && (!CanFix(i) || (choice(i) != LineChoice::kFix &&
                                                          !MoveToFixedPlace(tree, keys, i))))
            wanted = LineChoice::kKeep;
        choices_.get()[i] = static_cast<char>(wanted);
    }
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
