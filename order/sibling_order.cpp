#include "order/sibling_order.h"

#include "order/folder_key.h"
#include "order/order_file.h"
#include "order/order_lines.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"

// One comparison a pair of neighbours, each scanning the list from its
// first line as the sort's do. Each key is taken once, though it takes part
// in two comparisons: taking one costs a walk over the whole path besides
// the pointer checks.
SiblingGroup CheckSiblingGroup(HWND tree, HTREEITEM firstChild) {
    SiblingGroup group = {false, nullptr, nullptr};
    const OrderList& list = g_module.orderList;
    const char* previousKey = nullptr;
    for (HTREEITEM item = firstChild; item; item = TreeGetNextSibling(tree, item)) {
        const char* key = FolderKeyOf(TreeGetItemData(tree, item));
        if (!key) return group;
        if (previousKey && CompareKeysWith(list.scan, list.buffer, OrderListEnd(), previousKey, key) > 0) return group;
        previousKey = key;
        if (!group.firstParent) {
            HTREEITEM child = TreeGetChild(tree, item);
            if (child) {
                group.firstParent = item;
                group.firstGrandchild = child;
            }
        }
    }
    group.inOrder = true;
    return group;
}
