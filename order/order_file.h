// The order file: one folder key per line, beside the module, named after it
// with the extension ".cfg".
#pragma once

#include <windows.h>

// Sets the order-file path from the module's own file path. Leaves it empty
// (so nothing is read or written) when the module path was cut short or the
// order-file path would not fit.
void BuildOrderFilePath();

// The order-file path for a module path of `length` bytes: everything from the
// path's last "." replaced by ".cfg", or ".cfg" appended when there is no dot.
// Writes an empty string and answers false when the result would not fit
// MAX_PATH bytes, or when `length` shows a failed or cut-short module path.
bool OrderFilePathFromModulePath(const char* modulePath, DWORD length, char* orderFilePath);

// Reads the whole order file into one host block, with every CR and LF turned
// into NUL. False (and nothing held) when it cannot be opened, allocated or read.
bool LoadOrderList();
void ReleaseOrderList();

// Walking the lines of the loaded list. A line runs to its first NUL or to the
// end of the data; null means there are no more lines.
const char* FirstOrderLine();
const char* NextOrderLine(const char* line);
const char* OrderListEnd();

class FolderKeyCopies;

// How a save ended. Every result but kSaved and kNoOrderFile left the
// previous order file exactly as it was.
enum class SaveResult {
    kSaved,
    kNoOrderFile,    // no order-file path: the host check failed, nothing to write to
    kNothingToSave,  // no folder of the tree has a key: the order file is left alone
    kReadOnly,       // the order file is read-only
    kInUse,          // another program holds the order file (or our new copy of it)
    kDiskFull,
    kFolderNotWritable,  // the new copy cannot be created in the order file's folder
    kNotWritable,    // anything else: a folder in the way, no permission, no tree
};

// Rewrites the order file from a tree: every folder of the tree whose key
// `keys` holds, depth-first, each key followed by CR LF. The new content goes
// to a new copy under a name of its own first and replaces the order file
// only when all of it was written, so a failed save leaves the previous file
// exactly as it was and (once nobody holds it) no copy behind.
SaveResult SaveOrderFile(HWND tree, const FolderKeyCopies& keys);

// The same, with the keys the tree's folders have now.
SaveResult SaveOrderFile(HWND tree);

// The folder the order file is in (the plug-in's), separator included, into
// a buffer of kPathCapacity bytes.
void OrderFileFolder(char* folder);

// Deletes the new copy of a failed save that another program held when the
// save gave up; by the time the editor closes, it has let go.
void DeleteLeftoverSave();
