#include "order/order_lines.h"

void SplitOrderLines(char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') bytes[i] = '\0';
    }
}

const char* NextLineStart(const char* position, const char* end) {
    const char* p = position;
    while (p < end && *p != '\0') ++p;
    while (p < end && *p == '\0') ++p;
    return p < end ? p : nullptr;
}

// The walk to the next line goes on from *stop, so every byte is looked at
// once. A key is never read past its own terminator: once it differs from the
// line, it is out of the race.
int MatchOrderLine(const char* line, const char* end, const char* firstKey, const char* secondKey,
                   const char** stop) {
    const char* p = line;
    size_t i = 0;
    // Both keys agree with the line so far.
    while (p != end && *p != '\0' && *p == firstKey[i] && *p == secondKey[i]) {
        ++p;
        ++i;
    }
    *stop = p;
    if (p == end || *p == '\0') return firstKey[i] == '\0' ? -1 : secondKey[i] == '\0' ? 1 : 0;

    const char* survivor = *p == firstKey[i] ? firstKey : *p == secondKey[i] ? secondKey : nullptr;
    if (!survivor) return 0;
    // One key is left.
    do {
        ++p;
        ++i;
    } while (p != end && *p != '\0' && *p == survivor[i]);
    *stop = p;
    if ((p == end || *p == '\0') && survivor[i] == '\0') return survivor == firstKey ? -1 : 1;
    return 0;
}

int CompareKeysByLines(const char* begin, const char* end, const char* firstKey,
                       const char* secondKey) {
    for (const char* line = begin < end ? begin : nullptr; line; line = NextLineStart(line, end)) {
        int match = MatchOrderLine(line, end, firstKey, secondKey, &line);
        if (match != 0) return match;
    }
    return 0;
}

int CompareKeysWith(OrderScan scan, const char* begin, const char* end, const char* firstKey,
                    const char* secondKey) {
    switch (scan) {
        case OrderScan::kAvx2: return CompareKeysByLinesAvx2(begin, end, firstKey, secondKey);
        case OrderScan::kSse2: return CompareKeysByLinesSse2(begin, end, firstKey, secondKey);
        default: return CompareKeysByLines(begin, end, firstKey, secondKey);
    }
}
