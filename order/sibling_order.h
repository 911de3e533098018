// Whether a group of sibling folders already stands in the order file's
// order, so that a sort can leave it as it is.
#pragma once

#include <windows.h>
#include <commctrl.h>

// True when the children of `parent` (an item or TVI_ROOT) already stand in
// the order file's order: every child has a key and none is listed after
// the child that follows it. A group holding a folder without a key has no
// consistent order, so it is never called in order. Needs the order list
// loaded.
bool SiblingsAlreadyInOrder(HWND tree, HTREEITEM parent);
