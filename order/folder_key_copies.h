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
    DWORD added() const { return added_; }

    // Calls `visit` with every key added (a folder met twice, twice).
    template <typename Visit>
    void ForEachKey(Visit visit) const {
        ForEachEntry([&](LPARAM, const char* key) { visit(key); });
    }
    // The same, with the item data each key was taken for.
    template <typename Visit>
    void ForEachEntry(Visit visit) const {
        for (DWORD offset = 0; offset < entriesUsed_;) {
            EntryHeader header;
            CopyMemory(&header, entries_.get() + offset, sizeof header);
            visit(header.itemData, entries_.get() + offset + sizeof header);
            offset += sizeof header + PaddedTo4(header.keyBytes);
        }
    }

private:
    struct Slot {
        LPARAM itemData;  // 0: empty (a null record has no key)
        DWORD entryOffset;
    };
    // Each entry in the entry block: the item data, then the key with its
    // NUL, padded to 4 bytes.
    struct EntryHeader {
        LPARAM itemData;
        DWORD keyBytes;  // NUL included
    };

    static DWORD PaddedTo4(DWORD bytes) { return (bytes + 3) & ~3u; }
    Slot* slots() const { return reinterpret_cast<Slot*>(index_.get()); }
    DWORD SlotFor(LPARAM itemData) const;
    void Forget();

    HostBlock entries_;
    DWORD entriesUsed_ = 0;
    DWORD entriesCapacity_ = 0;
    DWORD added_ = 0;
    bool failed_ = false;
    HostBlock index_;
    DWORD slotBits_ = 0;
    DWORD count_ = 0;
};
