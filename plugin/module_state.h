// Process-wide values shared by the module's parts. All start null, zero or
// empty when the module is loaded; the host calls us on one thread only.
#pragma once

#include <windows.h>

#include "order/order_lines.h"

const int kPathCapacity = MAX_PATH;  // bytes, NUL included
const int kMostLeftoverCopies = 16;

class FolderKeyCopies;
struct SavedOrder;

// The order file as read for one sort: its bytes with every CR and LF turned
// into NUL. No terminator is added after the data.
struct OrderList {
    char* buffer;
    DWORD byteCount;
    OrderScan scan;  // chosen once per sort, from what the processor reports
};

struct ModuleState {
    HINSTANCE moduleHandle;
    char dataFolder[kPathCapacity];
    DWORD dataFolderLength;
    DWORD folderPathOffset;  // where a folder record keeps its path address: 24 or 28
    char orderFilePath[kPathCapacity];  // empty: no order file may be read or written
    OrderList orderList;
    // The tree the module is sorting now: the changes it makes are its own,
    // not the host's.
    HWND sortingTree;
    // The open order editor, null when none is open. The host's windows keep
    // receiving messages while the editor runs, so the host may ask for the
    // settings again; there is only ever one editor.
    HWND editorDialog;
    bool editorRunning;
    bool editorInitialised;  // the dialog was created and got its first message
    bool editorAbandoned;    // its tree went wrong: closing, and nothing is saved
    WNDPROC editorTreeProc;  // the editor tree's own procedure, under the editor's keys
    // The keys of the folders the open editor shows, taken when it filled
    // its tree; what OK saves.
    FolderKeyCopies* editorKeys;
    // What the open editor's OK saved, to sort the host tree by once it closes.
    SavedOrder* editorSaved;
    // New copies of failed saves that could not be deleted then (another
    // program held them), deleted again at the next save and when the
    // editor closes. A save never makes a copy it could not remember.
    char leftoverCopies[kMostLeftoverCopies][kPathCapacity];
    int leftoverCopyCount;
    // The module's reference to itself (see module_lifetime.h), and how
    // many of its calls are under way on the host's thread.
    bool holdsItself;
    int callsUnderWay;
};

extern ModuleState g_module;
