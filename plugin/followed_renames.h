// Following a folder that the host renames or moves while it runs: the
// keys of the watched tree's folders are remembered as they were at the
// last settled look, a settled burst of changes is compared with them, and
// the order file's lines of a renamed folder are rewritten to follow it.
// A rename the file cannot take now (another program holds it) waits for
// another try.
#pragma once

#include <windows.h>

// Remembers the keys of every folder of `tree` now.
void RememberFolderKeys(HWND tree);
// An insert or a delete came: some remembered records may be gone.
void NoteFoldersAddedOrRemoved();

// Whether the folder whose record `itemData` addresses has another key than
// it had at the last look. False when nothing is remembered, or when a
// folder was added or removed since (a settle is due anyway).
bool FolderKeyChanged(LPARAM itemData);
// The same for every remembered folder: a host may change a folder's path
// without a message to its tree (its text answered on demand).
bool AnyFolderKeyChanged();

// Compares `tree` now with what was remembered, notes a folder renamed or
// moved for the order file to take (order/pending_renames.h: every sort and
// save sees it until then; plugin/rename_writer.h writes it), and
// remembers the tree as it is now.
void FindRenamedFolders(HWND tree);

// Forgets the keys: the host exits, or another tree is watched. The renames
// found wait for the file all the same (order/pending_renames.h).
void ForgetFolderKeys();
