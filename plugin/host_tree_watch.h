// Keeping the order while the host runs. The host changes its folder tree
// after the start-up sort (a folder made or removed, a group sorted by name,
// the whole tree rebuilt after a sync); the module notices the changes to
// its structure and, once they settle, sorts again the groups that are out
// of order, by the order file as it is then.
//
// The module watches through a subclass of the host's tree window: only that
// window's messages pass through it. A message hook on the host's thread
// would see every message of every window, and under Wine makes each one a
// round trip to the server.
#pragma once

#include <windows.h>

#include "plugin/tree_control.h"

// Starts watching `hostTree`, after a start-up's sort; `sortDue` when that
// sort could not read the order file (another program held it), so that
// the watch tries again. Watching the same tree again does nothing more;
// another tree is watched instead. A platform that refuses the subclass
// leaves the module as it was, without a word.
void WatchHostTree(HWND hostTree, bool sortDue = false);

// The editor closed: the watch, which waits while it is open, looks again
// (and sorts, with `sortDue`, when the editor's own sort could not).
void ResumeWatchAfterEditor(bool sortDue);

// Stops at the host's exit and before the module is unloaded: no timer is
// left, and the subclass is undone. When another program has put a subclass
// of its own on top of the module's, undoing it would cut that one off:
// the module's procedure then only passes messages on. Answers whether
// nothing of the module is left in the host.
bool StopWatchingHostTree();

// How the module's questions to `tree` may skip its own subclass: straight
// to the procedure it passes everything on to, while the module's is the
// window's own. No procedure when the module does not watch `tree`, another
// subclass stands on top of its own (that one must see what the tree is
// asked), or the tree belongs to another thread. True when asked: the route
// checks the window's procedure again before each question.
TreeQueriesStraightTo::Route RouteUnderWatch(HWND tree);
