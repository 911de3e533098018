#include "plugin/followed_renames.h"

#include <new>

#include "order/folder_key.h"
#include "order/folder_key_copies.h"
#include "order/folder_renames.h"
#include "order/order_file.h"
#include "order/pending_renames.h"
#include "plugin/host_api.h"
#include "plugin/tree_subclass.h"

namespace {

struct Followed {
    // A FolderKeyCopies in a host block of its own (the module has no heap
    // and runs no static constructors); null when nothing is remembered.
    FolderKeyCopies* keys;
    bool addedOrRemoved;
};
Followed g_followed;

void DropKeys() {
    if (!g_followed.keys) return;
    g_followed.keys->~FolderKeyCopies();
    HostFree(g_followed.keys);
    g_followed.keys = nullptr;
}

// The keys of every folder of `tree` now; null when the host had no memory.
FolderKeyCopies* TakeKeys(HWND tree) {
    void* block = HostAlloc(sizeof(FolderKeyCopies));
    if (!block) return nullptr;
    FolderKeyCopies* keys = new (block) FolderKeyCopies;
    bool taken;
    {
        TreeQueriesStraightTo straight(RouteUnderSubclass(tree));
        taken = keys->TakeFrom(tree);
    }
    if (taken) return keys;
    keys->~FolderKeyCopies();
    HostFree(block);
    return nullptr;
}

void Remember(FolderKeyCopies* keys) {
    DropKeys();
    g_followed.keys = keys;
    g_followed.addedOrRemoved = false;
}

bool SameKey(const char* a, const char* b) {
    if (!a || !b) return a == b;
    for (; *a == *b; ++a, ++b) {
        if (!*a) return true;
    }
    return false;
}

}  // namespace

void RememberFolderKeys(HWND tree) { Remember(TakeKeys(tree)); }

void NoteFoldersAddedOrRemoved() { g_followed.addedOrRemoved = true; }

bool FolderKeyChanged(LPARAM itemData) {
    if (!g_followed.keys || g_followed.addedOrRemoved) return false;
    return !SameKey(FolderKeyOf(itemData), g_followed.keys->Find(itemData));
}

// Only while no folder was removed since the last look: a removed folder's
// record may be gone, or another folder's now.
bool AnyFolderKeyChanged() {
    if (!g_followed.keys || g_followed.addedOrRemoved) return false;
    bool changed = false;
    g_followed.keys->ForEachEntry([&](LPARAM itemData, const char* key) {
        if (!changed && !SameKey(FolderKeyOf(itemData), key)) changed = true;
    });
    return changed;
}

void FindRenamedFolders(HWND tree) {
    FolderKeyCopies* now = TakeKeys(tree);
    FolderRename rename;
    if (now && g_followed.keys && FindFolderRename(g_followed.keys->keys(), now->keys(), &rename))
        QueuePendingRename(rename);
    // Without memory for the keys now, the old ones tell nothing any more.
    Remember(now);
}

void ForgetFolderKeys() { DropKeys(); }
