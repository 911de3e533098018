// The order file's lines in memory, byte by byte. Plain C++ with no platform
// calls, so that the same code can be checked natively under sanitizers.
//
// After SplitOrderLines every CR and LF is NUL; a line runs to its first NUL
// or to the end of the data (the last line may have no terminator, and
// nothing may be read past the end).
#pragma once

#include <cstddef>

void SplitOrderLines(char* bytes, size_t count);

// The start of the line after the one `position` lies in (skipping the rest
// of that line, then any NULs), or null when the data ends first.
const char* NextLineStart(const char* position, const char* end);

// Scans the lines from `begin`: -1 when the first line equal to either key
// equals `firstKey`, +1 when it equals `secondKey` only, 0 when no line equals
// either. Each line is compared with both keys in one pass that stops at the
// first byte ruling both out.
int CompareKeysByLines(const char* begin, const char* end, const char* firstKey,
                       const char* secondKey);
