#include "order/tree_sort.h"

#include "order/folder_key.h"
#include "order/order_file.h"
#include "order/order_lines.h"
#include "order/tree_walk.h"
#include "plugin/module_state.h"
#include "plugin/processor.h"
#include "plugin/tree_control.h"

namespace {

int CompareListedKeys(const char* firstKey, const char* secondKey) {
    const OrderList& list = g_module.orderList;
    return CompareKeysWith(list.scan, list.buffer, OrderListEnd(), firstKey, secondKey);
}

}  // namespace

int CALLBACK CompareFolders(LPARAM first, LPARAM second, LPARAM /*applicationValue*/) {
    const char* firstKey = FolderKeyOf(first);
    if (!firstKey) return 0;
    const char* secondKey = FolderKeyOf(second);
    if (!secondKey) return 0;
    return CompareListedKeys(firstKey, secondKey);
}

// Each key is taken once, though it takes part in two comparisons: taking
// one costs a walk over the whole path besides the pointer checks.
bool SiblingsAlreadyInOrder(HWND tree, HTREEITEM parent) {
    HTREEITEM item = TreeGetChild(tree, parent);
    if (!item) return true;
    const char* previousKey = FolderKeyOf(TreeGetItemData(tree, item));
    if (!previousKey) return false;
    while ((item = TreeGetNextSibling(tree, item)) != nullptr) {
        const char* key = FolderKeyOf(TreeGetItemData(tree, item));
        if (!key || CompareListedKeys(previousKey, key) > 0) return false;
        previousKey = key;
    }
    return true;
}

OrderScan FastestOrderScan() {
    return ProcessorHasAvx512Bw() ? OrderScan::kAvx512
           : ProcessorHasAvx2()   ? OrderScan::kAvx2
           : ProcessorHasSse2()   ? OrderScan::kSse2
                                  : OrderScan::kScalar;
}

void SortFolderTree(HWND tree) {
    if (!LoadOrderList()) return;
    g_module.orderList.scan = FastestOrderScan();
    // Children are sorted before the walk descends into them, so the walk
    // follows the new order and visits every item once.
    for (HTREEITEM node = TVI_ROOT; node; node = NextPreorder(tree, node))
        if (!SiblingsAlreadyInOrder(tree, node)) TreeSortChildren(tree, node, CompareFolders);
    ReleaseOrderList();
}
