#include "editor/list_view.h"

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
    // As much as the control has room for, in whole characters.
    int length = 0;
    for (int next = 0; text[length] && length < info->item.cchTextMax - 1; length = next) {
        next = length + (IsDBCSLeadByte(static_cast<BYTE>(text[length])) && text[length + 1] ? 2 : 1);
        if (next > info->item.cchTextMax - 1) break;
    }
    CopyMemory(info->item.pszText, text, length);
    info->item.pszText[length] = '\0';
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
