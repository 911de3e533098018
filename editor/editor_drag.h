// Dragging a folder to its place among its siblings, on the editor's tree.
//
// The tree keeps TVS_DISABLEDRAGDROP, so the control never starts a drag of
// its own: the editor follows the mouse messages itself, with the mouse
// captured, an insertion mark where the folder would land and the tree
// scrolling while the pointer is near its top or bottom edge.
#pragma once

#include <windows.h>

// Called by the tree's subclass procedure for every message. True when the
// drag took the message (its answer is in `result`); otherwise the message
// goes on to the control. `original` is the control's own procedure.
bool HandleDragMessage(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original,
                       LRESULT* result);

// Ends a drag without moving anything; nothing when none runs.
void CancelDrag();
bool IsDragging();
