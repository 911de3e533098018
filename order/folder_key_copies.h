// Folder keys taken once from a tree, as copies, and found again by item data.
//
// The editor's items carry the host's folder-record addresses, but the host
// keeps running while the editor is open: a mail check may rebuild its
// folder list, release the records or hand them to other folders. What the
// editor saves must be the folders it showed, so it keeps each key as it was
// when the editor filled its tree.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "order/key_list.h"
#include "plugin/host_api.h"

class FolderKeyCopies {
public:
    FolderKeyCopies() = default;
    FolderKeyCopies(const FolderKeyCopies&) = delete;
    FolderKeyCopies& operator=(const FolderKeyCopies&) = delete;

    // Copies the key of the folder whose record `itemData` addresses, if it
    // has one. Called for every item as a tree is filled, then Index once.
    void Add(LPARAM itemData);
    // Makes the copies findable. False when the host's allocator failed at
    // any step (nothing is held then): a save without some of the folders
    // would lose them from the order.
    bool Index();

    // Add for every item of `tree`, then Index.
    bool TakeFrom(HWND tree);

    // The copy of the key taken for `itemData`, or null when that folder had
    // no key (or was never added).
    const char* Find(LPARAM itemData) const;

    // How many distinct folders have a key.
    DWORD count() const { return count_; }
    // How many keys were added, a folder met twice counted twice.
    DWORD added() const { return keys_.added(); }
    // The keys added, each with the item data it was taken for.
    const KeyList& keys() const { return keys_; }

    // Calls `visit` with every key added (a folder met twice, twice).
    template <typename Visit>
    void ForEachKey(Visit visit) const {
        keys_.ForEachKey(visit);
    }
    // The same, with the item data each key was taken for.
    template <typename Visit>
    void ForEachEntry(Visit visit) const {
        keys_.ForEachEntry([&](LPARAM itemData, const char* key, DWORD) { visit(itemData, key); });
    }

private:
    struct Slot {
        LPARAM itemData;  // 0: empty (a null record has no key)
        DWORD entryOffset;
    };

    Slot* slots() const { return reinterpret_cast<Slot*>(index_.get()); }
    DWORD SlotFor(LPARAM itemData) const;
    void Forget();

    KeyList keys_;
    HostBlock index_;
    DWORD slotBits_ = 0;
    DWORD count_ = 0;
};
