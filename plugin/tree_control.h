// The only place where the module talks to a tree-view control. Everything
// else goes through these named operations, so the message plumbing (and its
// casts) stays here. The module never registers or initialises the control
// class: the host process has done that.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Callback type the control calls while sorting: item data of two children and
// the application value; negative puts the first one first.
typedef int(CALLBACK* TreeCompareFn)(LPARAM first, LPARAM second, LPARAM applicationValue);

// While one lives, the questions this layer asks a tree (TVM_GETNEXTITEM,
// TVM_GETITEMA) go straight to a procedure under the window's, instead of
// through the window: the procedure that the module's own subclass passes
// everything on to, and only while that subclass is still the window's
// procedure, checked at each question. A large sort asks tens of thousands,
// and under Wine the dispatch and the pass-through are a good part of each.
// Everything else, a sort included, still goes through the window. The
// route before comes back at the end.
class TreeQueriesStraightTo {
public:
    struct Route {
        HWND tree;
        WNDPROC top;        // the procedure that must still be the window's own
        WNDPROC procedure;  // the one under it, asked directly, in the
        bool unicode;       // character set this names
    };

    // A route without a procedure takes any route for its tree away.
    explicit TreeQueriesStraightTo(const Route& route);
    ~TreeQueriesStraightTo();
    TreeQueriesStraightTo(const TreeQueriesStraightTo&) = delete;
    TreeQueriesStraightTo& operator=(const TreeQueriesStraightTo&) = delete;

private:
    Route before_;
};

HTREEITEM TreeGetRoot(HWND tree);
HTREEITEM TreeGetChild(HWND tree, HTREEITEM item);  // item may be TVI_ROOT
HTREEITEM TreeGetNextSibling(HWND tree, HTREEITEM item);
HTREEITEM TreeGetPreviousSibling(HWND tree, HTREEITEM item);
HTREEITEM TreeGetParent(HWND tree, HTREEITEM item);
HTREEITEM TreeGetSelection(HWND tree);

// The item's item data, or 0 when the control could not read it.
LPARAM TreeGetItemData(HWND tree, HTREEITEM item);

// The item's item data; false when the control could not read the item. A
// folder whose record address is lost this way would be a folder lost.
bool TreeReadItemData(HWND tree, HTREEITEM item, LPARAM* itemData);

// What a copy of an item keeps besides its text: its item data, its images
// (indexes into the tree's normal image list) and whether it is expanded.
struct TreeItemLook {
    LPARAM itemData;
    int image;
    int selectedImage;
    bool expanded;
};

// The item's look and its text, cut to fit `capacity` bytes and always
// NUL-terminated (Wine's control does not terminate a text it cuts). False
// when the control could not read the item.
bool TreeReadItem(HWND tree, HTREEITEM item, char* text, int capacity, TreeItemLook* look);

// True while `window` is a tree-view control that still exists.
bool TreeIsLive(HWND window);

// Parent null or TVI_ROOT for the top level; after is an item, TVI_FIRST or
// TVI_LAST. Null when the control could not insert (it has no memory left).
// The item gets the look's item data and images; it is expanded only once
// it has children (TreeExpandItem).
HTREEITEM TreeInsertItem(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text,
                         const TreeItemLook& look);
// Removes the item with its subtree, however deep; false when the control
// refused.
bool TreeDeleteItem(HWND tree, HTREEITEM item);

// Removes every item, as TreeDeleteItem does; before the control is
// destroyed, which would remove them all at once, by recursion.
void TreeDeleteAll(HWND tree);
void TreeSelectItem(HWND tree, HTREEITEM item);
void TreeExpandItem(HWND tree, HTREEITEM item);
bool TreeIsExpanded(HWND tree, HTREEITEM item);

// Gives the tree the expand buttons and the lines at the root that a
// folder pane has, whatever its template said.
void TreeShowButtonsAtRoot(HWND tree);

// A copy of a tree's normal image list, which another tree shows. Zero:
// none. Plain data, so that it can live in the module's zero-filled state.
struct TreeImagesCopy {
    HIMAGELIST list;
    FARPROC destroy;  // the common controls' ImageList_Destroy, for this list
};
// Shows in `destination` a copy of `source`'s normal image list and answers
// it; zero, with nothing shown, when `source` has no list or no copy could
// be made. The copy is the caller's, for TreeDropImages.
TreeImagesCopy TreeShowImagesOf(HWND source, HWND destination);
// Takes the copy out of `destination` (if it still exists) and destroys it.
void TreeDropImages(HWND destination, TreeImagesCopy* images);
void TreeEnsureVisible(HWND tree, HTREEITEM item);
// Scrolls the view to its first row.
void TreeShowFirstRow(HWND tree);

// Puts `procedure` in front of the tree's own window procedure; answers the
// one it replaced, for the new one to pass on to.
WNDPROC TreeSubclass(HWND tree, WNDPROC procedure);

// Holds the tree's painting for as long as it lives, then repaints it once.
class TreeRedrawHold {
public:
    explicit TreeRedrawHold(HWND tree);
    ~TreeRedrawHold();
    TreeRedrawHold(const TreeRedrawHold&) = delete;
    TreeRedrawHold& operator=(const TreeRedrawHold&) = delete;

private:
    HWND tree_;
};

// Where a point (in the tree's client coordinates) falls: the item on that
// row, or null off every row.
HTREEITEM TreeHitTest(HWND tree, POINT clientPoint);
// The row of `item` in client coordinates, whole width; false when the
// item is scrolled out of sight or collapsed away.
bool TreeGetItemRow(HWND tree, HTREEITEM item, RECT* row);
// The row shown just above `item` (a sibling's last visible descendant, the
// previous sibling or the parent), or null for the first row.
HTREEITEM TreeGetPreviousVisible(HWND tree, HTREEITEM item);
// The line drawn between rows while the user drags: before or after `item`;
// null removes it.
void TreeSetInsertMark(HWND tree, HTREEITEM item, bool after);
// The height of one row, in pixels.
int TreeGetRowHeight(HWND tree);
// Scrolls the view by one row, up or down, as the scroll bar's arrows do.
void TreeScrollOneRow(HWND tree, bool down);

// The notification code of a WM_NOTIFY whose lParam is `notification`.
UINT NotificationCode(LPARAM notification);
// Answers the tree's NM_CUSTOMDRAW: asks for every item, draws those whose
// item data `isGrey` picks in the grey text colour, and the selected item
// highlighted as when the tree has the focus, so the selection a button
// press acts on keeps the look it had.
LRESULT TreeCustomDraw(HWND tree, LPARAM notification, bool (*isGrey)(LPARAM itemData));

// ---- The list view, as the check's list uses it: a report whose rows the
// owner keeps (the control asks for each text as it draws).

// Full-row selection, the columns (titles and widths in pixels) and
// `rows` rows.
void ListPrepare(HWND list, const char* const* titles, const int* widths, int columns, int rows);
// The row asked for by an LVN_GETDISPINFOA `notification` and its column;
// false for any other notification. `Answer` with the text to show.
bool ListTextAsked(LPARAM notification, int* row, int* column);
void ListAnswerText(LPARAM notification, const char* text);
// How many of the `length` bytes of `text` fit in `most`, in whole
// characters: a double-byte character is never cut in two.
DWORD WholeCharacterBytes(const char* text, DWORD length, DWORD most);
// The virtual key of an LVN_KEYDOWN `notification`; 0 for any other.
WORD ListKeyDown(LPARAM notification);

int ListFocusedRow(HWND list);  // -1: none
// The next selected row after `row` (-1: from the first), or -1.
int ListNextSelected(HWND list, int row);
void ListSelectAll(HWND list);
void ListFocusRow(HWND list, int row);
void ListRedrawAll(HWND list);

// ---- Dialogs made from a template in memory, and what their procedure
// keeps of the caller's.

// Runs a modal dialog; its procedure gets `context` with WM_INITDIALOG.
INT_PTR RunDialogFromTemplate(HMODULE module, const DLGTEMPLATE* dialogTemplate, HWND owner, DLGPROC procedure,
                              void* context);
// At WM_INITDIALOG: keeps the context in the dialog and answers it.
void* KeepDialogContext(HWND dialog, LPARAM initParam);
// The context kept, or null before WM_INITDIALOG.
void* DialogContext(HWND dialog);

// Registers the list-view class of the common controls that serve `tree`
// (the host loaded them). False when they have no such function.
bool EnsureListViewClass(HWND tree);

// Puts the focus on `control`, as Tab would: the default button follows.
void FocusDialogControl(HWND dialog, HWND control);
// Answers a notification through the dialog's message result; TRUE, which
// the dialog procedure returns.
BOOL AnswerDialogNotification(HWND dialog, LRESULT answer);

// A control of `dialog` made at run time, with the dialog's font; null
// when it could not be made. The layout places it.
HWND CreateDialogControl(HWND dialog, const char* className, const char* text, DWORD style, int id);

// A tooltip window for the controls of `dialog`, its tips wrapped at
// `width` pixels; null when none could be made (the host registered the
// class with the tree's). Destroyed with the dialog, or by DestroyWindow.
HWND CreateTips(HWND dialog, int width);
// Shows `text` when the pointer rests on `control`; with no text, the
// tooltip asks its owner each time it is about to show (TTN_GETDISPINFOA).
// The tooltip sees the control's mouse through a subclass of its own
// (`relayed` false), or only what RelayToTip passes it: a subclass of the
// common controls' on a busy window makes every one of its messages dearer.
bool AddTip(HWND tips, HWND control, const char* text, bool relayed = false);
// Passes a mouse message of a relayed control on to the tooltip.
void RelayToTip(HWND tips, HWND control, UINT message, WPARAM wParam, LPARAM lParam);
// Answers that question for `control` with `text` (empty: no tip); false
// for any other notification.
bool AnswerTipText(LPARAM notification, HWND control, const char* text);
// Whether a WM_NOTIFY is the tooltip's request for `control`'s text.
bool IsTipTextRequestFor(LPARAM notification, HWND control);
// Hides the tip shown now: the next rest asks for its text again.
void HideTip(HWND tips);

// The label edit box the control shows while the user renames an item, or
// null when none is open.
HWND TreeGetEditControl(HWND tree);

// A window's procedure, as the functions of its character set give it: the
// same address SubclassWindow put there while nobody subclassed it since.
WNDPROC WindowProcedureOf(HWND window, bool unicode);
// Puts `procedure` in front of the window's own, in the window's character
// set, so that its messages keep reaching it untranslated. Answers the one
// it replaced, or null when the platform refused.
WNDPROC SubclassWindow(HWND window, bool unicode, WNDPROC procedure);
// The platform's default handling of a message, in the window's character set.
LRESULT DefaultWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Passes a message on to `procedure`, a window procedure of that character set.
LRESULT CallWindowProcedure(WNDPROC procedure, bool unicode, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam);

// A message that only the procedure named `name` (any address of its own)
// answers: sent, it tells whether that procedure is still in the window's
// chain under whatever subclasses stand on top and pass messages on (a
// registered message, then WM_NULL for one that keeps unknown messages to
// itself). True too when the platform gives no message for it.
bool ProbeReachesProcedure(HWND window, const void* name);
// True for the probe naming `name`; its answer is then kProbeAnswer.
bool IsProbeFor(UINT message, WPARAM wParam, LPARAM lParam, const void* name);
const LRESULT kProbeAnswer = 0x6d72;

// Message plumbing for the editor's other windows, kept here with the
// tree's so that the casts stay in one place.
// Puts `procedure` in front of any control's own window procedure.
WNDPROC SubclassControl(HWND control, WNDPROC procedure);
// Whether a key message's key data says Alt was held (a system key).
bool KeyDataAltDown(LPARAM keyData);
// The message a WH_MSGFILTER hook is given.
const MSG* MessageFromHook(LPARAM hookData);
// WM_GETMINMAXINFO: the smallest size the user can drag the window to.
void SetMinimumTrackSize(LPARAM minMaxInfo, SIZE size);

// Reorders the immediate children of parent (an item or TVI_ROOT). False when
// the group was not sorted: the control answers FALSE when it could not (no
// memory for its list), but also, on some versions, for a group of fewer
// than two children, which has nothing to sort.
bool TreeSortChildren(HWND tree, HTREEITEM parent, TreeCompareFn compare);

// What a sort message that passes a tree's procedure sorts: the parent of
// the group (TVI_ROOT for the top level, which a null parent also means),
// and the comparison it sorts by (null for TVM_SORTCHILDREN, by name).
// Null parent for any other message.
HTREEITEM SortMessageParent(UINT message, LPARAM lParam);
TreeCompareFn SortMessageComparison(UINT message, LPARAM lParam);

// The item a TVM_SETITEMA or TVM_SETITEMW sets (both pass the same layout
// up to the item data), and its new item data when the message sets it
// (else 0). Null for a message without an item.
HTREEITEM SetItemMessageItem(LPARAM lParam, LPARAM* itemData);

// True when parent (an item or TVI_ROOT) has two children or more.
bool TreeHasSeveralChildren(HWND tree, HTREEITEM parent);
