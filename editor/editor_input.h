// The editor's input layer: what the user's keys, mouse and menu ask of the
// tree, turned into the moves of the layer below (folder_moves.h). The keys
// that move, undo and redo wherever the focus is in the dialog; the ↑ and ↓
// buttons repeating while held; the folder menu; dragging a folder among
// its siblings. The dialog above starts and stops it.
#pragma once

#include <windows.h>

// From the dialog's first message to its last (and again when the editor
// ends, whatever path it took): the tree's and the buttons' own handling of
// the mouse and keys, and the keys taken wherever the focus is.
void StartEditorInput(HWND dialog);
void StopEditorInput();

// True once for a button's command when pressing that button already made
// its move: the release's click must not move a second time.
bool ButtonAlreadyMoved(WORD id);

// Does what a key taken wherever the focus was asked for (a move, undo,
// redo, the menu under the selection), from the dialog's private message;
// false for every other message.
bool HandleKeyActionMessage(HWND dialog, UINT message, WPARAM action);

// ---- Dragging a folder to its place among its siblings (editor_drag.cpp).
//
// The tree keeps TVS_DISABLEDRAGDROP, so the control never starts a drag of
// its own: the editor follows the mouse messages itself, with the mouse
// captured, an insertion mark where the folder would land and the tree
// scrolling while the pointer is near its top or bottom edge. Groups stay
// as open or closed as they are: nothing opens under a dragged folder.

// Called by the tree's subclass procedure for every message. True when the
// drag took the message (its answer is in `result`); otherwise the message
// goes on to the control. `original` is the control's own procedure.
bool HandleDragMessage(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original,
                       LRESULT* result);

// Ends a drag, or a press still waiting to become one, without moving
// anything; nothing when none runs.
void CancelDrag();
bool IsDragging();
