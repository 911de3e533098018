// The stand-in host: what the real mail client gives the module. A real
// window with a real SysTreeView32 folder tree whose items carry the
// addresses of host-owned folder records, the host's allocator, and the
// answers of the host functions the module calls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "standin/host_heap.h"

namespace standin {

const DWORD kRecordSize = 64;
const BYTE kRecordFill = 0xEE;  // reads as address 0xEEEEEEEE: never readable

class FolderTreeHost {
public:
    // pathOffset: where records keep the path address (24 or 28).
    explicit FolderTreeHost(DWORD pathOffset = 28, bool visible = false);
    ~FolderTreeHost();
    FolderTreeHost(const FolderTreeHost&) = delete;
    FolderTreeHost& operator=(const FolderTreeHost&) = delete;

    HWND window() const { return window_; }
    HWND tree() const { return tree_; }
    DWORD pathOffset() const { return pathOffset_; }

    // A folder under parent (null or TVI_ROOT for a mailbox at the top level)
    // whose full path is the parent's path, or the data folder, then name and
    // a separator.
    // Each goes last among its siblings, or after `after` (TVI_FIRST: first).
    HTREEITEM AddFolder(HTREEITEM parent, const std::string& name, HTREEITEM after = TVI_LAST);
    HTREEITEM AddFolderWithPath(HTREEITEM parent, const std::string& name,
                                const std::string& fullPath, HTREEITEM after = TVI_LAST);
    HTREEITEM AddItem(HTREEITEM parent, const std::string& name, LPARAM itemData,
                      HTREEITEM after = TVI_LAST);

    // Builds folders from an outline: one name a line, two spaces of indent a
    // level. A line "name = path" gives the full path explicitly.
    void AddOutline(const std::string& outline);

    // Records whose path address is given as is (null, unreadable, ...).
    LPARAM NewRecordWithPathAddress(const void* pathAddress);
    LPARAM NewRecord(const std::string& fullPath);
    // A record in memory that cannot be read at all.
    LPARAM UnreadableRecord();
    // An address whose bytes cannot be read.
    const void* UnreadableAddress();

    // The host letting folders go while the module runs (a mail check that
    // rebuilds the folder list): the items leave the tree, their records are
    // overwritten as freed memory would be, and the next folders added get
    // those records again, in the order they were released.
    void ReleaseFolder(HTREEITEM item);  // with its subfolders
    void ReleaseAllFolders();

    // The host renaming a folder while the module runs: the folder's record
    // and its subfolders' records get the new paths; with `tellTree` its
    // text is set too (TVM_SETITEMA), else the tree hears nothing of it.
    void RenameFolder(HTREEITEM item, const std::string& name, bool tellTree);
    // The host moving or renaming a folder by deleting it with its
    // subfolders and inserting them again under `parent` (null: the top
    // level) after `after`, the folder itself named `name`. Answers it.
    HTREEITEM ReinsertFolder(HTREEITEM item, HTREEITEM parent, const std::string& name,
                             HTREEITEM after = TVI_LAST);
    // The host replacing its folder tree window with a new, empty one (a
    // change of layout); the host's functions answer the new one.
    void ReplaceTreeWindow();

    // Shows every folder, as a person would see the host's tree.
    void ExpandAll();

    // How many sorts by a comparison function (TVM_SORTCHILDRENCB) the tree
    // has been asked for since it was made: the host sorts by name only.
    int sortsByFunction() const { return sortsByFunction_; }
    // How many times the tree has been asked about one of its items (an
    // item's data, its child, sibling or parent) since it was made: each
    // such question makes some controls search every item for the handle.
    int itemQueries() const { return itemQueries_; }

    // Run once, at the next sort by a comparison function, before the tree
    // sorts: the host doing something of its own while it handles the
    // module's sort (pumping messages, subclassing, destroying the tree).
    void DuringNextSortByFunction(std::function<void()> action) { duringSort_ = std::move(action); }
    // Run once, when the host window's procedure next handles a notification
    // from the tree (the selection changing, an item deleted): the host's
    // handler, called from inside the tree's own handling of a message.
    void OnNextTreeNotification(std::function<void()> action) { onNotification_ = std::move(action); }

    // A small image list for the tree, as the host's folder pane has:
    // image 0 a mailbox, 1 a closed folder, 2 an open one. Folders added
    // from then on show 0 at the top level, 1 (selected: 2) below it.
    void UseImageList();
    HIMAGELIST imageList() const { return images_; }
    void SetItemImages(HTREEITEM item, int image, int selectedImage);
    // The host letting its list go while the module runs: out of the tree
    // and destroyed.
    void DestroyImageList();

    std::string PathOf(HTREEITEM item) const;
    HTREEITEM Find(const std::string& name) const;  // first item with that text

private:
    struct Record {
        BYTE bytes[kRecordSize];
        std::string path;
    };

    Record& TakeRecord();
    void ReleaseRecord(LPARAM itemData);
    void SetRecordPath(LPARAM itemData, const std::string& fullPath);
    void CreateTree();

    static LRESULT CALLBACK CountingTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam);

public:
    static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:

    HWND window_ = nullptr;
    HWND tree_ = nullptr;
    WNDPROC treeProc_ = nullptr;  // the control's own, under the counting one
    int sortsByFunction_ = 0;
    int itemQueries_ = 0;
    std::function<void()> duringSort_;
    std::function<void()> onNotification_;
    DWORD pathOffset_;
    std::deque<Record> records_;  // a deque never moves what it holds
    std::deque<Record*> released_;
    std::map<HTREEITEM, std::string> paths_;
    void* noAccessPage_ = nullptr;
    HIMAGELIST images_ = nullptr;
};

// The values the host functions answer. One host per process, as in real life.
struct HostState {
    std::string version = "2.05.05";
    std::string dataFolder = "C:\\BeckyData\\";
    bool nullDataFolder = false;
    HWND mainWindow = nullptr;
    HWND folderTree = nullptr;
    HostHeap* heap = nullptr;  // the host functions' allocator
    int getWindowHandlesCalls = 0;
};

HostState& Host();

// The host functions, as the host exports them (standard calling convention).
LPCSTR WINAPI HostGetVersion();
BOOL WINAPI HostGetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view);
LPCSTR WINAPI HostGetDataFolder();
LPVOID WINAPI HostAlloc(DWORD byteCount);
void WINAPI HostFree(LPVOID block);

// The tree as indented text: one item a line, two spaces of indent a level.
std::string DescribeTree(HWND tree);
// The same with what a person sees of each item besides its name: "+" after
// a parent shown expanded, "-" after one collapsed, and when the tree has an
// image list, the item's image and selected image ("A+ 0/1").
std::string DescribeLook(HWND tree);
// The item after `item` depth-first, a parent before its children; null at
// the end. Given `depth`, keeps it: one more a level down, one less a level
// up. No recursion: test trees may be thousands of levels deep.
HTREEITEM NextInTree(HWND tree, HTREEITEM item, int* depth = nullptr);
std::string ItemText(HWND tree, HTREEITEM item);
LPARAM ItemData(HWND tree, HTREEITEM item);

// Converts UTF-8 (as tests are written) into code page 932, and back.
std::string Sjis(const std::string& utf8);
std::string Utf8(const std::string& sjis);

// "83 74 ..." as bytes: how tests spell out expected Shift_JIS texts.
std::string Bytes(const char* hex);

// Whether an access violation reaches the handlers that expect it (those of
// IsBadReadPtr and IsBadStringPtrA among them), as on Windows and Wine. Under
// qemu's emulation of 32-bit code it reaches Wine as an illegal instruction
// that no such handler catches: a test that has the module probe unreadable
// memory cannot show anything there and leaves that part out; the first
// call that answers false says so on the test's output.
bool AccessViolationsAreCaught();

// Runs the thread's message queue until it is empty.
void PumpMessages();
// Runs it for `milliseconds`; answers the longest time one message kept
// the thread, in milliseconds.
double LongestDispatchOver(DWORD milliseconds);

}  // namespace standin
