// The list-view control as the check's list uses it: a report whose rows
// the owner keeps (the control asks for each text as it draws), over
// SendMessageA, so that no message parameter is cast in the list's logic.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Full-row selection, the columns (titles and widths in pixels) and
// `rows` rows.
void ListPrepare(HWND list, const char* const* titles, const int* widths, int columns, int rows);
// The row asked for by an LVN_GETDISPINFOA `notification` and its column;
// false for any other notification. `Answer` with the text to show.
bool ListTextAsked(LPARAM notification, int* row, int* column);
void ListAnswerText(LPARAM notification, const char* text);
// The virtual key of an LVN_KEYDOWN `notification`; 0 for any other.
WORD ListKeyDown(LPARAM notification);

int ListFocusedRow(HWND list);  // -1: none
// The next selected row after `row` (-1: from the first), or -1.
int ListNextSelected(HWND list, int row);
void ListSelectAll(HWND list);
void ListFocusRow(HWND list, int row);
void ListRedrawAll(HWND list);
