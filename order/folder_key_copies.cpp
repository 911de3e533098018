#include "order/folder_key_copies.h"

#include "order/folder_key.h"
#include "order/key_hash.h"
#include "order/tree_walk.h"
#include "plugin/tree_control.h"

void FolderKeyCopies::Forget() {
    keys_.Clear();
    index_.Reset();
    slotBits_ = count_ = 0;
}

void FolderKeyCopies::Add(LPARAM itemData) {
    // After a failure the host's records are read no more.
    if (keys_.failed()) return;
    if (const char* key = FolderKeyOf(itemData)) keys_.Add(itemData, key);
}

bool FolderKeyCopies::Index() {
    index_.Reset();
    count_ = 0;
    if (keys_.failed()) {
        Forget();
        return false;
    }
    if (keys_.added() == 0) return true;
    // Open addressing, at most half full, so every search ends soon.
    const DWORD kMostBits = 28;  // 2 GB of slots: never reached, the key list's own limit comes first
    const DWORD bits = SlotBitsFor(keys_.added(), kMostBits);
    if (bits > kMostBits || !index_.Allocate(static_cast<DWORD>(sizeof(Slot)) << bits)) {
        Forget();
        return false;
    }
    ZeroMemory(index_.get(), static_cast<DWORD>(sizeof(Slot)) << bits);
    slotBits_ = bits;
    keys_.ForEachEntry([&](LPARAM itemData, const char*, DWORD offset) {
        Slot& slot = slots()[SlotFor(itemData)];
        // One record under two items has one key: the first taken counts.
        if (slot.itemData != itemData) {
            slot.itemData = itemData;
            slot.entryOffset = offset;
            ++count_;
        }
    });
    return true;
}

bool FolderKeyCopies::TakeFrom(HWND tree) {
    Forget();
    for (HTREEITEM item = TreeGetRoot(tree); item; item = NextPreorder(tree, item))
        Add(TreeGetItemData(tree, item));
    return Index();
}

DWORD FolderKeyCopies::SlotFor(LPARAM itemData) const {
    const DWORD mask = (1u << slotBits_) - 1;
    // Records are aligned, so their low bits say little: spread them first.
    DWORD slot = (static_cast<DWORD>(itemData) * 2654435769u) >> (32 - slotBits_);
    while (slots()[slot].itemData != 0 && slots()[slot].itemData != itemData) slot = (slot + 1) & mask;
    return slot;
}

const char* FolderKeyCopies::Find(LPARAM itemData) const {
    if (!index_ || itemData == 0) return nullptr;
    const Slot& slot = slots()[SlotFor(itemData)];
    if (slot.itemData != itemData) return nullptr;
    return keys_.KeyAt(slot.entryOffset);
}
