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

// Compares the one line starting at `line` with both keys: -1 when it equals
// `firstKey`, +1 when it equals `secondKey` only, else 0. Sets *stop to where
// the comparison ended, inside the line or at its end.
int MatchOrderLine(const char* line, const char* end, const char* firstKey, const char* secondKey,
                   const char** stop);

// Scans the lines from `begin`: -1 when the first line equal to either key
// equals `firstKey`, +1 when it equals `secondKey` only, 0 when no line equals
// either. Each line is compared with both keys in one pass that stops at the
// first byte ruling both out.
int CompareKeysByLines(const char* begin, const char* end, const char* firstKey,
                       const char* secondKey);

// The same answer as CompareKeysByLines, for the same arguments, reading the
// data 16 bytes at a time with SSE2; never reads a byte outside [begin, end).
// Call it only on a processor with SSE2. Safe to call with the stack aligned
// to 4 bytes only, as the tree control calls the comparison.
int CompareKeysByLinesSse2(const char* begin, const char* end, const char* firstKey,
                           const char* secondKey);

// The same again, 32 bytes at a time with AVX2. Call it only when the
// processor and the system support AVX2. Safe with a 4-byte aligned stack.
int CompareKeysByLinesAvx2(const char* begin, const char* end, const char* firstKey,
                           const char* secondKey);

// The scans above, as a sort picks one.
enum class OrderScan : unsigned char { kScalar, kSse2, kAvx2 };

// The answer of the scan named, as CompareKeysByLines gives it.
int CompareKeysWith(OrderScan scan, const char* begin, const char* end, const char* firstKey,
                    const char* secondKey);
