#include "order/line_candidates.h"

namespace {

size_t KeyLength(const char* key) {
    size_t length = 0;
    while (key[length] != '\0') ++length;
    return length;
}

// Two indices below the last byte whose bytes occur least often in the key,
// preferring later ones. Keys of one or two bytes repeat their indices.
void ChooseRareBytes(const char* key, size_t length, size_t probes[2]) {
    probes[0] = probes[1] = 0;
    if (length < 2) return;
    unsigned char counts[256];
    for (size_t i = 0; i < sizeof counts; ++i) counts[i] = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned char byte = static_cast<unsigned char>(key[i]);
        if (counts[byte] != 255) ++counts[byte];
    }
    size_t best = length - 2, second = best;
    for (size_t i = length - 2; i-- > 0;) {
        unsigned char count = counts[static_cast<unsigned char>(key[i])];
        if (count < counts[static_cast<unsigned char>(key[best])]) {
            second = best;
            best = i;
        } else if (second == best || count < counts[static_cast<unsigned char>(key[second])]) {
            second = i;
        }
    }
    probes[0] = best;
    probes[1] = second;
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
// that vary from line to line, so they are tested, with the byte before
// when they differ in one byte only (in numbered or nested names the byte
// before varies too, among lines that are not siblings). Other keys fall
// back on their least repeated bytes. The last byte is no good probe: in a
// tree's paths it is nearly always the separator.
LineKeys ChooseLineKeys(const char* firstKey, const char* secondKey) {
    LineKeys keys = {firstKey, secondKey, KeyLength(firstKey), KeyLength(secondKey), {0, 0}, {0, 0}, false};
    if (keys.firstLength == keys.secondLength && keys.firstLength > 0) {
        size_t found = 0, differing[2] = {0, 0};
        for (size_t i = keys.firstLength; i-- > 0 && found < 2;) {
            if (firstKey[i] != secondKey[i]) differing[found++] = i;
        }
        if (found > 0) {
            keys.firstProbes[0] = keys.secondProbes[0] = differing[0];
            keys.firstProbes[1] = keys.secondProbes[1] =
                found == 2 ? differing[1] : differing[0] > 0 ? differing[0] - 1 : differing[0];
            keys.shared = true;
            return keys;
        }
    }
    ChooseRareBytes(firstKey, keys.firstLength, keys.firstProbes);
    ChooseRareBytes(secondKey, keys.secondLength, keys.secondProbes);
    keys.shared = keys.firstLength == keys.secondLength && keys.firstProbes[0] == keys.secondProbes[0] &&
                  keys.firstProbes[1] == keys.secondProbes[1];
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
