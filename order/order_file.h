// The order file: one folder key per line, beside the module, named after it
// with the extension ".cfg".
#pragma once

#include <windows.h>

#include "plugin/host_api.h"

// Sets the order-file path from the module's own file path. Leaves it empty
// (so nothing is read or written) when the module path was cut short or the
// order-file path would not fit.
void BuildOrderFilePath();

// The order-file path for a module path of `length` bytes: everything from the
// path's last "." replaced by ".cfg", or ".cfg" appended when there is no dot.
// Writes an empty string and answers false when the result would not fit
// MAX_PATH bytes, or when `length` shows a failed or cut-short module path.
bool OrderFilePathFromModulePath(const char* modulePath, DWORD length, char* orderFilePath);

enum class OrderLoad {
    kLoaded,
    kNoFile,  // no order file (or an empty one, or no path): nothing to order by
    kNotNow,  // held by another program, unreadable or no memory: worth another try
};

// Reads the whole order file into one host block, with every CR and LF turned
// into NUL; nothing is held unless it answers kLoaded. Never waits for a
// program that holds the file: it runs on the host's thread.
OrderLoad LoadOrderList();
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
    kNoMemory,       // no memory for the new content, or the tree could not be read
    kFolderNotWritable,  // the new copy cannot be created in the order file's folder
    kFolderPathTooLong,  // that folder's path leaves no room for the new copy's name
    kNotWritable,    // anything else: a folder in the way, no permission, no tree
    kUnreadable,     // the order file exists but cannot be read: its other lines would be lost
    kNotPlainText,   // the order file holds NUL bytes (UTF-16, or no text): rewritten, it would be cut up
    kChangedMeanwhile,  // another program saved it again and again while this save merged its lines
};

// What a save wrote, kept so that the host tree can be sorted by exactly
// those bytes: a file that cannot be read back at once then does not matter.
struct SavedOrder {
    HostBlock bytes;  // null for an empty save
    DWORD byteCount = 0;
    bool saved = false;
};

struct LineText;

// The order file's bytes as stored, not converted (the check names the
// encoding itself), into one host block; never waits. False when it exists
// but cannot be read now; a missing file is read as empty.
bool ReadOrderFileAsStored(HostBlock* block, DWORD* byteCount);

// Rewrites the order file from a tree: every folder of the tree whose key
// `keys` holds, depth-first, each key followed by CR LF; then every line of
// the file as it is now that names none of those folders, byte for byte, in
// its order, each once (the order of folders this tree does not show: another
// data folder's, a mailbox away for a while). The new content goes
// to a new copy under a name of its own first and replaces the order file
// only when all of it was written, so a failed save leaves the previous file
// exactly as it was and (once nobody holds it) no copy behind.
// Given `saved`, a successful save leaves its bytes there. The `dropped`
// lines of the file are not carried over.
SaveResult SaveOrderFile(HWND tree, const FolderKeyCopies& keys, SavedOrder* saved = nullptr,
                         const LineText* dropped = nullptr, DWORD droppedCount = 0);

// The same, with the keys the tree's folders have now.
SaveResult SaveOrderFile(HWND tree);

enum class RenameRewrite {
    kRewritten,  // the folders' lines now name them by their new keys
    kLeftAlone,  // nothing to do, or nothing that may be done: no line of an
                 // old key, a line of the new one, a read-only file, no text
    kNotNow,     // the file could not be read or replaced now: worth another try
};

// What the order file was when it was read: a save replaces it only while
// it still is, so that what another program saved meanwhile (Notepad, a
// second host sharing the plug-in folder) is never lost.
struct FileStamp {
    bool exists = false;
    DWORD size = 0;
    FILETIME lastWrite = {};
};

// A rewrite of the order file for the renames that wait for it
// (order/pending_renames.h): each folder's lines, and its subfolders',
// begin with its new key; every other byte stays. Prepared where the host's
// memory and the module's state may be used, written where neither is: it
// holds its own copy of everything, in memory of its own.
struct RenameRewriteJob {
    char orderFilePath[MAX_PATH];
    FileStamp asRead;
    int renames;       // the renames it takes: the first ones waiting when prepared
    DWORD generation;  // of the renames waiting then
    char leftoverCopy[MAX_PATH];  // a new copy it could not delete (held), or empty
    RenameRewrite result;
    volatile LONG state;  // the writing thread's, for telling who owns the job
    DWORD byteCount;
    char bytes[1];  // byteCount of them
};

// Reads the order file and applies the renames that wait. kRewritten with
// a job to write (WriteRenameRewrite, then FreeRenameRewrite); kLeftAlone
// when the file can take none of them; kNotNow when it could not be read.
RenameRewrite PrepareRenameRewrite(RenameRewriteJob** job);
// Writes the job's bytes to a new copy and replaces the file with it while
// that is still as it was read: all or nothing, never waiting for a holder.
// Sets `job->result`. Runs on any thread: it calls no host function and
// reads no module state.
void WriteRenameRewrite(RenameRewriteJob* job);
void FreeRenameRewrite(RenameRewriteJob* job);

// The folder the order file is in (the plug-in's), separator included, into
// a buffer of kPathCapacity bytes.
void OrderFileFolder(char* folder);

// Whether Windows keeps the order file in the user's VirtualStore (the
// plug-in's folder is under Program Files and the copy is there): then
// that copy is the one the module reads and writes, and its path is put in
// `copy` (kPathCapacity bytes).
bool OrderFileInVirtualStore(char* copy);

// Remembers a new copy that could not be deleted (`path`, or nothing when
// empty), to be deleted later.
void RememberLeftoverSave(const char* path);

// Deletes the new copies of failed saves that another program held when
// each save gave up; by the time the editor closes, it has usually let go.
// Those still held stay remembered for the next try.
void DeleteLeftoverSaves();
