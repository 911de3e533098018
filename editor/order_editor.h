// The editor's top layer: the order editor, a modal dialog holding a copy
// of the host's folder tree, in which the user moves folders among their
// siblings and confirms. It owns the window and the session (the keys it
// saves, the copy of the host's icons) and hands the tree to the input
// layer (editor_input.h), the window to the window layer (editor_layout.h)
// and every change of the tree to the moves (folder_moves.h).
#pragma once

#include <windows.h>

// Runs the editor for the host's settings command. The host tree is sorted
// before the dialog opens and again after any nonzero result.
void RunOrderEditor(HWND owner);

INT_PTR CALLBACK OrderEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
