// The walk over a folder tree that the save and the editor's copy use:
// depth-first, a parent before its children, one item at a time. (The
// sort walks group by group, asking the control about each item fewer
// times.)
#pragma once

#include <windows.h>
#include <commctrl.h>

// The item after `item` in a depth-first walk that visits a parent before its
// children; given TVI_ROOT, the first top-level item. Null at the end.
HTREEITEM NextPreorder(HWND tree, HTREEITEM item);
