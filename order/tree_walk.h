// The one walk over a folder tree that the sort, the save and the start-up
// check share: depth-first, a parent before its children.
#pragma once

#include <windows.h>
#include <commctrl.h>

// The item after `item` in a depth-first walk that visits a parent before its
// children; given TVI_ROOT, the first top-level item. Null at the end.
HTREEITEM NextPreorder(HWND tree, HTREEITEM item);
