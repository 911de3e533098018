#include "order/folder_key_copies.h"

#include "order/folder_key.h"
#include "order/key_hash.h"
#include "order/tree_walk.h"
#include "plugin/tree_control.h"

namespace {
// Far beyond any real folder list; keeps every size below in 32 bits.
const DWORD kMostEntryBytes = 0x40000000;
const DWORD kFirstCapacity = 4096;
}  // namespace

void FolderKeyCopies::Forget() {
    entries_.Reset();
    index_.Reset();
    entriesUsed_ = entriesCapacity_ = added_ = slotBits_ = count_ = 0;
    failed_ = false;
}

void FolderKeyCopies::Add(LPARAM itemData) {
    if (failed_) return;
    const char* key = FolderKeyOf(itemData);
    if (!key) return;
    DWORD keyBytes = static_cast<DWORD>(lstrlenA(key)) + 1;
    if (keyBytes > kMostEntryBytes) {
        failed_ = true;
        return;
    }
    DWORD entryBytes = sizeof(EntryHeader) + PaddedTo4(keyBytes);
    if (entryBytes > kMostEntryBytes - entriesUsed_) {
        failed_ = true;
        return;
    }
    if (!entries_.Grow(entriesUsed_, entriesUsed_ + entryBytes, &entriesCapacity_, kFirstCapacity)) {
        failed_ = true;
        return;
    }
    EntryHeader header = {itemData, keyBytes};
    char* entry = entries_.get() + entriesUsed_;
    CopyMemory(entry, &header, sizeof header);
    CopyMemory(entry + sizeof header, key, keyBytes);
    entriesUsed_ += entryBytes;
    ++added_;
}

bool FolderKeyCopies::Index() {
    index_.Reset();
    count_ = 0;
    if (failed_) {
        Forget();
        return false;
    }
    if (added_ == 0) return true;
    // Open addressing, at most half full, so every search ends soon.
    const DWORD kMostBits = 28;  // 2 GB of slots: never reached, kMostEntryBytes bounds the keys first
    const DWORD bits = SlotBitsFor(added_, kMostBits);
    if (bits > kMostBits || !index_.Allocate(static_cast<DWORD>(sizeof(Slot)) << bits)) {
        Forget();
        return false;
    }
    ZeroMemory(index_.get(), static_cast<DWORD>(sizeof(Slot)) << bits);
    slotBits_ = bits;
    for (DWORD offset = 0; offset < entriesUsed_;) {
        EntryHeader header;
        CopyMemory(&header, entries_.get() + offset, sizeof header);
        Slot& slot = slots()[SlotFor(header.itemData)];
        // One record under two items has one key: the first taken counts.
        if (slot.itemData != header.itemData) {
            slot.itemData = header.itemData;
            slot.entryOffset = offset;
            ++count_;
        }
        offset += sizeof header + PaddedTo4(header.keyBytes);
    }
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
    return entries_.get() + slot.entryOffset + sizeof(EntryHeader);
}
