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
bool SiblingsAlreadyInOrder(HWND tree, HTREEITEM parent) {
    HTREEITEM item = TreeGetChild(tree, parent);
    if (!item) return true;
    const char* previousKey = FolderKeyOf(TreeGetItemData(tree, item));
    if (!previousKey) return false;
    const OrderList& list = g_module.orderList;
    while ((item = TreeGetNextSibling(tree, item)) != nullptr) {
        const char* key = FolderKeyOf(TreeGetItemData(tree, item));
        if (!key || CompareKeysWith(list.scan, list.buffer, OrderListEnd(), previousKey, key) > 0) return false;
        previousKey = key;
    }
    return true;
}
