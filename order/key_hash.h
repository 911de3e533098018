// Byte-string equality and hashing for the module's open-addressing sets
// of lines and keys.
#pragma once

#include "order/text_platform.h"

inline bool SameBytes(const char* a, const char* b, DWORD length) {
    for (DWORD i = 0; i < length; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// FNV-1a, continued from `hash` so that a text in two pieces hashes as one.
inline DWORD HashOf(const char* text, DWORD length, DWORD hash = 2166136261u) {
    for (DWORD i = 0; i < length; ++i) hash = (hash ^ static_cast<BYTE>(text[i])) * 16777619u;
    return hash;
}

// The number of bits for a set of `entries` at most half full; more than
// `mostBits` when it would need that many.
inline DWORD SlotBitsFor(DWORD entries, DWORD mostBits) {
    DWORD bits = 1;
    while (bits <= mostBits && (1u << bits) < entries * 2) ++bits;
    return bits;
}
