// What the vector scans share, compiled without any vector instruction set:
// the choice of the bytes their first stage tests, and the scalar second
// stage that decides the positions the first stage lets through.
#pragma once

#include <cstddef>

// The two keys of one comparison, with the indices of the bytes the first
// stage tests. `shared` holds when both keys have one length and one pair
// of indices: one set of loads then serves both keys.
struct LineKeys {
    const char* first;
    const char* second;
    size_t firstLength, secondLength;
    size_t firstProbes[2], secondProbes[2];
    bool shared;
};

LineKeys ChooseLineKeys(const char* firstKey, const char* secondKey);

// Decides the candidates of one block, in position order: bit i of
// `candidates` stands for block + i. A candidate is a line equal to a key
// when the byte before it ends a line and the key's bytes and a line end
// follow; the first key is tried first. Answers -1 or +1 for the first
// line found equal to a key, 0 when none is. Every candidate must have a
// byte before it and the longer key's length plus one bytes after its start
// inside the data.
int MatchCandidates(const char* block, unsigned candidates, const LineKeys& keys);
