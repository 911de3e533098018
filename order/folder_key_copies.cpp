#include "order/folder_key_copies.h"

#include "order/folder_key.h"
#include "order/tree_walk.h"
#include "plugin/tree_control.h"

namespace {
// Far beyond any real folder list; keeps every size below in 32 bits.
const DWORD kMostFolders = 0x01000000;
const DWORD kMostKeyBytes = 0x40000000;
}  // namespace

bool FolderKeyCopies::TakeFrom(HWND tree) {
    block_.Reset();
    count_ = 0;
    slotBits_ = 0;

    // First the sizes, then the copies, into one block. Both walks run in
    // one go with no message loop between them, so the host cannot change
    // its records in between; the copy is bounded all the same.
    DWORD keyed = 0;
    DWORD bytes = 0;
    for (HTREEITEM item = TreeGetRoot(tree); item; item = NextPreorder(tree, item)) {
        const char* key = FolderKeyOf(TreeGetItemData(tree, item));
        if (!key) continue;
        DWORD length = static_cast<DWORD>(lstrlenA(key)) + 1;
        if (keyed == kMostFolders || length > kMostKeyBytes - bytes) return false;
        bytes += length;
        ++keyed;
    }
    if (keyed == 0) return true;

    // Open addressing, at most half full, so every search ends soon.
    DWORD bits = 1;
    while ((1u << bits) < keyed * 2) ++bits;
    const DWORD slotBytes = static_cast<DWORD>(sizeof(Slot)) << bits;
    if (!block_.Allocate(slotBytes + bytes)) return false;
    ZeroMemory(block_.get(), slotBytes);
    slotBits_ = bits;

    char* keys = block_.get() + slotBytes;
    DWORD used = 0;
    for (HTREEITEM item = TreeGetRoot(tree); item; item = NextPreorder(tree, item)) {
        LPARAM itemData = TreeGetItemData(tree, item);
        const char* key = FolderKeyOf(itemData);
        if (!key) continue;
        Slot& slot = slots()[SlotFor(itemData)];
        if (slot.itemData == itemData) continue;  // one record under two items: one key
        DWORD length = static_cast<DWORD>(lstrlenA(key)) + 1;
        if (count_ == keyed || length > bytes - used) {
            // The folders changed under us after all: a partial copy would
            // save without some of them.
            block_.Reset();
            count_ = 0;
            return false;
        }
        CopyMemory(keys + used, key, length);
        slot.itemData = itemData;
        slot.keyOffset = used;
        used += length;
        ++count_;
    }
    return true;
}

DWORD FolderKeyCopies::SlotFor(LPARAM itemData) const {
    const DWORD mask = (1u << slotBits_) - 1;
    // Records are aligned, so their low bits say little: spread them first.
    DWORD slot = (static_cast<DWORD>(itemData) * 2654435769u) >> (32 - slotBits_);
    while (slots()[slot].itemData != 0 && slots()[slot].itemData != itemData) slot = (slot + 1) & mask;
    return slot;
}

const char* FolderKeyCopies::Find(LPARAM itemData) const {
    if (!block_ || itemData == 0) return nullptr;
    const Slot& slot = slots()[SlotFor(itemData)];
    if (slot.itemData != itemData) return nullptr;
    return block_.get() + (static_cast<DWORD>(sizeof(Slot)) << slotBits_) + slot.keyOffset;
}
