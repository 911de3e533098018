#include "editor/editor_input.h"

#include "editor/folder_moves.h"
#include "plugin/tree_control.h"

namespace {

// The control keeps small timer ids of its own (Wine's: 1 and 2).
const UINT_PTR kScrollTimer = 0x7A31;
// One row every this many milliseconds while the pointer stays at an edge.
const UINT kScrollMilliseconds = 60;

enum class DragStage { kNone, kPressed, kDragging };

// Where a release would put the folder; `valid` false: nowhere.
struct DropPlace {
    bool valid;
    HTREEITEM markItem;  // the sibling the mark is drawn at
    bool after;          // the mark below it rather than above
};

// Zero at load, as the module runs no constructors.
struct DragState {
    DragStage stage;
    HWND tree;
    HTREEITEM item;  // the folder pressed on
    POINT pressPoint;
    DropPlace place;
    int scrollDirection;  // -1 up, 1 down, 0 still
    bool keyless;         // the folder can go nowhere: its place is never saved
    bool rightCancelled;  // a right press ended the drag: its release is not a click
};
DragState g_drag;

POINT ClientPointOf(LPARAM lParam) {
    POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return point;
}

bool PastDragThreshold(POINT point) {
    int dx = point.x - g_drag.pressPoint.x, dy = point.y - g_drag.pressPoint.y;
    return (dx < 0 ? -dx : dx) > GetSystemMetrics(SM_CXDRAG) ||
           (dy < 0 ? -dy : dy) > GetSystemMetrics(SM_CYDRAG);
}

// A place is only among the dragged folder's own siblings: over itself,
// its subfolders, another parent's children or no row at all, none.
DropPlace PlaceAt(POINT point) {
    DropPlace place = {};
    HTREEITEM over = TreeHitTest(g_drag.tree, point);
    if (!over || over == g_drag.item) return place;
    if (TreeGetParent(g_drag.tree, over) != TreeGetParent(g_drag.tree, g_drag.item)) return place;
    RECT row;
    if (!TreeGetItemRow(g_drag.tree, over, &row)) return place;
    place.valid = true;
    place.markItem = over;
    place.after = point.y >= (row.top + row.bottom) / 2;
    return place;
}

// A folder without a key shows "no" all the way; its release still goes
// to the move, which refuses it as every other way does.
void ShowPlace(const DropPlace& place) {
    bool allowed = place.valid && !g_drag.keyless;
    if (allowed)
        TreeSetInsertMark(g_drag.tree, place.markItem, place.after);
    else
        TreeSetInsertMark(g_drag.tree, nullptr, false);
    SetCursor(LoadCursorA(nullptr, allowed ? IDC_ARROW : IDC_NO));
    g_drag.place = place;
}

// Near the top or bottom edge (within half a row, or past it) the tree
// scrolls at a steady rate, from a timer, so that the user need not wiggle
// the mouse to keep it going.
void FollowEdges(POINT point) {
    RECT client;
    GetClientRect(g_drag.tree, &client);
    // Half a row: the rows at the edges can still take a drop.
    int edge = TreeGetRowHeight(g_drag.tree) / 2;
    int direction = point.y < client.top + edge ? -1 : point.y >= client.bottom - edge ? 1 : 0;
    if (direction == g_drag.scrollDirection) return;
    g_drag.scrollDirection = direction;
    if (direction)
        SetTimer(g_drag.tree, kScrollTimer, kScrollMilliseconds, nullptr);
    else
        KillTimer(g_drag.tree, kScrollTimer);
}

POINT CursorInTree() {
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(g_drag.tree, &point);
    return point;
}

void Track(POINT point) {
    ShowPlace(PlaceAt(point));
    FollowEdges(point);
}

void StartDrag(POINT point) {
    g_drag.stage = DragStage::kDragging;
    // The control selects nothing when it sees the pointer leave: the
    // folder being dragged is the selected one, as after a click.
    TreeSelectItem(g_drag.tree, g_drag.item);
    g_drag.keyless = !FolderHasKey(TreeGetItemData(g_drag.tree, g_drag.item));
    if (GetCapture() != g_drag.tree) SetCapture(g_drag.tree);
    Track(point);
}

// Leaves every trace of the drag: mark, timer, capture, cursor.
void EndDrag() {
    HWND tree = g_drag.tree;
    bool captured = GetCapture() == tree;
    g_drag.stage = DragStage::kNone;  // first: releasing the capture calls back
    // A right press that cancelled an earlier drag has had its release by
    // now, wherever it went.
    g_drag.rightCancelled = false;
    if (!tree) return;
    TreeSetInsertMark(tree, nullptr, false);
    KillTimer(tree, kScrollTimer);
    g_drag.scrollDirection = 0;
    if (captured) ReleaseCapture();
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void Drop(POINT point) {
    DropPlace place = PlaceAt(point);
    HTREEITEM item = g_drag.item;
    HWND tree = g_drag.tree;
    EndDrag();
    if (!place.valid) return;
    HTREEITEM previousSibling = place.after ? place.markItem : TreeGetPreviousSibling(tree, place.markItem);
    // Dropped right beside itself, the folder is where it was.
    if (previousSibling == item || previousSibling == TreeGetPreviousSibling(tree, item)) return;
    MoveFolder(tree, item, previousSibling);
}

}  // namespace

bool IsDragging() { return g_drag.stage == DragStage::kDragging; }

void CancelDrag() {
    if (g_drag.stage != DragStage::kNone) EndDrag();
}

bool HandleDragMessage(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original,
                       LRESULT* result) {
    *result = 0;
    switch (message) {
        case WM_LBUTTONDOWN: {
            CancelDrag();
            POINT point = ClientPointOf(lParam);
            HTREEITEM item = TreeHitTest(tree, point);
            // The control's own handling comes first (selection, focus). With
            // drag and drop switched off it may still follow the mouse in a
            // loop of its own until the button is released or the pointer
            // leaves a small square around the press (Wine's does).
            *result = CallWindowProcA(original, tree, message, wParam, lParam);
            if (!item || !(GetKeyState(VK_LBUTTON) & 0x8000)) return true;
            g_drag.tree = tree;
            g_drag.item = item;
            g_drag.pressPoint = point;
            g_drag.scrollDirection = 0;
            g_drag.rightCancelled = false;
            g_drag.stage = DragStage::kPressed;
            // Where the control's loop saw the pointer go, the drag already is.
            DWORD position = GetMessagePos();
            POINT now = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
            ScreenToClient(tree, &now);
            if (PastDragThreshold(now))
                StartDrag(now);
            else
                SetCapture(tree);
            return true;
        }
        case WM_MOUSEMOVE:
            if (g_drag.stage == DragStage::kPressed && PastDragThreshold(ClientPointOf(lParam)))
                StartDrag(ClientPointOf(lParam));
            else if (g_drag.stage == DragStage::kDragging)
                Track(ClientPointOf(lParam));
            return IsDragging();
        case WM_LBUTTONUP:
            if (g_drag.stage == DragStage::kDragging) {
                Drop(ClientPointOf(lParam));
                return true;
            }
            // A press that never passed the threshold was a plain click.
            CancelDrag();
            return false;
        case WM_RBUTTONDOWN:
            if (g_drag.stage == DragStage::kNone) {
                // A new right click: the release of the press that
                // cancelled a drag went elsewhere (off the tree).
                g_drag.rightCancelled = false;
                return false;
            }
            CancelDrag();
            g_drag.rightCancelled = true;
            return true;
        case WM_RBUTTONUP:
            if (!g_drag.rightCancelled) return false;
            g_drag.rightCancelled = false;
            return true;
        case WM_CAPTURECHANGED:
            // Another window took the mouse (a box, a menu, the user
            // switching programs): the drag cannot know where it ends.
            if (g_drag.stage != DragStage::kNone && GetCapture() != tree) CancelDrag();
            return false;
        case WM_KEYDOWN:
            if (!IsDragging() || wParam != VK_ESCAPE) return false;
            CancelDrag();
            return true;
        case WM_GETDLGCODE:
            // Escape must reach the drag, not become the dialog's Cancel.
            if (!IsDragging()) return false;
            *result = DLGC_WANTALLKEYS;
            return true;
        case WM_TIMER:
            if (wParam != kScrollTimer) return false;
            if (IsDragging() && g_drag.scrollDirection) {
                TreeScrollOneRow(tree, g_drag.scrollDirection > 0);
                ShowPlace(PlaceAt(CursorInTree()));
            }
            return true;
        case WM_DESTROY:
            CancelDrag();
            return false;
        default:
            return false;
    }
}
