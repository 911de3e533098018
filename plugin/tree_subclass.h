// The module's procedures in host trees' window chains. A subclass, not a
// hook: only the tree's messages pass through it (under Wine a message hook
// makes every message of the host's thread a round trip to the server).
//
// Each place has a procedure of its own, which passes every message on to
// the procedure it replaced, so that a procedure the module can no longer
// tell from the tree (cut out of the chain, or so it seemed) never sends a
// message into another place's chain or into nothing. A place stays taken
// for as long as something may still call its procedure.
#pragma once

#include <windows.h>

#include "plugin/tree_control.h"

// What the module's procedure tells the watch of the messages it passes on.
struct TreeListener {
    // A tree-view message (TVM_*), once the tree has handled it.
    void (*handled)(HWND tree, UINT message, WPARAM wParam, LPARAM lParam);
    // WM_NCDESTROY, the window's last message: its place is free after it.
    void (*destroying)(HWND tree);
};

// Puts one of the module's procedures in front of `tree`'s own, telling
// `listener`; at most one listened place a tree. False when no place is
// free or the platform refused.
bool SubclassTree(HWND tree, const TreeListener& listener);

// Whether `tree` has a listened place whose procedure still gets the tree's
// messages: on top of the chain, or under other subclasses that pass them
// on. A host that subclassed its tree with the common controls'
// SetWindowSubclass before the module and removes it after restores the
// procedure it saved, cutting the module out.
bool TreeSubclassStillCalled(HWND tree);

// The tree's listened place stops telling anything: its procedure only
// passes messages on from now on, for as long as it may be called.
void StopListening(HWND tree);

// Takes every procedure of the module out of its tree's chain where it is
// on top; one that nothing calls any more is forgotten. One under another
// subclass stays, passing messages on: undoing it would cut that one off.
// Answers whether no procedure is left that something could call.
bool UnsubclassTrees();

// How the module's questions to `tree` may skip its own procedure: straight
// to the one under it, while the module's is the window's own and the tree
// belongs to this thread. No procedure otherwise (another subclass on top
// must see what the tree is asked).
TreeQueriesStraightTo::Route RouteUnderSubclass(HWND tree);
