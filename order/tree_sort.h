// Sorting a folder tree by the order file.
#pragma once

#include <windows.h>
#include <commctrl.h>

// A group the sort leaves as it is, named by its parent (TVI_ROOT for the
// top level): another party keeps it in an order of its own.
typedef bool (*GroupLeftAlone)(HTREEITEM parent);

enum class SortOutcome {
    kSorted,   // every group not left alone is in the file's order, or the control refused
               // one; also a sort asked for inside a sort, which that one does
    kNoFile,   // no order file: nothing to order by
    kNotNow,   // the file could not be read now (held, unreadable, no memory): the tree is as it was
};

// Sorts every sibling group of the tree: folders listed in the order file
// first, in file order; the others after them. Leaves the tree as it was when
// the order file cannot be loaded; never waits for a file another program holds.
SortOutcome SortFolderTree(HWND tree, GroupLeftAlone leftAlone = nullptr);

// Sorts the tree by an order file's bytes held in memory (a block of the
// caller's, whose line ends are turned into NULs). False when the control
// refused to sort some group, which then kept its order.
bool SortFolderTreeBy(HWND tree, char* bytes, DWORD byteCount);

// The comparison handed to the tree control: -1 when the first folder's key is
// listed before the second's, +1 when the second's comes first, 0 when
// neither is listed or either folder has no key.
int CALLBACK CompareFolders(LPARAM first, LPARAM second, LPARAM applicationValue);
