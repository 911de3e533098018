// What the editor says of itself when the pointer rests: the ↑ and ↓
// buttons name their move, its key and the other ways to move a folder (a
// drag, the right button's menu); a grey folder says why it does not move.
// Added at run time: the dialog template stays as it is.
#pragma once

#include <windows.h>

// From the dialog's first message; without a tooltip window (the platform
// refused one) the buttons show none, and nothing else changes.
void StartEditorTips(HWND dialog);
void StopEditorTips();

// Answers the tooltip's question for the tree's tip (WM_NOTIFY): the grey
// folder's text when the pointer rests on one, no tip elsewhere. False for
// any other notification.
bool AnswerFolderTip(LPARAM notification);
// A mouse message of the tree, passed on to the tooltip. The pointer on
// another row takes the tip shown away, and the next rest asks again.
void NoteTreeMouse(HWND tree, UINT message, WPARAM wParam, LPARAM lParam);
