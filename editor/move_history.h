// The editor's undo and redo history.
//
// Every move is a copy and a delete, so tree item handles do not survive
// one; but a move only reorders siblings, so a folder's place written as
// the sibling index at each level from the top stays true along the whole
// history. A record keeps where the folder was and the index it went to.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace move_history {

// Forgets every move: the history lives as long as one editor dialog.
void Clear();

// Notes that the folder that stood at `fromIndex` among its siblings is now
// `movedItem`. Drops the moves that were undone.
// A folder too deep to note clears the history: the older records would no
// longer lead to their folders.
void Record(HWND tree, int fromIndex, HTREEITEM movedItem);

bool CanUndo();
bool CanRedo();

// The move that undoes (redoes) the last one: the folder to move and the
// sibling index it must end at. False when there is none, or when the tree
// no longer has the folder (then the history is cleared).
bool PeekUndo(HWND tree, HTREEITEM* item, int* toIndex);
bool PeekRedo(HWND tree, HTREEITEM* item, int* toIndex);
// Steps back (forward) once the peeked move was made.
void Undone();
void Redone();

// The item's index among its siblings.
int SiblingIndex(HWND tree, HTREEITEM item);

}  // namespace move_history
