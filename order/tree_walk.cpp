#include "order/tree_walk.h"

#include "plugin/tree_control.h"

HTREEITEM NextPreorder(HWND tree, HTREEITEM item) {
    HTREEITEM child = TreeGetChild(tree, item);
    if (child) return child;
    for (HTREEITEM node = item; node; node = TreeGetParent(tree, node)) {
        HTREEITEM next = TreeGetNextSibling(tree, node);
        if (next) return next;
    }
    return nullptr;
}
