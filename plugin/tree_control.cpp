#include "plugin/tree_control.h"

namespace {
HTREEITEM GetNextItem(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

bool GetItem(HWND tree, TVITEMA* item) {
    return SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)) != FALSE;
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
    LPARAM itemData = 0;
    return TreeReadItemData(tree, item, &itemData) ? itemData : 0;
}

bool TreeReadItemData(HWND tree, HTREEITEM item, LPARAM* itemData) {
    TVITEMA request = {};
    request.mask = TVIF_HANDLE | TVIF_PARAM;
    request.hItem = item;
    if (!GetItem(tree, &request)) return false;
    *itemData = request.lParam;
    return true;
}

bool TreeReadItem(HWND tree, HTREEITEM item, char* text, int capacity, LPARAM* itemData) {
    TVITEMA request = {};
    request.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_TEXT;
    request.hItem = item;
    request.pszText = text;
    request.cchTextMax = capacity;
    text[0] = '\0';
    if (!GetItem(tree, &request)) return false;
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
    *itemData = request.lParam;
    return true;
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

namespace {
bool DeleteOneSubtree(HWND tree, HTREEITEM item) {
    return SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != FALSE;
}

// How many levels one TVM_DELETEITEM may take at once. The control removes
// a subtree by recursion, a stack frame a level (Wine's overflows a 1 MB
// stack at some 20,000 levels): a few hundred levels cost a few pages.
const int kLevelsDeletedAtOnce = 256;

// The last item of `item`'s subtree in a depth-first walk; `depth` grows by
// the levels descended.
HTREEITEM LastDescendant(HWND tree, HTREEITEM item, int* depth) {
    for (HTREEITEM child; (child = TreeGetChild(tree, item)) != nullptr; ++*depth) {
        for (HTREEITEM next; (next = TreeGetNextSibling(tree, child)) != nullptr;) child = next;
        item = child;
    }
    return item;
}
}  // namespace

// Walks the subtree backwards, so that every item comes after its whole
// subtree, and deletes each item that stands a multiple of the limit below
// `item`: what it takes with it is less deep than the limit. A subtree that
// is not that deep (every real folder tree) goes in one message.
bool TreeDeleteItem(HWND tree, HTREEITEM item) {
    int depth = 0;
    HTREEITEM node = LastDescendant(tree, item, &depth);
    while (node != item) {
        HTREEITEM previous = TreeGetPreviousSibling(tree, node);
        HTREEITEM parent = TreeGetParent(tree, node);
        if (depth % kLevelsDeletedAtOnce == 0 && !DeleteOneSubtree(tree, node)) return false;
        if (previous) {
            node = LastDescendant(tree, previous, &depth);
        } else {
            node = parent;
            --depth;
        }
    }
    return DeleteOneSubtree(tree, item);
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

WNDPROC TreeSubclass(HWND tree, WNDPROC procedure) { return SubclassControl(tree, procedure); }

WNDPROC SubclassControl(HWND control, WNDPROC procedure) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

HWND TreeGetEditControl(HWND tree) { return reinterpret_cast<HWND>(SendMessageA(tree, TVM_GETEDITCONTROL, 0, 0)); }

WNDPROC WindowProcedureOf(HWND window, bool unicode) {
    return reinterpret_cast<WNDPROC>(unicode ? GetWindowLongPtrW(window, GWLP_WNDPROC)
                                             : GetWindowLongPtrA(window, GWLP_WNDPROC));
}

WNDPROC SubclassWindow(HWND window, bool unicode, WNDPROC procedure) {
    LONG_PTR address = reinterpret_cast<LONG_PTR>(procedure);
    return reinterpret_cast<WNDPROC>(unicode ? SetWindowLongPtrW(window, GWLP_WNDPROC, address)
                                             : SetWindowLongPtrA(window, GWLP_WNDPROC, address));
}

LRESULT DefaultWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                   : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CallWindowProcedure(WNDPROC procedure, bool unicode, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    return unicode ? CallWindowProcW(procedure, window, message, wParam, lParam)
                   : CallWindowProcA(procedure, window, message, wParam, lParam);
}

bool KeyDataAltDown(LPARAM keyData) { return (keyData & (static_cast<LPARAM>(KF_ALTDOWN) << 16)) != 0; }

const MSG* MessageFromHook(LPARAM hookData) { return reinterpret_cast<const MSG*>(hookData); }

void SetMinimumTrackSize(LPARAM minMaxInfo, SIZE size) {
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(minMaxInfo);
    info->ptMinTrackSize.x = size.cx;
    info->ptMinTrackSize.y = size.cy;
}

TreeRedrawHold::TreeRedrawHold(HWND tree) : tree_(tree) { SendMessageA(tree_, WM_SETREDRAW, FALSE, 0); }

TreeRedrawHold::~TreeRedrawHold() {
    SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree_, nullptr, TRUE);
}

HTREEITEM TreeHitTest(HWND tree, POINT clientPoint) {
    TVHITTESTINFO hit = {};
    hit.pt = clientPoint;
    SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    // The control answers an item for the space right of a row's label too
    // (TVHT_ONITEMRIGHT), and for the indent left of it: the whole row counts.
    return (hit.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT)) ? hit.hItem : nullptr;
}

bool TreeGetItemRow(HWND tree, HTREEITEM item, RECT* row) {
    // The message takes the item in the rectangle it fills in.
    *reinterpret_cast<HTREEITEM*>(row) = item;
    if (!SendMessageA(tree, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(row))) return false;
    RECT client;
    GetClientRect(tree, &client);
    return row->bottom > client.top && row->top < client.bottom;
}

HTREEITEM TreeGetPreviousVisible(HWND tree, HTREEITEM item) {
    return GetNextItem(tree, TVGN_PREVIOUSVISIBLE, item);
}

void TreeSetInsertMark(HWND tree, HTREEITEM item, bool after) {
    SendMessageA(tree, TVM_SETINSERTMARK, after ? TRUE : FALSE, reinterpret_cast<LPARAM>(item));
}

int TreeGetRowHeight(HWND tree) { return static_cast<int>(SendMessageA(tree, TVM_GETITEMHEIGHT, 0, 0)); }

void TreeScrollOneRow(HWND tree, bool down) {
    SendMessageA(tree, WM_VSCROLL, MAKEWPARAM(down ? SB_LINEDOWN : SB_LINEUP, 0), 0);
}

UINT NotificationCode(LPARAM notification) {
    return reinterpret_cast<const NMHDR*>(notification)->code;
}

LRESULT TreeCustomDraw(HWND tree, LPARAM notification, bool (*isGrey)(LPARAM itemData)) {
    NMTVCUSTOMDRAW* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(notification);
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
    bool selected = item == TreeGetSelection(tree);
    if (selected) {
        draw->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        draw->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
    }
    if (isGrey(draw->nmcd.lItemlParam)) draw->clrText = GetSysColor(COLOR_GRAYTEXT);
    return CDRF_DODEFAULT;
}

bool TreeSortChildren(HWND tree, HTREEITEM parent, TreeCompareFn compare) {
    TVSORTCB sort = {};
    sort.hParent = parent;
    sort.lpfnCompare = compare;
    sort.lParam = 0;
    return SendMessageA(tree, TVM_SORTCHILDRENCB, FALSE, reinterpret_cast<LPARAM>(&sort)) != FALSE;
}

bool TreeHasSeveralChildren(HWND tree, HTREEITEM parent) {
    HTREEITEM first = TreeGetChild(tree, parent);
    return first && TreeGetNextSibling(tree, first);
}

void TreeDeleteAll(HWND tree) {
    // From the last top-level item on, so the control has nothing after the
    // deleted item to lay out again.
    HTREEITEM last = TreeGetRoot(tree);
    if (!last) return;
    for (HTREEITEM next; (next = TreeGetNextSibling(tree, last)) != nullptr;) last = next;
    while (last) {
        HTREEITEM previous = TreeGetPreviousSibling(tree, last);
        if (!TreeDeleteItem(tree, last)) return;
        last = previous;
    }
}
