#include "editor/editor_layout.h"

#include "plugin/tree_control.h"
#include "resources/resource_ids.h"

namespace {

enum class Anchor { kGrow, kRightCentre, kBottomCentre };

struct ControlPlace {
    int id;
    Anchor anchor;
};

const ControlPlace kPlaces[] = {
    {IDC_FOLDER_TREE, Anchor::kGrow},       {IDC_MOVE_UP, Anchor::kRightCentre},
    {IDC_MOVE_DOWN, Anchor::kRightCentre},  {IDOK, Anchor::kBottomCentre},
    {IDCANCEL, Anchor::kBottomCentre},
};
const int kPlaceCount = sizeof kPlaces / sizeof kPlaces[0];

// Zero at load: the module runs no constructors. Filled per dialog.
struct Layout {
    HWND dialog;
    SIZE minimumWindow;
    SIZE firstClient;
    RECT firstRects[kPlaceCount];  // in client coordinates
    // The row under the tree, when there is one (height 0: none).
    int rowHeight, rowGap, rowTextGap, rowButtonWidth, rowTextId, rowButtonId;
};
Layout g_layout;

// Where the last editor was closed, for as long as the module is loaded.
struct KeptPlace {
    bool kept;
    RECT window;  // screen coordinates
};
KeptPlace g_kept;

// The work area of the screen nearest `window`; false when the system
// could not say where it is.
bool WorkAreaNear(const RECT& window, RECT* work) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
    *work = monitor.rcWork;
    return true;
}

// As DM_REPOSITION does: moved so that its right and bottom edges are in
// the work area, then its left and top ones, which win when the window is
// larger than the work area (its title bar stays reachable).
void MoveIntoWorkArea(RECT* window, const RECT& work) {
    int dx = 0, dy = 0;
    if (window->right > work.right) dx = work.right - window->right;
    if (window->bottom > work.bottom) dy = work.bottom - window->bottom;
    if (window->left + dx < work.left) dx = work.left - window->left;
    if (window->top + dy < work.top) dy = work.top - window->top;
    OffsetRect(window, dx, dy);
}

// At most `available`, at least `least` (the opening size), unless the
// screen itself is smaller: then the opening size, its title bar in sight.
int FittedLength(int kept, int available, int least) {
    if (kept > available) kept = available;
    return kept < least ? least : kept;
}

// Sets the window to `window`, no smaller than its opening size and, where
// `work` (a screen's work area) is known, shrunk to it where it must be and
// moved into it, so that OK and Cancel stay on the screen.
void SetFitted(HWND dialog, RECT window, const RECT* work) {
    const int kUnbounded = 0x7FFFFFFF;
    const int width = FittedLength(window.right - window.left, work ? work->right - work->left : kUnbounded,
                                   g_layout.minimumWindow.cx);
    const int height = FittedLength(window.bottom - window.top, work ? work->bottom - work->top : kUnbounded,
                                    g_layout.minimumWindow.cy);
    window.right = window.left + width;
    window.bottom = window.top + height;
    if (work) MoveIntoWorkArea(&window, *work);
    SetWindowPos(dialog, nullptr, window.left, window.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlaceAsKept(HWND dialog) {
    if (!g_kept.kept) return;
    // The monitors may have changed since (one unplugged, another size). A
    // place that cannot be checked is not taken: it might be off every screen.
    // A window closed on a larger screen shrinks to this one's work area.
    RECT work;
    if (WorkAreaNear(g_kept.window, &work)) SetFitted(dialog, g_kept.window, &work);
}

// The row's controls under the tree, which ends at `treeBottom`, from its
// left edge to `right`, the ↑ and ↓ buttons' right edge.
void PlaceRow(HWND dialog, int left, int treeBottom, int right) {
    const int top = treeBottom + g_layout.rowGap;
    const int buttonLeft = right - g_layout.rowButtonWidth;
    SetWindowPos(GetDlgItem(dialog, g_layout.rowButtonId), nullptr, buttonLeft, top, g_layout.rowButtonWidth,
                 g_layout.rowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(GetDlgItem(dialog, g_layout.rowTextId), nullptr, left, top, buttonLeft - g_layout.rowTextGap - left,
                 g_layout.rowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void PrepareEditorLayout(HWND dialog) {
    g_layout.dialog = nullptr;
    g_layout.rowHeight = 0;
    RECT client;
    GetClientRect(dialog, &client);
    for (int i = 0; i < kPlaceCount; ++i) {
        RECT& rect = g_layout.firstRects[i];
        GetWindowRect(GetDlgItem(dialog, kPlaces[i].id), &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    }
    g_layout.firstClient.cx = client.right;
    g_layout.firstClient.cy = client.bottom;
    // The border comes at run time: the template keeps its styles. The
    // window grows by the border, so that the client keeps its size.
    LONG style = GetWindowLongA(dialog, GWL_STYLE) | WS_THICKFRAME;
    SetWindowLongA(dialog, GWL_STYLE, style);
    RECT window = client;
    AdjustWindowRectEx(&window, static_cast<DWORD>(style), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    g_layout.minimumWindow.cx = window.right - window.left;
    g_layout.minimumWindow.cy = window.bottom - window.top;
    SetWindowPos(dialog, nullptr, 0, 0, g_layout.minimumWindow.cx, g_layout.minimumWindow.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    g_layout.dialog = dialog;
    PlaceAsKept(dialog);
    LayOutEditor(dialog);
}

void RememberEditorPlace(HWND dialog) {
    // Only a window that was laid out (the fill may have failed first), and
    // not minimised, where its rectangle is no place to open at.
    if (dialog != g_layout.dialog || IsIconic(dialog)) return;
    RECT window;
    if (!GetWindowRect(dialog, &window)) return;
    g_kept.window = window;
    g_kept.kept = true;
}

void LayOutEditor(HWND dialog) {
    if (dialog != g_layout.dialog) return;
    RECT client;
    GetClientRect(dialog, &client);
    int dx = client.right - g_layout.firstClient.cx;
    int dy = client.bottom - g_layout.firstClient.cy;
    // A minimised window has no client: leave the controls as they are.
    if (client.right == 0 && client.bottom == 0) return;
    // The tree gives up the row's room; the buttons beside it stay centred on it.
    const int row = g_layout.rowHeight ? g_layout.rowHeight + g_layout.rowGap : 0;
    for (int i = 0; i < kPlaceCount; ++i) {
        RECT rect = g_layout.firstRects[i];
        int width = rect.right - rect.left, height = rect.bottom - rect.top;
        switch (kPlaces[i].anchor) {
            case Anchor::kGrow:
                width += dx;
                height += dy - row;
                if (g_layout.rowHeight)
                    PlaceRow(dialog, rect.left, rect.top + height, g_layout.firstRects[1].right + dx);
                break;
            case Anchor::kRightCentre:
                OffsetRect(&rect, dx, (dy - row) / 2);
                break;
            case Anchor::kBottomCentre:
                OffsetRect(&rect, dx / 2, dy);
                break;
        }
        SetWindowPos(GetDlgItem(dialog, kPlaces[i].id), nullptr, rect.left, rect.top, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

void ReserveEditorRow(HWND dialog, int textId, int buttonId, int height, int width, int buttonWidth, int textGap) {
    if (dialog != g_layout.dialog) return;
    const RECT& tree = g_layout.firstRects[0];
    const RECT& up = g_layout.firstRects[1];
    // As far from the tree as OK is from it in the template.
    const RECT& ok = g_layout.firstRects[3];
    g_layout.rowGap = ok.top - tree.bottom;
    g_layout.rowHeight = height;
    g_layout.rowButtonWidth = buttonWidth;
    g_layout.rowTextGap = textGap;
    g_layout.rowTextId = textId;
    g_layout.rowButtonId = buttonId;
    const int wider = width > up.right - tree.left ? width - (up.right - tree.left) : 0;
    g_layout.minimumWindow.cx += wider;
    g_layout.minimumWindow.cy += height + g_layout.rowGap;
    // Grown at its place, it may reach past the screen's edge: fitted to
    // the work area of the screen it is on, as a window reopened at a kept
    // size is.
    RECT window, work;
    GetWindowRect(dialog, &window);
    SetFitted(dialog, window, WorkAreaNear(window, &work) ? &work : nullptr);
    LayOutEditor(dialog);
}

void LimitEditorSize(HWND dialog, LPARAM minMaxInfo) {
    // Asked before the first message too, when no size is known yet.
    if (dialog == g_layout.dialog) SetMinimumTrackSize(minMaxInfo, g_layout.minimumWindow);
}
