// Keeping the order while the host runs. The host changes its folder tree
// after the start-up sort (a folder made, removed, renamed or moved, a
// group sorted by name, the whole tree rebuilt after a sync, a new tree
// window); the module notices the changes through its procedure in the
// tree's chain and, once they settle, has a renamed folder's lines follow
// it and sorts again the groups that are out of order, by the order file
// as it is then. Nothing it runs on the host's thread waits.
#pragma once

#include <windows.h>

#include "order/tree_sort.h"

// A start-up: starts watching `hostTree`, then sorts it. Watched first, so
// that a folder the host inserts inside that sort counts as a change; a
// sort that could not read the order file (another program held it) is
// tried again by the watch. Watching the same tree again keeps what it
// knows; another tree is watched instead, and the renames that wait for the
// file still wait. No tree window yet: one is looked for once a second.
// A platform that refuses the subclass leaves the module as it was,
// sorted, without a word.
void WatchAndSortHostTree(HWND hostTree);

// Sorts the host tree before the editor copies it. A change of the watched
// tree not settled yet is settled now (a folder renamed has its lines
// follow it first); kNotNow when the order file could not be read now.
SortOutcome SortBeforeEditor(HWND hostTree);

// The editor closed: the watch, which waits while it is open, looks again
// (and sorts, with `sortDue`, when the editor's own sort could not).
void ResumeWatchAfterEditor(bool sortDue);

// Stops at the host's exit and before the module is unloaded: no timer is
// left, the subclass is undone, and renames still waiting are dropped. When another program has put a subclass
// of its own on top of the module's, undoing it would cut that one off:
// the module's procedure then only passes messages on. Answers whether
// nothing of the module is left in the host.
bool StopWatchingHostTree();
