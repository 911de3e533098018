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

namespace {
// Sorts every sibling group by the list now in g_module.orderList. Children
// are sorted before the walk descends into them, so the walk follows the new
// order and visits every item once. False when the control refused to sort
// a group.
bool SortByOrderList(HWND tree) {
    struct OwnSort {
        explicit OwnSort(HWND tree) { g_module.sortingTree = tree; }
        ~OwnSort() { g_module.sortingTree = nullptr; }
    } ownSort(tree);
    g_module.orderList.scan = ProcessorHasAvx2()   ? OrderScan::kAvx2
                              : ProcessorHasSse2() ? OrderScan::kSse2
                                                   : OrderScan::kScalar;
    bool sortedEveryGroup = true;
    for (HTREEITEM node = TVI_ROOT; node; node = NextPreorder(tree, node)) {
        // A group already in order is left as it is: the control's sort
        // would leave it so too.
        if (SiblingsAlreadyInOrder(tree, node)) continue;
        if (!TreeSortChildren(tree, node, CompareFolders) && TreeHasSeveralChildren(tree, node))
            sortedEveryGroup = false;
    }
    return sortedEveryGroup;
}
}  // namespace

void SortFolderTree(HWND tree) {
    if (!LoadOrderList()) return;
    SortByOrderList(tree);
    ReleaseOrderList();
}

bool SortFolderTreeBy(HWND tree, char* bytes, DWORD byteCount) {
    SplitOrderLines(bytes, byteCount);
    g_module.orderList.buffer = bytes;
    g_module.orderList.byteCount = byteCount;
    bool sorted = SortByOrderList(tree);
    g_module.orderList.buffer = nullptr;
    g_module.orderList.byteCount = 0;
    return sorted;
}
