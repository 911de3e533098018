// Sorting a folder tree by the order file.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Sorts every sibling group of the tree: folders listed in the order file
// first, in file order; the others after them. Leaves the tree as it was when
// the order file cannot be loaded.
void SortFolderTree(HWND tree);

// The comparison handed to the tree control: -1 when the first folder's key is
// listed before the second's, +1 when the second's comes first, 0 when
// neither is listed or either folder has no key.
int CALLBACK CompareFolders(LPARAM first, LPARAM second, LPARAM applicationValue);
