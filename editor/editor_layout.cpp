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
};
Layout g_layout;

}  // namespace

void PrepareEditorLayout(HWND dialog) {
    g_layout.dialog = nullptr;
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
    LayOutEditor(dialog);
}

void LayOutEditor(HWND dialog) {
    if (dialog != g_layout.dialog) return;
    RECT client;
    GetClientRect(dialog, &client);
    int dx = client.right - g_layout.firstClient.cx;
    int dy = client.bottom - g_layout.firstClient.cy;
    // A minimised window has no client: leave the controls as they are.
    if (client.right == 0 && client.bottom == 0) return;
    for (int i = 0; i < kPlaceCount; ++i) {
        RECT rect = g_layout.firstRects[i];
        int width = rect.right - rect.left, height = rect.bottom - rect.top;
        switch (kPlaces[i].anchor) {
            case Anchor::kGrow:
                width += dx;
                height += dy;
                break;
            case Anchor::kRightCentre:
                OffsetRect(&rect, dx, dy / 2);
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

void LimitEditorSize(HWND dialog, LPARAM minMaxInfo) {
    // Asked before the first message too, when no size is known yet.
    if (dialog == g_layout.dialog) SetMinimumTrackSize(minMaxInfo, g_layout.minimumWindow);
}
