#include "plugin/tree_control.h"

namespace {
// Where questions about the items of one tree go instead of through its
// window, while a TreeQueriesStraightTo lives.
TreeQueriesStraightTo::Route g_queryRoute;

LRESULT AskTree(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    // Checked at every question: whatever ran since the last one (the sort
    // message passes the host's procedures and hooks) may have put another
    // subclass on top, undone the module's or destroyed the window. Then the
    // question takes the window's own way.
    if (tree == g_queryRoute.tree && WindowProcedureOf(tree, g_queryRoute.unicode) == g_queryRoute.top)
        return CallWindowProcedure(g_queryRoute.procedure, g_queryRoute.unicode, tree, message, wParam, lParam);
    return SendMessageA(tree, message, wParam, lParam);
}

HTREEITEM GetNextItem(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(AskTree(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

bool GetItem(HWND tree, TVITEMA* item) {
    return AskTree(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)) != FALSE;
}
}  // namespace

TreeQueriesStraightTo::TreeQueriesStraightTo(const Route& route) : before_(g_queryRoute) {
    if (route.procedure && route.top)
        g_queryRoute = route;
    else if (route.tree == g_queryRoute.tree)
        g_queryRoute = Route{};
}

TreeQueriesStraightTo::~TreeQueriesStraightTo() { g_queryRoute = before_; }

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

bool TreeReadItem(HWND tree, HTREEITEM item, char* text, int capacity, TreeItemLook* look) {
    TVITEMA request = {};
    request.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_TEXT | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    request.stateMask = TVIS_EXPANDED;
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
    look->itemData = request.lParam;
    // An image its owner supplies on request (I_IMAGECALLBACK) comes here
    // already asked for; an item without one (I_IMAGENONE, or an owner that
    // answered none) shows the first image in the copy.
    look->image = request.iImage < 0 ? 0 : request.iImage;
    look->selectedImage = request.iSelectedImage < 0 ? look->image : request.iSelectedImage;
    look->expanded = (request.state & TVIS_EXPANDED) != 0;
    return true;
}

bool TreeIsLive(HWND window) {
    char className[sizeof WC_TREEVIEWA + 1];
    return IsWindow(window) && GetClassNameA(window, className, sizeof className) > 0 &&
           lstrcmpiA(className, WC_TREEVIEWA) == 0;
}

HTREEITEM TreeInsertItem(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text,
                         const TreeItemLook& look) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.lParam = look.itemData;
    insert.item.iImage = look.image;
    insert.item.iSelectedImage = look.selectedImage;
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

bool TreeIsExpanded(HWND tree, HTREEITEM item) {
    return (SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void TreeShowFirstRow(HWND tree) {
    HTREEITEM root = TreeGetRoot(tree);
    if (root) SendMessageA(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(root));
}

void TreeShowButtonsAtRoot(HWND tree) {
    // The control looks at its style again when told it changed
    // (WM_STYLECHANGED, sent by SetWindowLong).
    SetWindowLongA(tree, GWL_STYLE, GetWindowLongA(tree, GWL_STYLE) | TVS_HASBUTTONS | TVS_LINESATROOT);
}

namespace {
typedef HIMAGELIST(WINAPI* ImageListDuplicateFn)(HIMAGELIST list);
typedef BOOL(WINAPI* ImageListDestroyFn)(HIMAGELIST list);

// The common controls the tree class comes from: the module holding the
// class's window procedure. An image list is only safe in the hands of the
// module that made it (a process may hold two versions of the common
// controls side by side); the name is the last resort.
HMODULE TreeClassModule(HWND tree) {
    // The wide procedure: asked for through the 8-bit function, a class
    // registered with wide texts answers a handle, not an address.
    ULONG_PTR procedure = GetClassLongPtrW(tree, GCLP_WNDPROC);
    HMODULE module = nullptr;
    if (procedure &&
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(procedure), &module) &&
        GetProcAddress(module, "ImageList_Duplicate"))
        return module;
    return GetModuleHandleA("comctl32.dll");
}

template <typename Function>
Function FindFunction(HMODULE module, const char* name) {
    // Through a function type that takes nothing, as the compiler asks for a
    // cast between unrelated function types.
    return module ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}
}  // namespace

TreeImagesCopy TreeShowImagesOf(HWND source, HWND destination) {
    TreeImagesCopy images = {};
    HIMAGELIST hostList = reinterpret_cast<HIMAGELIST>(SendMessageA(source, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    if (!hostList) return images;
    // A copy, not the host's list: the host may destroy or replace its list
    // while the editor is open, and a list the editor only borrowed would
    // then be drawn from freed memory.
    HMODULE controls = TreeClassModule(source);
    if (controls != TreeClassModule(destination)) return images;
    ImageListDuplicateFn duplicate = FindFunction<ImageListDuplicateFn>(controls, "ImageList_Duplicate");
    ImageListDestroyFn destroy = FindFunction<ImageListDestroyFn>(controls, "ImageList_Destroy");
    if (!duplicate || !destroy) return images;
    images.list = duplicate(hostList);
    if (!images.list) return images;
    images.destroy = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(destroy));
    SendMessageA(destination, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images.list));
    return images;
}

void TreeDropImages(HWND destination, TreeImagesCopy* images) {
    if (!images->list) return;
    // The control never destroys the lists it is given; it must not keep
    // drawing from this one once it is gone.
    if (IsWindow(destination)) SendMessageA(destination, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
    reinterpret_cast<ImageListDestroyFn>(reinterpret_cast<void (*)()>(images->destroy))(images->list);
    images->list = nullptr;
    images->destroy = nullptr;
}

void TreeEnsureVisible(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

WNDPROC TreeSubclass(HWND tree, WNDPROC procedure) { return SubclassControl(tree, procedure); }

WNDPROC SubclassControl(HWND control, WNDPROC procedure) { return SubclassWindow(control, false, procedure); }

bool EnsureListViewClass(HWND tree) {
    typedef BOOL(WINAPI * InitCommonControlsExFn)(const INITCOMMONCONTROLSEX*);
    InitCommonControlsExFn init = FindFunction<InitCommonControlsExFn>(TreeClassModule(tree), "InitCommonControlsEx");
    if (!init) return false;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    return init(&controls) != FALSE;
}

void FocusDialogControl(HWND dialog, HWND control) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

BOOL AnswerDialogNotification(HWND dialog, LRESULT answer) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, answer);
    return TRUE;
}

HWND CreateDialogControl(HWND dialog, const char* className, const char* text, DWORD style, int id) {
    HWND control = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)), nullptr);
    if (control) SendMessageA(control, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
    return control;
}

HWND CreateTips(HWND dialog, int width) {
    HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)), nullptr);
    if (tips) SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, width);
    return tips;
}

bool AddTip(HWND tips, HWND control, const char* text, bool relayed) {
    TOOLINFOA tool = {};
    // The size of the version 4.70 structure, which every version of the
    // control takes; later versions' fields are not needed here.
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | (relayed ? 0 : TTF_SUBCLASS);
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text ? const_cast<char*>(text) : LPSTR_TEXTCALLBACKA;
    return SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

bool IsTipTextRequestFor(LPARAM notification, HWND control) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(notification);
    return header->code == TTN_GETDISPINFOA && header->idFrom == reinterpret_cast<UINT_PTR>(control);
}

bool AnswerTipText(LPARAM notification, HWND control, const char* text) {
    NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(notification);
    if (!IsTipTextRequestFor(notification, control)) return false;
    // The tooltip only reads the text, for as long as it shows it.
    info->lpszText = const_cast<char*>(text);
    return true;
}

void HideTip(HWND tips) { SendMessageA(tips, TTM_POP, 0, 0); }

void RelayToTip(HWND tips, HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG relayed = {control, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    relayed.pt.x = static_cast<short>(LOWORD(GetMessagePos()));
    relayed.pt.y = static_cast<short>(HIWORD(GetMessagePos()));
    SendMessageA(tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
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

namespace {
// A message of the module's own, registered once: a procedure that does not
// know a message passes it on, or the window it subclasses would break.
// Zero until registered; a platform that refuses has no probe.
UINT g_probeMessage;
const WPARAM kProbeTag = 0x5461;

UINT ProbeMessage() {
    if (!g_probeMessage) g_probeMessage = RegisterWindowMessageA("Tamrivel.ProcedureStillCalled");
    return g_probeMessage;
}
}  // namespace

bool ProbeReachesProcedure(HWND window, const void* name) {
    // Without a probe, a procedure is taken to be still called: the answer
    // that keeps the module loaded and never subclasses a window twice.
    const UINT message = ProbeMessage();
    if (!message || SendMessageW(window, message, kProbeTag, reinterpret_cast<LPARAM>(name)) == kProbeAnswer)
        return true;
    // A subclass on top may keep what it does not know to itself (every
    // registered message, or all from WM_USER on) and still pass the
    // window's own messages on, its last ones among them: WM_NULL, which
    // does nothing, is passed on by nearly every one.
    return SendMessageW(window, WM_NULL, kProbeTag, reinterpret_cast<LPARAM>(name)) == kProbeAnswer;
}

bool IsProbeFor(UINT message, WPARAM wParam, LPARAM lParam, const void* name) {
    return ((message == g_probeMessage && message) || message == WM_NULL) && wParam == kProbeTag &&
           lParam == reinterpret_cast<LPARAM>(name);
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

HTREEITEM SortMessageParent(UINT message, LPARAM lParam) {
    HTREEITEM parent = nullptr;
    if (message == TVM_SORTCHILDREN) {
        parent = reinterpret_cast<HTREEITEM>(lParam);
    } else if (message == TVM_SORTCHILDRENCB) {
        const TVSORTCB* sort = reinterpret_cast<const TVSORTCB*>(lParam);
        if (!sort) return nullptr;
        parent = sort->hParent;
    } else {
        return nullptr;
    }
    return parent ? parent : TVI_ROOT;
}

TreeCompareFn SortMessageComparison(UINT message, LPARAM lParam) {
    const TVSORTCB* sort = reinterpret_cast<const TVSORTCB*>(lParam);
    return message == TVM_SORTCHILDRENCB && sort ? sort->lpfnCompare : nullptr;
}

HTREEITEM SetItemMessageItem(LPARAM lParam, LPARAM* itemData) {
    const TVITEMA* item = reinterpret_cast<const TVITEMA*>(lParam);
    *itemData = 0;
    if (!item) return nullptr;
    if (item->mask & TVIF_PARAM) *itemData = item->lParam;
    return item->hItem;
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

void ListPrepare(HWND list, const char* const* titles, const int* widths, int columns, int rows) {
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < columns; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(titles[i]);
        column.cx = widths[i];
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    // Rows the owner keeps: no text is copied into the control.
    SendMessageA(list, LVM_SETITEMCOUNT, rows, LVSICF_NOINVALIDATEALL);
}

bool ListTextAsked(LPARAM notification, int* row, int* column) {
    const NMLVDISPINFOA* info = reinterpret_cast<const NMLVDISPINFOA*>(notification);
    if (info->hdr.code != LVN_GETDISPINFOA || !(info->item.mask & LVIF_TEXT)) return false;
    *row = info->item.iItem;
    *column = info->item.iSubItem;
    return true;
}

void ListAnswerText(LPARAM notification, const char* text) {
    NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(notification);
    if (!info->item.pszText || info->item.cchTextMax <= 0) return;
    // As much as the control has room for.
    const DWORD length = WholeCharacterBytes(text, static_cast<DWORD>(lstrlenA(text)),
                                             static_cast<DWORD>(info->item.cchTextMax - 1));
    CopyMemory(info->item.pszText, text, length);
    info->item.pszText[length] = '\0';
}

DWORD WholeCharacterBytes(const char* text, DWORD length, DWORD most) {
    DWORD whole = 0;
    while (whole < length) {
        const DWORD next = whole + (IsDBCSLeadByte(static_cast<BYTE>(text[whole])) && whole + 1 < length ? 2 : 1);
        if (next > most) break;
        whole = next;
    }
    return whole;
}

WORD ListKeyDown(LPARAM notification) {
    const NMLVKEYDOWN* key = reinterpret_cast<const NMLVKEYDOWN*>(notification);
    return key->hdr.code == LVN_KEYDOWN ? key->wVKey : 0;
}

int ListFocusedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

int ListNextSelected(HWND list, int row) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
}

void ListSelectAll(HWND list) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void ListFocusRow(HWND list, int row) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void ListRedrawAll(HWND list) { InvalidateRect(list, nullptr, FALSE); }

INT_PTR RunDialogFromTemplate(HMODULE module, const DLGTEMPLATE* dialogTemplate, HWND owner, DLGPROC procedure,
                              void* context) {
    return DialogBoxIndirectParamA(module, dialogTemplate, owner, procedure, reinterpret_cast<LPARAM>(context));
}

void* KeepDialogContext(HWND dialog, LPARAM initParam) {
    SetWindowLongPtrA(dialog, DWLP_USER, initParam);
    return reinterpret_cast<void*>(initParam);
}

void* DialogContext(HWND dialog) { return reinterpret_cast<void*>(GetWindowLongPtrA(dialog, DWLP_USER)); }
