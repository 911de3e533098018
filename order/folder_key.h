// A folder's key: the part of its full path that follows the data folder.
#pragma once

#include <windows.h>

// The key of the folder whose host record `itemData` addresses: a pointer into
// the host's own path string, never a copy. Null when the folder has no key:
// no record, a path address that is null or unreadable, or a path that does not
// begin with the data folder byte for byte.
const char* FolderKeyOf(LPARAM itemData);

// Reads the path address out of a host folder record at the current folder-path
// offset. Null when the record or that field cannot be read.
const char* FolderPathOf(LPARAM itemData);
