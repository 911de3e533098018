// The editor's window layer: resizable at run time (the template stays as
// it is, with no sizing border), its size the smallest the window takes,
// and reopened where the user left it while the host runs. The dialog above
// calls it; it knows nothing of folders or input.
#pragma once

#include <windows.h>

// Gives the dialog a sizing border, keeping its client size, and notes
// where every control stands at the template's size. An editor closed
// before in this process opens again at that size and place, no smaller
// than the template, and moved (not shrunk) into the work area of the
// nearest monitor where it would not fit as it was.
void PrepareEditorLayout(HWND dialog);
// WM_DESTROY: keeps the window's size and place for the next opening, in
// the module alone (nothing is written anywhere).
void RememberEditorPlace(HWND dialog);
// WM_SIZE: the tree takes the new room; the ↑ and ↓ buttons keep to its
// right edge, centred on it as at first; OK and Cancel stay centred under it.
void LayOutEditor(HWND dialog);
// Makes room under the tree for a row of `height` pixels holding the
// controls `textId` (left, taking the rest) and `buttonId` (right, under
// the ↑ and ↓ buttons, `buttonWidth` wide, `textGap` from the text), which
// need `width` pixels side by side: the window grows by the row, and wider
// where the tree and the buttons beside it are narrower than that, and
// stays on the screen.
void ReserveEditorRow(HWND dialog, int textId, int buttonId, int height, int width, int buttonWidth, int textGap);
// WM_GETMINMAXINFO: no smaller than the template (and the row).
void LimitEditorSize(HWND dialog, LPARAM minMaxInfo);
