#include "order/line_candidates.h"

namespace {

size_t KeyLength(const char* key) {
    size_t length = 0;
    while (key[length] != '\0') ++length;
    return length;
}

// The indices below the last byte whose bytes occur least often in the key,
// preferring later ones. Keys of one or two bytes repeat their indices.
void ChooseRareBytes(const char* key, size_t length, size_t probes[kProbeCount]) {
    for (size_t k = 0; k < kProbeCount; ++k) probes[k] = 0;
    if (length < 2) return;
    unsigned char counts[256];
    for (size_t i = 0; i < sizeof counts; ++i) counts[i] = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned char byte = static_cast<unsigned char>(key[i]);
        if (counts[byte] != 255) ++counts[byte];
    }
    auto count = [&](size_t i) { return counts[static_cast<unsigned char>(key[i])]; };
    for (size_t k = 0; k < kProbeCount; ++k) {
        size_t best = length;
        for (size_t i = length - 1; i-- > 0;) {
            bool taken = false;
            for (size_t chosen = 0; chosen < k; ++chosen) taken = taken || probes[chosen] == i;
            if (!taken && (best == length || count(i) < count(best))) best = i;
        }
        probes[k] = best != length ? best : probes[0];
    }
}

bool SameBytes(const char* line, const char* key, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (line[i] != key[i]) return false;
    }
    return true;
}

}  // namespace

// The sort compares siblings, whose keys share their parent's path and
// often their length: the bytes in which two such keys differ are the ones
// that vary from line to line, so they are tested, from the last, and then
// the bytes before them (in numbered or nested names the bytes before vary
// too, among lines that are not siblings: in "Folder09998" and "Folder09999"
// the tens and hundreds). Other keys fall back on their least repeated
// bytes. The last byte is no good probe: in a tree's paths it is nearly
// always the separator.
LineKeys ChooseLineKeys(const char* firstKey, const char* secondKey) {
    LineKeys keys = {firstKey, secondKey, KeyLength(firstKey), KeyLength(secondKey), {}, {}, false};
    if (keys.firstLength == keys.secondLength && keys.firstLength > 0) {
        size_t found = 0;
        for (size_t i = keys.firstLength; i-- > 0 && found < kProbeCount;) {
            if (firstKey[i] != secondKey[i]) keys.firstProbes[found++] = i;
        }
        if (found > 0) {
            for (; found < kProbeCount; ++found) {
                const size_t last = keys.firstProbes[found - 1];
                keys.firstProbes[found] = last > 0 ? last - 1 : last;
            }
            for (size_t k = 0; k < kProbeCount; ++k) keys.secondProbes[k] = keys.firstProbes[k];
            keys.shared = true;
            return keys;
        }
    }
    ChooseRareBytes(firstKey, keys.firstLength, keys.firstProbes);
    ChooseRareBytes(secondKey, keys.secondLength, keys.secondProbes);
    keys.shared = keys.firstLength == keys.secondLength;
    for (size_t k = 0; k < kProbeCount; ++k) keys.shared = keys.shared && keys.firstProbes[k] == keys.secondProbes[k];
    return keys;
}

int MatchCandidates(const char* block, unsigned candidates, const LineKeys& keys) {
    for (; candidates != 0; candidates &= candidates - 1) {
        const char* line = block + __builtin_ctz(candidates);
        if (line[-1] != '\0') continue;
        if (line[keys.firstLength] == '\0' && SameBytes(line, keys.first, keys.firstLength)) return -1;
        if (line[keys.secondLength] == '\0' && SameBytes(line, keys.second, keys.secondLength)) return 1;
    }
    return 0;
}
