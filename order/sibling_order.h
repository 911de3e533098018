// Whether a group of sibling folders already stands in the order file's
// order, so that a sort can leave it as it is.
#pragma once

#include <windows.h>
#include <commctrl.h>

// What one pass over a group of siblings found.
struct SiblingGroup {
    // Every child has a key and none is listed after the child that follows
    // it. A group holding a folder without a key has no consistent order,
    // so it is never called in order.
    bool inOrder;
    // When in order: the first child that has children of its own, and its
    // first child; both null when every child is a leaf.
    HTREEITEM firstParent;
    HTREEITEM firstGrandchild;
};

// Checks the group that begins at `firstChild`, in one pass that asks the
// control for each child's item data, next sibling and (until one is found)
// first child once each: the sort's walk needs nothing more to go on. Needs
// the order list loaded.
SiblingGroup CheckSiblingGroup(HWND tree, HTREEITEM firstChild);
