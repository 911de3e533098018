#include "order/tree_sort.h"

#include "order/folder_key.h"
#include "order/order_file.h"
#include "order/order_lines.h"
#include "order/sibling_order.h"
#include "plugin/module_state.h"
#include "plugin/processor.h"
#include "plugin/tree_control.h"
#include "plugin/tree_subclass.h"

int CALLBACK CompareFolders(LPARAM first, LPARAM second, LPARAM /*applicationValue*/) {
    const char* firstKey = FolderKeyOf(first);
    if (!firstKey) return 0;
    const char* secondKey = FolderKeyOf(second);
    if (!secondKey) return 0;

    const OrderList& list = g_module.orderList;
    return CompareKeysWith(list.scan, list.buffer, OrderListEnd(), firstKey, secondKey);
}

namespace {
// An item that has children, and its first child: where the walk goes down.
struct Descent {
    HTREEITEM item;
    HTREEITEM firstChild;
};

// The first of `item` and its later siblings that has children, with its
// first child; null when none has.
Descent FirstParentFrom(HWND tree, HTREEITEM item) {
    for (; item; item = TreeGetNextSibling(tree, item)) {
        HTREEITEM child = TreeGetChild(tree, item);
        if (child) return {item, child};
    }
    return {nullptr, nullptr};
}

// Sorts the children of `parent`, the first of which is `firstChild`,
// unless they already stand in order (the control's sort would leave them
// so too). Answers the group's first child that has children, in the
// group's final order. Clears *sortedEveryGroup when the control refused
// to sort the group.
Descent SortGroup(HWND tree, HTREEITEM parent, HTREEITEM firstChild, GroupLeftAlone leftAlone,
                  bool* sortedEveryGroup) {
    SiblingGroup group = CheckSiblingGroup(tree, firstChild);
    if (group.inOrder) return {group.firstParent, group.firstGrandchild};
    if (leftAlone && leftAlone(parent)) return FirstParentFrom(tree, firstChild);
    if (!TreeSortChildren(tree, parent, CompareFolders) && TreeHasSeveralChildren(tree, parent))
        *sortedEveryGroup = false;
    // The sort may have put another child first.
    return FirstParentFrom(tree, TreeGetChild(tree, parent));
}

// Once the subtree of `item` is done: the next item that has children,
// among the later siblings of `item` and then of each of its ancestors.
Descent NextParentAfter(HWND tree, HTREEITEM item) {
    for (HTREEITEM node = item; node; node = TreeGetParent(tree, node)) {
        Descent found = FirstParentFrom(tree, TreeGetNextSibling(tree, node));
        if (found.item) return found;
    }
    return {nullptr, nullptr};
}

// Sorts every sibling group by the list now in g_module.orderList, parents
// before their children, so the walk goes down in the new order. It visits
// the groups as a depth-first walk visits their parents, but asks the
// control about each item as few times as it can: a message naming an item
// costs a search of the whole tree in some controls (Wine's checks the
// handle against every item). A tree already in order costs three messages
// an item (its data, child and next sibling), one more for an item after a
// folder with subfolders in its group. False when the control refused to
// sort a group.
bool SortByOrderList(HWND tree, GroupLeftAlone leftAlone) {
    struct OwnSort {
        explicit OwnSort(HWND tree) { g_module.sortingTree = tree; }
        ~OwnSort() { g_module.sortingTree = nullptr; }
    } ownSort(tree);
    TreeQueriesStraightTo straight(RouteUnderSubclass(tree));
    g_module.orderList.scan = ProcessorHasAvx2()   ? OrderScan::kAvx2
                              : ProcessorHasSse2() ? OrderScan::kSse2
                                                   : OrderScan::kScalar;
    bool sortedEveryGroup = true;
    HTREEITEM top = TreeGetChild(tree, TVI_ROOT);
    if (!top) return true;
    for (Descent next = SortGroup(tree, TVI_ROOT, top, leftAlone, &sortedEveryGroup); next.item;) {
        Descent below = SortGroup(tree, next.item, next.firstChild, leftAlone, &sortedEveryGroup);
        next = below.item ? below : NextParentAfter(tree, next.item);
    }
    return sortedEveryGroup;
}
}  // namespace

SortOutcome SortFolderTree(HWND tree, GroupLeftAlone leftAlone) {
    // A sort inside a sort (something pumped messages while the tree handled
    // one) would take the order list from under the outer one, which sorts
    // the tree anyway.
    if (g_module.sortingTree) return SortOutcome::kSorted;
    switch (LoadOrderList()) {
        case OrderLoad::kLoaded: break;
        case OrderLoad::kNoFile: return SortOutcome::kNoFile;
        case OrderLoad::kNotNow: return SortOutcome::kNotNow;
    }
    SortByOrderList(tree, leftAlone);
    ReleaseOrderList();
    return SortOutcome::kSorted;
}

bool SortFolderTreeBy(HWND tree, char* bytes, DWORD byteCount) {
    if (g_module.sortingTree) return false;
    SplitOrderLines(bytes, byteCount);
    g_module.orderList.buffer = bytes;
    g_module.orderList.byteCount = byteCount;
    bool sorted = SortByOrderList(tree, nullptr);
    g_module.orderList.buffer = nullptr;
    g_module.orderList.byteCount = 0;
    return sorted;
}
