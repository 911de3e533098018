// What the exported callbacks do. The exports themselves only forward here.
#pragma once

#include <windows.h>

// Size of each field of the host's plug-in info record, in order.
const int kInfoNameBytes = 80;
const int kInfoVendorBytes = 80;
const int kInfoVersionBytes = 80;
const int kInfoDescriptionBytes = 256;

// Process attach: records the module handle and binds the host. On failure
// tells the user which plug-in failed and answers FALSE, refusing the load.
BOOL AttachToHost(HINSTANCE module);
// Process detach: stops watching the host's tree when the module is freed
// while the process goes on.
void DetachFromHost(bool processEnding);
// The host's exit: the module stops watching its tree.
void ExitHost();

// Fills the host's plug-in info record: name, vendor, version, description.
void FillPlugInInfo(char* record);

// Host start: reads the data folder and version, checks the folder-record
// layout, sorts the host's folder tree by the order file and keeps watching
// it, to keep the order while the host changes the tree.
void StartUp();

// True when the first top-level folder's record holds a readable path at the
// folder-path offset, or when the tree has no folder to check.
bool FolderRecordLayoutMatches(HWND hostTree);
