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

namespace {

// Compares one line with both keys. Sets *stop to where the scan ended,
// inside the line or at its end, so the walk to the next line goes on from
// there and every byte is looked at once.
int MatchLine(const char* line, const char* end, const char* firstKey, const char* secondKey,
              const char** stop) {
    bool firstAlive = true;
    bool secondAlive = true;
    for (const char* p = line;; ++p) {
        const size_t i = static_cast<size_t>(p - line);
        if (p == end || *p == '\0') {
            *stop = p;
            if (firstAlive && firstKey[i] == '\0') return -1;
            if (secondAlive && secondKey[i] == '\0') return 1;
            return 0;
        }
        // A key is never read past its own terminator: once it differs, it is
        // out of the race.
        firstAlive = firstAlive && firstKey[i] == *p;
        secondAlive = secondAlive && secondKey[i] == *p;
        if (!firstAlive && !secondAlive) {
            *stop = p;
            return 0;
        }
    }
}

}  // namespace

int CompareKeysByLines(const char* begin, const char* end, const char* firstKey,
                       const char* secondKey) {
    for (const char* line = begin < end ? begin : nullptr; line; line = NextLineStart(line, end)) {
        int match = MatchLine(line, end, firstKey, secondKey, &line);
        if (match != 0) return match;
    }
    return 0;
}
