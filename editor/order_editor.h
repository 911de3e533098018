// The order editor: a modal dialog holding a copy of the host's folder tree,
// in which the user moves folders up and down among their siblings.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Runs the editor for the host's settings command. The host tree is sorted
// before the dialog opens and again after any nonzero result.
void RunOrderEditor(HWND owner);

INT_PTR CALLBACK OrderEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

class FolderKeyCopies;

// Copies the host's folder tree into the editor tree, and, given `keys`, the
// key of every folder copied into them (then indexed). False when a folder
// could not be copied or the keys could not be kept.
bool FillEditorTree(HWND editorTree, FolderKeyCopies* keys = nullptr);

// Copies `sourceItem` with its whole subtree into `destinationTree`, under
// `parent` after `insertAfter`, fully expanded. Answers the new item, or null
// when any part could not be copied; nothing of the copy is left then.
// Given `keys`, also adds the key of every folder copied.
HTREEITEM CopyTreeItem(HWND destinationTree, HTREEITEM parent, HTREEITEM insertAfter,
                       HWND sourceTree, HTREEITEM sourceItem, FolderKeyCopies* keys = nullptr);

// Moves `item` with its subtree under `parent`, after `previousSibling` (or
// first when that is null), and selects it in its new place; answers it
// there. When any part cannot be copied nothing moves: the user is told, the
// item stays where it was, and the answer is null.
HTREEITEM MoveEditorItem(HWND tree, HTREEITEM item, HTREEITEM parent, HTREEITEM previousSibling);

// The ways the editor moves the selected folder among its siblings.
enum class FolderMove { kFirst, kUp, kDown, kLast };

// Where `how` would put the selected folder: the folder and the sibling to
// insert it after (null: first). False when there is no selection or the
// folder is already there.
bool FindFolderMove(HWND tree, FolderMove how, HTREEITEM* item, HTREEITEM* previousSibling);
// Answers the moved folder, or null when nothing moved.
HTREEITEM MoveSelectedFolder(HWND tree, FolderMove how);

// Every move of the editor goes through here, whatever asked for it: a
// folder without a key is refused with the default beep (its place could
// never be saved); a move that happened is noted for undo (or steps the
// history when it is an undo or redo), and the moved folder is selected and
// shown with the row above it. Answers the moved item, or null.
enum class HistoryStep { kRecord, kUndo, kRedo };
HTREEITEM MoveFolder(HWND tree, HTREEITEM item, HTREEITEM previousSibling,
                     HistoryStep step = HistoryStep::kRecord);
// True when the folder with this item data has a key, so its moves can be saved.
bool FolderHasKey(LPARAM itemData);
void UndoMove(HWND tree);
// Alt with ↑, ↓, Home or End (a system key) moves the selected folder;
// false for any other key. FolderMoveForKey only tells which move.
bool MoveSelectionByKey(HWND tree, WPARAM key, LPARAM keyData);
bool FolderMoveForKey(WPARAM key, LPARAM keyData, FolderMove* how);
void RedoMove(HWND tree);
