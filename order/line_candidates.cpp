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

}  // namespace

// The sort compares siblings, whose keys share their parent's path and
// most often their length: the last byte in which two such keys differ
// varies from line to line, and so, in numbered or nested names, do the two
// before it, among lines that are not siblings too. Three bytes side by side
// are loaded from one address, and a byte the keys share costs one compare
// for both. Other keys fall back on their least repeated bytes. The last
// byte of a key is no good probe unless the keys differ there: in a tree's
// paths it is nearly always the separator.
LineKeys ChooseLineKeys(const char* firstKey, const char* secondKey) {
    LineKeys keys = {firstKey, secondKey, KeyLength(firstKey), KeyLength(secondKey), 0, 0, {0, 0}, {0, 0}, false};
    const size_t length = keys.firstLength;
    // One past the last byte in which keys of one length differ.
    size_t last = length == keys.secondLength ? length : 0;
    while (last > 0 && firstKey[last - 1] == secondKey[last - 1]) --last;
    if (last > 2) {
        keys.shared = true;
        keys.last = last - 1;
        for (unsigned n = 0; n < 3; ++n) {
            if (firstKey[keys.last - n] != secondKey[keys.last - n]) keys.differing |= 1u << n;
        }
        return keys;
    }
    ChooseRareBytes(firstKey, keys.firstLength, keys.firstProbes);
    ChooseRareBytes(secondKey, keys.secondLength, keys.secondProbes);
    return keys;
}
