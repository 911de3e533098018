#include "order/tree_sort.h"

#include "order/folder_key.h"
#include "order/order_file.h"
#include "plugin/tree_control.h"

namespace {

enum LineMatch { kNeither = 0, kFirst = -1, kSecond = 1 };

// Compares one line with both keys in a single pass and stops at the first
// byte that rules both out. Sets *stop to where the scan ended, inside the
// line or at its end, so the walk to the next line goes on from there.
LineMatch MatchLine(const char* line, const char* end, const char* firstKey,
                    const char* secondKey, const char** stop) {
    bool firstAlive = true;
    bool secondAlive = true;
    for (const char* p = line;; ++p) {
        const size_t i = static_cast<size_t>(p - line);
        if (p == end || *p == '\0') {
            *stop = p;
            if (firstAlive && firstKey[i] == '\0') return kFirst;
            if (secondAlive && secondKey[i] == '\0') return kSecond;
            return kNeither;
        }
        // A key is never read past its own terminator: once it differs, it is
        // out of the race.
        firstAlive = firstAlive && firstKey[i] == *p;
        secondAlive = secondAlive && secondKey[i] == *p;
        if (!firstAlive && !secondAlive) {
            *stop = p;
            return kNeither;
        }
    }
}

}  // namespace

int CALLBACK CompareFolders(LPARAM first, LPARAM second, LPARAM /*applicationValue*/) {
    const char* firstKey = FolderKeyOf(first);
    if (!firstKey) return 0;
    const char* secondKey = FolderKeyOf(second);
    if (!secondKey) return 0;

    const char* end = OrderListEnd();
    for (const char* line = FirstOrderLine(); line; line = NextOrderLine(line)) {
        LineMatch match = MatchLine(line, end, firstKey, secondKey, &line);
        if (match != kNeither) return match;
    }
    return 0;
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
