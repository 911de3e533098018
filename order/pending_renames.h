// Renames of folders that the order file has not taken yet: another program
// held it when the host renamed or moved the folder. Until they are written,
// every read of the file for a sort or a save sees them applied, so that the
// host's tree, the editor's copy of it and what the editor's OK writes keep
// a renamed folder in its old place, its subfolders' lines under its new key.
#pragma once

#include "order/text_platform.h"

class TextBlock;
struct FolderRename;

// Keeps a copy of `rename`, after those kept before. One that finds no
// place (the file held through eight renames) or no memory is left alone.
void QueuePendingRename(const FolderRename& rename);

bool RenamesPending();
int PendingRenameCount();
// Changes each time the renames waiting are all forgotten.
DWORD PendingRenamesGeneration();

// Applies to the order file's bytes, in the order they came, each pending
// rename that they can take: a line of its old key or under it, and none of
// its new one (that name has an order of its own). Bytes holding a NUL are
// no text this plug-in writes, and take none. Answers how many were
// applied; -1 when the host had no memory (the bytes may then hold the
// renames applied before: a read that fails throws them away).
int ApplyPendingRenames(TextBlock* bytes, DWORD* count);

// The order file took them (or the host exits): forgotten.
void ForgetPendingRenames();
// The first `count` of them, when none was forgotten since `generation`.
void ForgetFirstPendingRenames(int count, DWORD generation);
