// An open-addressing set of texts with what its user keeps of each, at
// most half full, in one host block; exact, or alike but for the case of
// ASCII letters. The texts themselves stay where they are.
#pragma once

#include "order/key_hash.h"
#include "order/text_block.h"

inline BYTE FoldedLetter(BYTE c) { return c >= 'A' && c <= 'Z' ? static_cast<BYTE>(c - 'A' + 'a') : c; }

// Whether `a` and `b` are the same but for the case of ASCII letters, as
// Windows tells file names apart as far as it matters here. A double-byte
// character's second byte may have a letter's code (ア is 83 41): it must
// match exactly.
inline bool SameButLetterCase(const char* a, const char* b, DWORD length) {
    for (DWORD i = 0; i < length; ++i) {
        const BYTE c = static_cast<BYTE>(a[i]);
        if (IsLeadByte(c) && i + 1 < length) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (FoldedLetter(c) != FoldedLetter(static_cast<BYTE>(b[i]))) {
            return false;
        }
    }
    return true;
}

// FNV-1a over the bytes as SameButLetterCase sees them.
inline DWORD FoldedHashOf(const char* text, DWORD length) {
    DWORD hash = 2166136261u;
    for (DWORD i = 0; i < length; ++i) {
        BYTE c = static_cast<BYTE>(text[i]);
        if (IsLeadByte(c) && i + 1 < length) {
            hash = (hash ^ c) * 16777619u;
            c = static_cast<BYTE>(text[++i]);
        } else {
            c = FoldedLetter(c);
        }
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

class TextTable {
public:
    struct Entry {
        const char* text;  // null: an empty slot
        DWORD length;
        // What the table's user keeps of the text; Match keeps the first
        // of the things met with it, how many distinct ones, the last one.
        DWORD value;
        DWORD count;
        DWORD last;
    };

    explicit TextTable(bool folded = false) : folded_(folded) {}

    void Clear() {
        slots_.Reset();
        mask_ = 0;
    }

    // Room for `entries` texts, none held; false (and none) when the host
    // has no memory for it.
    bool Reserve(DWORD entries) {
        const DWORD kMostBits = 26;
        const DWORD bits = SlotBitsFor(entries + 1, kMostBits);
        Clear();
        if (bits > kMostBits) return false;
        const DWORD bytes = static_cast<DWORD>(sizeof(Entry)) << bits;
        if (!slots_.Allocate(bytes)) return false;
        std::memset(slots_.get(), 0, bytes);
        mask_ = (1u << bits) - 1;
        return true;
    }

    // The entry of `text`, made (with a count of 0) when it is new. Only
    // after Reserve.
    Entry& At(const char* text, DWORD length) {
        Entry& entry = SlotFor(text, length);
        if (!entry.text) {
            entry.text = text;
            entry.length = length;
        }
        return entry;
    }
    // Null for a text it does not hold, or before Reserve.
    const Entry* Find(const char* text, DWORD length) const {
        if (!slots_) return nullptr;
        const Entry& entry = SlotFor(text, length);
        return entry.text ? &entry : nullptr;
    }
    // Counts `which` once for `text`, however often it comes in a row.
    void Match(const char* text, DWORD length, DWORD which) {
        Entry& entry = At(text, length);
        if (entry.count != 0 && entry.last == which) return;
        if (entry.count++ == 0) entry.value = which;
        entry.last = which;
    }

private:
    Entry& SlotFor(const char* text, DWORD length) const {
        Entry* slots = reinterpret_cast<Entry*>(slots_.get());
        DWORD index = (folded_ ? FoldedHashOf(text, length) : HashOf(text, length)) & mask_;
        for (;; index = (index + 1) & mask_) {
            Entry& entry = slots[index];
            if (!entry.text) return entry;
            if (entry.length == length &&
                (folded_ ? SameButLetterCase(entry.text, text, length) : SameBytes(entry.text, text, length)))
                return entry;
        }
    }

    TextBlock slots_;
    DWORD mask_ = 0;
    bool folded_;
};

