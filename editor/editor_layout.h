// The editor's window, resizable at run time: the template stays as it is
// (no sizing border there), and its size is the smallest the window takes.
#pragma once

#include <windows.h>

// Gives the dialog a sizing border, keeping its client size, and notes
// where every control stands at the template's size.
void PrepareEditorLayout(HWND dialog);
// WM_SIZE: the tree takes the new room; the ↑ and ↓ buttons keep to its
// right edge, centred on it as at first; OK and Cancel stay centred under it.
void LayOutEditor(HWND dialog);
// WM_GETMINMAXINFO: no smaller than the template.
void LimitEditorSize(HWND dialog, LPARAM minMaxInfo);
