// Sorting a folder tree by the order file.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "order/order_lines.h"

// Sorts every sibling group of the tree: folders listed in the order file
// first, in file order; the others after them. Leaves the tree as it was when
// the order file cannot be loaded.
void SortFolderTree(HWND tree);

// The widest scan of the order list that the processor and the system
// support: what every sort uses.
OrderScan FastestOrderScan();

// True when the children of `parent` (an item or TVI_ROOT) already stand in
// the order file's order: every child has a key and none is listed after
// the child that follows it. A group holding a folder
// without a key has no consistent order, so it is never called in order.
// Needs the order list loaded.
bool SiblingsAlreadyInOrder(HWND tree, HTREEITEM parent);

// The comparison handed to the tree control: -1 when the first folder's key is
// listed before the second's, +1 when the second's comes first, 0 when
// neither is listed or either folder has no key.
int CALLBACK CompareFolders(LPARAM first, LPARAM second, LPARAM applicationValue);
