// A folder's key: the part of its full path that follows the data folder.
#pragma once

#include <windows.h>

// The key of the folder whose host record `itemData` addresses: a pointer into
// the host's own path string, never a copy. Null when the folder has no key:
// no record, a path address that is null or unreadable, or a path that does not
// begin with the data folder byte for byte.
const char* FolderKeyOf(LPARAM itemData);

// Where the host folder record that `itemData` addresses keeps the address
// of the folder's path (at the current folder-path offset).
const void* FolderPathField(LPARAM itemData);

// Reads the path address out of a host folder record. Null when the record
// or that field cannot be read.
const char* FolderPathOf(LPARAM itemData);
