#include "plugin/tree_control.h"

namespace {
HTREEITEM GetNextItem(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

void GetItem(HWND tree, TVITEMA* item) {
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item));
}
}  // namespace

HTREEITEM TreeGetRoot(HWND tree) { return GetNextItem(tree, TVGN_ROOT, nullptr); }
HTREEITEM TreeGetChild(HWND tree, HTREEITEM item) { return GetNextItem(tree, TVGN_CHILD, item); }
HTREEITEM TreeGetNextSibling(HWND tree, HTREEITEM item) {
    return GetNextItem(tree, TVGN_NEXT, item);
}
HTREEITEM TreeGetPreviousSibling(HWND tree, HTREEITEM item) {
    return GetNextItem(tree, TVGN_PREVIOUS, item);
}
HTREEITEM TreeGetParent(HWND tree, HTREEITEM item) { return GetNextItem(tree, TVGN_PARENT, item); }
HTREEITEM TreeGetSelection(HWND tree) { return GetNextItem(tree, TVGN_CARET, nullptr); }

LPARAM TreeGetItemData(HWND tree, HTREEITEM item) {
    TVITEMA request = {};
    request.mask = TVIF_HANDLE | TVIF_PARAM;
    request.hItem = item;
    GetItem(tree, &request);
    return request.lParam;
}

LPARAM TreeGetItemTextAndData(HWND tree, HTREEITEM item, char* text, int capacity) {
    TVITEMA request = {};
    request.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_TEXT;
    request.hItem = item;
    request.pszText = text;
    request.cchTextMax = capacity;
    text[0] = '\0';
    GetItem(tree, &request);
    // The control may answer by pointing pszText at its own copy instead of
    // filling our buffer: it does so for items whose owner supplies the text
    // on request (LPSTR_TEXTCALLBACK and TVN_GETDISPINFO).
    if (request.pszText != text) {
        if (request.pszText && request.pszText != LPSTR_TEXTCALLBACKA)
            lstrcpynA(text, request.pszText, capacity);
        else
            text[0] = '\0';
    }
    text[capacity - 1] = '\0';
    return request.lParam;
}

bool TreeIsLive(HWND window) {
    char className[sizeof WC_TREEVIEWA + 1];
    return IsWindow(window) && GetClassNameA(window, className, sizeof className) > 0 &&
           lstrcmpiA(className, WC_TREEVIEWA) == 0;
}

HTREEITEM TreeInsertItem(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text,
                         LPARAM itemData) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.lParam = itemData;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TreeDeleteItem(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
}

void TreeSelectItem(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void TreeExpandItem(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

void TreeEnsureVisible(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

WNDPROC TreeSubclass(HWND tree, WNDPROC procedure) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

TreeRedrawHold::TreeRedrawHold(HWND tree) : tree_(tree) { SendMessageA(tree_, WM_SETREDRAW, FALSE, 0); }

TreeRedrawHold::~TreeRedrawHold() {
    SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree_, nullptr, TRUE);
}

void TreeSortChildren(HWND tree, HTREEITEM parent, TreeCompareFn compare) {
    TVSORTCB sort = {};
    sort.hParent = parent;
    sort.lpfnCompare = compare;
    sort.lParam = 0;
    SendMessageA(tree, TVM_SORTCHILDRENCB, FALSE, reinterpret_cast<LPARAM>(&sort));
}
