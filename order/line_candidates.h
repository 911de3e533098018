// What the vector scans share, compiled without any vector instruction set:
// the choice of the bytes their first stage tests.
#pragma once

#include <cstddef>

// The two keys of one comparison, with the indices of the bytes the first
// stage tests.
//
// `shared` holds when both keys have one length and differ somewhere after
// their first two bytes, at `last` at the latest: the first stage then tests
// the bytes at last, last - 1 and last - 2 for both keys, each block loaded
// once. Bit n of `differing` is set where the keys differ at last - n (bit 0
// always): such a byte is compared with each key's, the others once for
// both. (With AVX2, keys that differ in two or three of them are tested on
// their four bytes from last - 2 as one 32-bit value, and keys that differ
// at last only first on the bytes at last and last - 1.)
//
// Otherwise each key has two indices of its own.
struct LineKeys {
    const char* first;
    const char* second;
    size_t firstLength, secondLength;
    size_t last;
    unsigned differing;
    size_t firstProbes[2], secondProbes[2];
    bool shared;
};

LineKeys ChooseLineKeys(const char* firstKey, const char* secondKey);
