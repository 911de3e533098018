// A folder the host renamed or moved while it ran: its key changed, and the
// keys of its subfolders changed by the same first bytes. Told from the keys
// of the tree's folders before and after a settled burst of the host's
// changes, whatever the host did to its tree for it (the same items given
// new paths, the subtree deleted and inserted back, the whole tree rebuilt);
// then the order file's lines of that folder follow it.
#pragma once

#include "order/text_platform.h"

class KeyList;

// Whether `line` names the folder of `key` or a folder under it: it is the
// key, or it continues the key at a separator. A line that merely shares
// the key's first bytes (仕事箱 beside 仕事) names another folder. Shift_JIS
// aware: a key that ends in 表 (95 5C) does not end in a separator.
bool LineIsUnderKey(const char* line, DWORD lineLength, const char* key, DWORD keyLength);

struct FolderRename {
    const char* from;
    DWORD fromLength;
    const char* to;
    DWORD toLength;
};

// The one folder whose key changed between `before` and `after`, its
// subfolders following it: every key that left is `from` or under it, every
// key that came is `to` or under it, each with the same rest, and the folder
// kept its parent (renamed) or its name (moved). False when no key changed,
// when it cannot be told which folder became which (two folders, subfolders
// that differ), or when the host had no memory for the comparison. The keys
// answered point into `before` and `after`.
bool FindFolderRename(const KeyList& before, const KeyList& after, FolderRename* rename);

// Over an order file's bytes (lines end in CR or LF; no NUL): whether a
// line is `key` or under it.
bool AnyLineUnder(const char* bytes, DWORD count, const char* key, DWORD keyLength);

// The bytes the file takes with every line under `rename.from` beginning
// with `rename.to` instead; every other byte, line ends included, as it was.
DWORD RenamedFileBytes(const char* bytes, DWORD count, const FolderRename& rename);
// Writes them at `out`.
void WriteRenamedFile(const char* bytes, DWORD count, const FolderRename& rename, char* out);
