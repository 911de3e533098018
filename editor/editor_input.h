// The editor's keys, its folder menu and its repeating buttons.
#pragma once

#include <windows.h>

// From the dialog's first message to its last (and again when the editor
// ends, whatever path it took): the keys that move, undo and redo wherever
// the focus is in the dialog, and the ↑ and ↓ buttons repeating while held.
void StartEditorInput(HWND dialog);
void StopEditorInput();

// True once for a button's command when pressing that button already made
// its move: the release's click must not move a second time.
bool ButtonAlreadyMoved(WORD id);

// The folder menu at `screenPoint`, for the selected folder; with
// `atSelection` it opens under the selected folder's row instead (keys).
void ShowFolderMenu(HWND tree, POINT screenPoint, bool atSelection);

// Does what a key taken wherever the focus was asked for (a move, undo,
// redo, the menu under the selection), from the dialog's private message;
// false for every other message.
bool HandleKeyActionMessage(HWND dialog, UINT message, WPARAM action);
