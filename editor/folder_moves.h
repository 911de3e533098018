// The editor's lowest layer: every change to the editor's tree. The copy of
// the host's tree and of a subtree within it, one move and its refusal of a
// folder without a key, a sibling group put in name order, and the undo
// history of both. It knows nothing of keys pressed, menus or the mouse:
// the input layer above asks for moves, and the dialog on top owns the
// window these work in.
#pragma once

#include <windows.h>
#include <commctrl.h>

class FolderKeyCopies;

// A box about the editor: caption "並び替え", a warning. An owner that is no
// window would keep the box from showing at all, so it then has none.
void ShowEditorWarning(HWND owner, const char* text);

// ---- Copies.

// Copies the host's folder tree into the editor tree, each folder with its
// images and expanded or collapsed as the host shows it, and, given `keys`,
// the key of every folder copied into them (then indexed). False when a
// folder could not be copied or the keys could not be kept.
bool FillEditorTree(HWND editorTree, FolderKeyCopies* keys = nullptr);

// Copies `sourceItem` with its whole subtree into `destinationTree`, under
// `parent` after `insertAfter`, every item with its images and expanded
// where its source is. Answers the new item, or null when any part could
// not be copied; nothing of the copy is left then. Given `keys`, also adds
// the key of every folder copied.
HTREEITEM CopyTreeItem(HWND destinationTree, HTREEITEM parent, HTREEITEM insertAfter,
                       HWND sourceTree, HTREEITEM sourceItem, FolderKeyCopies* keys = nullptr);

// Moves `item` with its subtree under `parent`, after `previousSibling` (or
// first when that is null), and selects it in its new place; answers it
// there. When any part cannot be copied nothing moves: the user is told, the
// item stays where it was, and the answer is null.
HTREEITEM MoveEditorItem(HWND tree, HTREEITEM item, HTREEITEM parent, HTREEITEM previousSibling);

// ---- Moves of the selected folder.

// The ways the editor moves the selected folder among its siblings.
enum class FolderMove { kFirst, kUp, kDown, kLast };

// Where `how` would put the selected folder: the folder and the sibling to
// insert it after (null: first). False when there is no selection or the
// folder is already there.
bool FindFolderMove(HWND tree, FolderMove how, HTREEITEM* item, HTREEITEM* previousSibling);
// Answers the moved folder, or null when nothing moved.
HTREEITEM MoveSelectedFolder(HWND tree, FolderMove how);

// True when the folder with this item data has a key, so its moves can be saved.
bool FolderHasKey(LPARAM itemData);

// Every move of one folder goes through here, whatever asked for it: a
// folder without a key is refused with the default beep (its place could
// never be saved); a move that happened is noted for undo, and the moved
// folder is selected and shown with the row above it. Answers the moved
// item, or null.
HTREEITEM MoveFolder(HWND tree, HTREEITEM item, HTREEITEM previousSibling);

// ---- A group in name order: the selected folder's own group, or with
// `subfolders` the selected folder's subfolders.

// True when the group is not in the order of their names as Explorer sorts
// them (editor/name_order.h), and every one of them has a key.
bool CanSortGroupByName(HWND tree, bool subfolders);
// Puts it in that order, equal names keeping theirs, as one step of the
// history. A group that cannot be put in order whole is left as it was and
// the user is told. False when nothing moved.
bool SortGroupByName(HWND tree, bool subfolders);

// Puts the sibling group whose folders are `items` (under `parent`, in the
// order they stand) so that the folder at items[order[i]] stands at i, each
// folder moved at most once, as one step of the history; `items` then holds
// the folders' new items. A group that cannot be arranged whole is left as
// it was and the user is told. False when nothing moved.
bool ArrangeSiblings(HWND tree, HTREEITEM parent, HTREEITEM* items, const int* order, int count);

// ---- Undo and redo, as long as one editor dialog lives.

void ClearMoveHistory();
bool CanUndo();
bool CanRedo();
void UndoMove(HWND tree);
void RedoMove(HWND tree);

// ---- The history's records, for this layer's own files.
//
// Every move is a copy and a delete, so tree item handles do not survive
// one; but a move only reorders siblings, so a folder's place written as
// the sibling index at each level from the top stays true along the whole
// history. A record keeps where a folder was and the index it went to, or,
// for a group put in order, where the group is and how its folders went.
namespace move_history {

// A step to take. One folder: `item` must end at sibling index `toIndex`.
// A group (`order` not null): `item` is its first folder, and order[i] is
// the index now of the folder that must stand at i, for `count` folders.
struct Step {
    HTREEITEM item;
    int toIndex;
    const int* order;
    int count;
};

// Forgets every step.
void Clear();

// Notes that the folder that stood at `fromIndex` among its siblings is now
// `movedItem`. Drops the steps that were undone.
// A folder too deep to note clears the history: the older records would no
// longer lead to their folders. So does a group without memory to note it.
void Record(HWND tree, int fromIndex, HTREEITEM movedItem);
// Notes that the group of `anyFolder` was put in order: order[i] is the
// index before the step of the folder that stands at i after it.
void RecordGroup(HWND tree, HTREEITEM anyFolder, const int* order, int count);

// The step that undoes (redoes) the last one. False when there is none, or
// when the tree no longer has the folder (then the history is cleared).
// A group step's order stays readable until the history next changes.
bool PeekUndo(HWND tree, Step* step);
bool PeekRedo(HWND tree, Step* step);
// Steps back (forward) once the peeked step was taken.
void Undone();
void Redone();

// The item's index among its siblings.
int SiblingIndex(HWND tree, HTREEITEM item);

}  // namespace move_history
