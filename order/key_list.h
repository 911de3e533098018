// Folder keys copied into one block, each with a tag of its owner's (the
// tree item's data, in the module: a signed value of a pointer's size, as
// the tag is), in the order they were added.
#pragma once

#include <cstdint>

#include "order/text_block.h"

class KeyList {
public:
    typedef std::intptr_t Tag;

    KeyList() = default;
    KeyList(const KeyList&) = delete;
    KeyList& operator=(const KeyList&) = delete;

    // Copies `key` with `tag`. Once there is no memory for one, the list
    // has failed: it takes no more, and its owner forgets it.
    void Add(Tag tag, const char* key);
    bool failed() const { return failed_; }
    void Clear();

    // How many keys were added, a folder met twice counted twice.
    DWORD added() const { return added_; }

    // Calls `visit(tag, key, offset)` for every key added, in that order;
    // KeyAt(offset) finds the key again.
    template <typename Visit>
    void ForEachEntry(Visit visit) const {
        for (DWORD offset = 0; offset < used_;) {
            EntryHeader header;
            std::memcpy(&header, entries_.get() + offset, sizeof header);
            visit(header.tag, entries_.get() + offset + sizeof header, offset);
            offset += sizeof header + PaddedTo4(header.keyBytes);
        }
    }
    template <typename Visit>
    void ForEachKey(Visit visit) const {
        ForEachEntry([&](Tag, const char* key, DWORD) { visit(key); });
    }
    const char* KeyAt(DWORD offset) const { return entries_.get() + offset + sizeof(EntryHeader); }

private:
    // Each entry: the tag, then the key with its NUL, padded to 4 bytes.
    struct EntryHeader {
        Tag tag;
        DWORD keyBytes;  // NUL included
    };
    static DWORD PaddedTo4(DWORD bytes) { return (bytes + 3) & ~3u; }

    TextBlock entries_;
    DWORD used_ = 0;
    DWORD capacity_ = 0;
    DWORD added_ = 0;
    bool failed_ = false;
};
