#include "plugin/entry_points.h"

#include "order/folder_key.h"
#include "order/order_file.h"
#include "order/tree_sort.h"
#include "plugin/host_api.h"
#include "plugin/host_tree_watch.h"
#include "plugin/module_lifetime.h"
#include "plugin/module_state.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"

namespace {
const int kLoadFailureMessageBytes = 256;
const char kLayoutChangedAfterVersion[] = "2.05.04";
const DWORD kPathOffsetUpToLayoutChange = 24;
const DWORD kPathOffsetAfterLayoutChange = 28;

void ShowError(const char* text) { MessageBoxA(nullptr, text, kErrorCaption, MB_ICONERROR); }
}  // namespace

BOOL AttachToHost(HINSTANCE module) {
    g_module.moduleHandle = module;
    if (BindHostApi()) return TRUE;

    char info[kInfoNameBytes + kInfoVendorBytes + kInfoVersionBytes + kInfoDescriptionBytes];
    FillPlugInInfo(info);
    char message[kLoadFailureMessageBytes];
    wsprintfA(message, kLoadFailureFormat, info);
    ShowError(message);
    return FALSE;
}

void DetachFromHost(bool processEnding) {
    // A process that ends takes its windows and timers with it, and other
    // threads may already be gone: nothing to undo then.
    if (!processEnding) StopWatchingHostTree();
    UnbindHostApi();
}

void ExitHost() { LetModuleGo(StopWatchingHostTree()); }

void FillPlugInInfo(char* record) {
    if (!record) return;
    lstrcpyA(record, kPlugInName);
    lstrcpyA(record + kInfoNameBytes, kPlugInVendor);
    lstrcpyA(record + kInfoNameBytes + kInfoVendorBytes, kPlugInVersion);
    lstrcpyA(record + kInfoNameBytes + kInfoVendorBytes + kInfoVersionBytes, kPlugInDescription);
}

bool FolderRecordLayoutMatches(HWND hostTree) {
    HTREEITEM first = TreeGetRoot(hostTree);
    // An empty tree has no record to check, and nothing a sort could harm.
    if (!first) return true;
    LPARAM record = TreeGetItemData(hostTree, first);
    // A null record, or one whose path field cannot be read, fails here too:
    // the path address is only read once its four bytes are known readable.
    if (!record || IsBadReadPtr(FolderPathField(record), sizeof(const char*))) return false;
    return !IsBadReadPtr(FolderPathOf(record), g_module.dataFolderLength);
}

void StartUp() {
    // The host may free the module inside the sort (it may pump messages).
    HoldModuleLoaded();
    HWND hostTree = HostGetFolderTree();

    // Cleared first so that a data folder the copy cannot read counts as empty
    // rather than leaving the previous start's value behind.
    g_module.dataFolder[0] = '\0';
    lstrcpynA(g_module.dataFolder, HostGetDataFolder(), kPathCapacity);
    g_module.dataFolderLength = static_cast<DWORD>(lstrlenA(g_module.dataFolder));

    // Hosts after 2.05.04 moved the path address within the folder record.
    // The comparison is textual, as the host's own versions order that way.
    g_module.folderPathOffset = lstrcmpA(HostGetVersion(), kLayoutChangedAfterVersion) > 0
                                    ? kPathOffsetAfterLayoutChange
                                    : kPathOffsetUpToLayoutChange;

    if (!FolderRecordLayoutMatches(hostTree)) {
        // An earlier start's path must not outlive the check: at the new
        // offset no folder has a key, and a save would empty the order file.
        g_module.orderFilePath[0] = '\0';
        StopWatchingHostTree();
        ShowError(kUnsupportedHostMessage);
        return;
    }
    BuildOrderFilePath();
    WatchAndSortHostTree(hostTree);
}
