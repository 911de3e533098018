// Walks over a folder's path as keys and the order file's lines write it,
// in the code page of the host's paths: a byte 0x5C may be the second byte
// of a double-byte character (表 is 95 5C, ソ 83 5C), and no separator then.
#pragma once

#include "order/text_platform.h"

// Calls `visit(end)` with the length of each prefix of `path` that ends at
// a "\", in turn, while it answers true.
template <typename Visit>
void ForEachSeparatorEnd(const char* path, DWORD length, Visit visit) {
    for (DWORD i = 0; i < length; ++i) {
        if (IsLeadByte(static_cast<BYTE>(path[i])))
            ++i;
        else if (path[i] == '\\' && !visit(i + 1))
            return;
    }
}

inline bool EndsWithSeparator(const char* path, DWORD length) {
    DWORD last = 0;
    ForEachSeparatorEnd(path, length, [&](DWORD end) { return last = end, true; });
    return length != 0 && last == length;
}

// Where the folder's own name begins: after the last separator but a final one.
inline DWORD NameStart(const char* path, DWORD length) {
    DWORD start = 0;
    ForEachSeparatorEnd(path, length, [&](DWORD end) { return start = end < length ? end : start, true; });
    return start;
}
