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

    // Copies the key of every keyed folder of `tree` into one host block,
    // dropping whatever was held before. False when the block could not be
    // had; nothing is held then.
    bool TakeFrom(HWND tree);

    // The copy of the key taken for `itemData`, or null when that folder had
    // no key (or was not in the tree).
    const char* Find(LPARAM itemData) const;

    // How many distinct folders have a key.
    DWORD count() const { return count_; }

private:
    struct Slot {
        LPARAM itemData;  // 0: empty (a null record has no key)
        DWORD keyOffset;  // into the key bytes that follow the slots
    };

    Slot* slots() const { return reinterpret_cast<Slot*>(block_.get()); }
    DWORD SlotFor(LPARAM itemData) const;

    HostBlock block_;
    DWORD count_ = 0;
    DWORD slotBits_ = 0;
};
