#include "order/key_list.h"

namespace {
// Far beyond any real folder list; keeps every size below in 32 bits.
const DWORD kMostEntryBytes = 0x40000000;
const DWORD kFirstCapacity = 4096;
}  // namespace

void KeyList::Clear() {
    entries_.Reset();
    used_ = capacity_ = added_ = 0;
    failed_ = false;
}

void KeyList::Add(Tag tag, const char* key) {
    if (failed_) return;
    const DWORD keyBytes = TextLength(key) + 1;
    const DWORD entryBytes = sizeof(EntryHeader) + PaddedTo4(keyBytes);
    if (keyBytes > kMostEntryBytes || entryBytes > kMostEntryBytes - used_ ||
        !entries_.Grow(used_, used_ + entryBytes, &capacity_, kFirstCapacity)) {
        failed_ = true;
        return;
    }
    const EntryHeader header = {tag, keyBytes};
    char* entry = entries_.get() + used_;
    std::memcpy(entry, &header, sizeof header);
    std::memcpy(entry + sizeof header, key, keyBytes);
    used_ += entryBytes;
    ++added_;
}
