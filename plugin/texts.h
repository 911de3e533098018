// Every text the user sees. This file is UTF-8; the compiler's execution
// character set (CP932) turns the literals into the Shift_JIS bytes the host
// and the platform's 8-bit functions expect.
#pragma once

extern const char kPlugInName[];
extern const char kPlugInVendor[];
extern const char kPlugInVersion[];
extern const char kPlugInDescription[];
extern const char kErrorCaption[];
extern const char kLoadFailureFormat[];
extern const char kUnsupportedHostMessage[];

// The editor's report of a save that failed: the order file's path, then the
// cause, each filled into kSaveFailedFormat.
extern const char kEditorCaption[];
extern const char kSaveFailedFormat[];
extern const char kSaveFailedReadOnly[];
extern const char kSaveFailedInUse[];
extern const char kSaveFailedDiskFull[];
extern const char kSaveFailedNoMemory[];
extern const char kSaveFailedPathTooLong[];
extern const char kSaveFailedNotWritable[];
extern const char kSaveFailedUnreadable[];
extern const char kSaveFailedNotPlainText[];
extern const char kSaveFailedChangedMeanwhile[];
// A save that could not create its new copy in the plug-in's folder: the
// folder, not the file, is what the user must change, so it is named instead.
extern const char kSaveFailedFolderFormat[];

// The editor's other reports: the settings when the host's folders could not
// be read, or before the host ever started the plug-in, OK after they no
// longer can be, a dialog that could not be created, and no memory for the
// folders' keys.
extern const char kEditorUnavailable[];
extern const char kEditorBeforeStart[];
extern const char kEditorHostLost[];
extern const char kEditorCouldNotOpen[];
extern const char kEditorOutOfMemory[];
// A move whose copy could not be made; a save whose host tree could not be
// sorted by it.
extern const char kEditorMoveFailed[];
// A move the control could not finish nor undo: the editor closes unsaved.
extern const char kEditorAbandoned[];
extern const char kSavedButNotSorted[];

// The editor's folder menu (right-click, Shift+F10, the menu key): each
// entry with its key after a tab, where menus show keys.
extern const char kMenuMoveFirst[];
extern const char kMenuMoveUp[];
extern const char kMenuMoveDown[];
extern const char kMenuMoveLast[];
// The selected folder's group, or its subfolders, in the order of the names
// shown.
extern const char kMenuSortGroup[];
extern const char kMenuSortSubfolders[];
extern const char kMenuUndo[];
extern const char kMenuRedo[];

// The editor's tips when the pointer rests: the ↑ and ↓ buttons, with the
// other ways to move a folder, and a grey folder.
extern const char kTipMoveUp[];
extern const char kTipMoveDown[];
extern const char kTipGreyFolder[];

// The check of the order file in the editor: the notice under the tree
// (how many lines name no folder; once some are chosen, how many OK will
// remove or fix, of how many), its
// button, and the list's window, labels and words. The formats take
// numbers and texts in the order their comments give.
extern const char kCheckNoticeFormat[];        // lines
extern const char kCheckNoticeChosenFormat[];  // lines OK removes or fixes, lines
extern const char kCheckOpenList[];
extern const char kCheckListCaption[];
extern const char kCheckFix[];
extern const char kCheckRemove[];
extern const char kCheckKeep[];
extern const char kCheckRemoveAll[];
extern const char kCheckCancel[];
// What OK does with a line, in the list's last column.
extern const char kCheckChoiceKeep[];
extern const char kCheckChoiceRemove[];
extern const char kCheckChoiceFix[];
extern const char kCheckColumnLine[];
extern const char kCheckColumnText[];
extern const char kCheckColumnWhy[];
extern const char kCheckColumnAtOk[];
extern const char kCheckFileFormat[];          // the order file's path
extern const char kCheckVirtualStoreFormat[];  // the copy in VirtualStore
extern const char kCheckReadAsUtf8[];
extern const char kCheckReadAsUtf16[];
extern const char kCheckNotText[];
extern const char kCheckUtf8Tag[];
extern const char kCheckDetailFormat[];        // line number, line, why
extern const char kCheckFixFormat[];           // the line meant
extern const char kCheckGuessFormat[];         // the line perhaps meant
extern const char kCheckSeveralFormat[];       // folders, one of them
extern const char kCheckTailFormat[];          // the line less the data folder
extern const char kCheckRepeatsFormat[];       // lines
extern const char kCheckGroupFormat[];         // path, lines
extern const char kCheckHowToApply[];
extern const char kCheckCouldNotOpen[];
// Each reason a line names no folder, short for the list's column and in
// full for the text under it, in the order of LineSlip.
const int kCheckReasons = 17;
extern const char* const kCheckWhyShort[];
extern const char* const kCheckWhy[];
