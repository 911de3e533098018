#include "order/tree_sort.h"

#include "order/folder_key.h"
#include "order/order_file.h"
#include "order/order_lines.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"

int CALLBACK CompareFolders(LPARAM first, LPARAM second, LPARAM /*applicationValue*/) {
    const char* firstKey = FolderKeyOf(first);
    if (!firstKey) return 0;
    const char* secondKey = FolderKeyOf(second);
    if (!secondKey) return 0;

    return CompareKeysByLines(g_module.orderList.buffer, OrderListEnd(), firstKey, secondKey);
}

HTREEITEM NextPreorder(HWND tree, HTREEITEM item) {
    HTREEITEM child = TreeGetChild(tree, item);
    if (child) return child;
    for (HTREEITEM node = item; node; node = TreeGetParent(tree, node)) {
        HTREEITEM next = TreeGetNextSibling(tree, node);
        if (next) return next;
    }
    return nullptr;
}

void SortFolderTree(HWND tree) {
    if (!LoadOrderList()) return;
    // Children are sorted before the walk descends into them, so the walk
    // follows the new order and visits every item once.
    for (HTREEITEM node = TVI_ROOT; node; node = NextPreorder(tree, node))
        TreeSortChildren(tree, node, CompareFolders);
    ReleaseOrderList();
}
