#include "order/tree_sort.h"

#include "order/folder_key.h"
#include "order/order_file.h"
#include "order/order_lines.h"
#include "order/sibling_order.h"
#include "order/tree_walk.h"
#include "plugin/module_state.h"
#include "plugin/processor.h"
#include "plugin/tree_control.h"

int CALLBACK CompareFolders(LPARAM first, LPARAM second, LPARAM /*applicationValue*/) {
    const char* firstKey = FolderKeyOf(first);
    if (!firstKey) return 0;
    const char* secondKey = FolderKeyOf(second);
    if (!secondKey) return 0;

    const OrderList& list = g_module.orderList;
    return CompareKeysWith(list.scan, list.buffer, OrderListEnd(), firstKey, secondKey);
}

void SortFolderTree(HWND tree) {
    if (!LoadOrderList()) return;
    g_module.orderList.scan = ProcessorHasAvx2()   ? OrderScan::kAvx2
                              : ProcessorHasSse2() ? OrderScan::kSse2
                                                   : OrderScan::kScalar;
    // Children are sorted before the walk descends into them, so the walk
    // follows the new order and visits every item once.
    for (HTREEITEM node = TVI_ROOT; node; node = NextPreorder(tree, node))
        if (!SiblingsAlreadyInOrder(tree, node)) TreeSortChildren(tree, node, CompareFolders);
    ReleaseOrderList();
}
