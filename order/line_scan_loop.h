// The vector scans' loop, written once for any vector width. Included only
// by the file built for one instruction set; everything here has internal
// linkage, so the linker can never take a function built for one set where
// another set's (or plain code) was meant.
//
// A line equal to a key of length L that starts at p has a line end just
// before p (or p is the first byte), the key's bytes at p .. p+L-1 and a line
// end at p+L. The first stage tests, for a whole block of positions at once,
// some of the keys' bytes, as a rule with the line end at p+L: a position
// passes it only where a line of the key's length could start and agrees
// with the key in the bytes that vary most from line to line. Byte compares
// go two blocks a turn with AVX2, with one test for both, and one a turn
// with SSE2, which measured faster: two blocks' values do not fit its
// registers. With AVX2, sibling keys that differ in two or three of those
// bytes are tested instead on four bytes from the first of them, taken as one
// 32-bit value (ScanWindows), and keys that differ in the last of those
// bytes only, first on it and the byte before (ScanLastTwo), then, where
// that lets too many lines through, on the three bytes without the line end.
// The few positions that pass are decided, in
// order, by a scalar second stage inlined into the loop: a call out of the
// vector code would cost a vzeroupper and the reload of every value the loop
// keeps on the stack (there are 8 vector registers only), about as much as a
// turn.
#pragma once

#include <cstddef>
#include <cstdint>

#include "order/line_candidates.h"
#include "order/order_lines.h"

namespace {

// Keeps a loaded vector in a register. Without this the compiler folds a
// load into every instruction that uses it, so a block used by two compares
// is read twice, half the time across a cache line.
template <typename Vector>
__attribute__((always_inline)) inline Vector InRegister(Vector v) {
    asm("" : "+x"(v));
    return v;
}

// Every load of a turn lies within [p, p + L + turn - 1], with L the longer
// key's length and turn the positions a turn tests, and the second stage
// reads from p - 1 on: turns run while the furthest byte is still inside the
// data. p starts after the first byte, so p - 1 is always inside it.
template <typename V>
bool TurnFits(const char* p, const char* end, size_t longest) {
    return static_cast<size_t>(end - p) >= longest + V::kBlocksPerTurn * V::kWidth;
}

__attribute__((always_inline)) inline bool SameBytes(const char* line, const char* key, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (line[i] != key[i]) return false;
    }
    return true;
}

// Decides the candidates of one block, in position order: bit i of
// `candidates` stands for block + i. A candidate is a line equal to a key
// when the byte before it ends a line and the key's bytes and a line end
// follow; the first key is tried first. Answers -1 or +1 for the first
// line found equal to a key, 0 when none is.
__attribute__((always_inline)) inline int MatchCandidates(const char* block, unsigned candidates,
                                                          const LineKeys& keys) {
    for (; candidates != 0; candidates &= candidates - 1) {
        const char* line = block + __builtin_ctz(candidates);
        if (line[-1] != '\0') continue;
        if (line[keys.firstLength] == '\0' && SameBytes(line, keys.first, keys.firstLength)) return -1;
        if (line[keys.secondLength] == '\0' && SameBytes(line, keys.second, keys.secondLength)) return 1;
    }
    return 0;
}

// Turns of V::kBlocksPerTurn blocks, while every load of the turn lies inside
// the data: a turn with a candidate goes to the second stage. The turns are
// counted by q = p + `aligned`, from which `candidates` loads (its loads
// reach at most `reach` bytes past p). After the first turn, q moves on to a
// multiple of the width: the block loaded there, the one compared twice,
// then never straddles two cache lines. The positions this takes back over
// were decided in the first turn and are found wanting again. At the end p
// is the first position not decided.
//
// With kGivesUp, a first stage that lets many lines through stops early:
// once more than one turn, and about one turn in 12 so far, had candidates
// that all failed (about where the second stage costs more than the stricter
// stage's extra compares), the loop ends after the turn, for a stricter
// stage to go on from p. The count is kept on the slow path only.
template <typename V, bool kGivesUp = false, typename Candidates>
__attribute__((always_inline)) inline int RunTurns(const char*& p, const char* end, size_t reach, size_t aligned,
                                                   const LineKeys& keys, Candidates candidates) {
    constexpr size_t kWidth = V::kWidth, kTurn = V::kBlocksPerTurn * kWidth;
    static_assert(V::kBlocksPerTurn == 1 || V::kBlocksPerTurn == 2, "one or two blocks a turn");
    if (!TurnFits<V>(p, end, reach)) return 0;
    const char* q = p + aligned;
    const char* lastTurn = end - reach - kTurn + aligned;
    const char* const firstTurn = q;
    size_t failedTurns = 0;
    auto failed = [&]() __attribute__((always_inline)) {
        if constexpr (kGivesUp) {
            if (++failedTurns > 1 && failedTurns * 12 * kTurn > static_cast<size_t>(q - firstTurn)) lastTurn = q;
        }
        return 0;
    };
    auto turn = [&]() __attribute__((always_inline)) {
        const char* block = q - aligned;
        if constexpr (V::kBlocksPerTurn == 1) {
            const typename V::Vector found = candidates(q);
            if (!V::Any(found)) return 0;
            if (int match = MatchCandidates(block, V::Mask(found), keys)) return match;
            return failed();
        } else {
            const typename V::Vector low = candidates(q), high = candidates(q + kWidth);
            if (!V::Any(V::Or(low, high))) return 0;
            if (int match = MatchCandidates(block, V::Mask(low), keys)) return match;
            if (int match = MatchCandidates(block + kWidth, V::Mask(high), keys)) return match;
            return failed();
        }
    };
    int match = turn();
    q += kTurn;
    q -= reinterpret_cast<uintptr_t>(q) % kWidth;
    for (; match == 0 && q <= lastTurn; q += kTurn) match = turn();
    p = q - aligned;
    return match;
}

// The AND of e[n] over the bits n set in kMask.
template <typename V, unsigned kMask, unsigned kAt = 0>
__attribute__((always_inline)) inline typename V::Vector AndOf(const typename V::Vector* e) {
    static_assert(kMask != 0, "an AND of nothing");
    constexpr unsigned kRest = kMask & ~(1u << kAt);
    if constexpr ((kMask & (1u << kAt)) == 0) return AndOf<V, kMask, kAt + 1>(e);
    else if constexpr (kRest == 0) return e[kAt];
    else return V::And(e[kAt], AndOf<V, kRest, kAt + 1>(e));
}

// Keys of one length: siblings, as a rule. The three probed blocks, at
// last, last - 1 and last - 2, are each loaded once; bit n of kDiffering is
// set where the keys differ at last - n. Without kTestsLineEnd the line end
// at p + L is left to the second stage: where most lines have the keys'
// length (after the two-byte test below gave up) it rules out next to
// nothing, and leaving it saves a load and a compare a block.
template <typename V, unsigned kDiffering, bool kTestsLineEnd = true>
int ScanShared(const char*& p, const char* end, const LineKeys& keys) {
    using Vector = typename V::Vector;
    constexpr unsigned kAgreeing = 7u & ~kDiffering;
    const size_t last = keys.last, lineEnd = keys.firstLength - last;
    Vector first[3], second[3];
    for (unsigned n = 0; n < 3; ++n) {
        first[n] = V::Broadcast(keys.first[last - n]);
        second[n] = V::Broadcast(keys.second[last - n]);
    }
    auto candidates = [&](const char* q) __attribute__((always_inline)) {
        const Vector blocks[3] = {InRegister(V::Load(q)), InRegister(V::Load(q - 1)), InRegister(V::Load(q - 2))};
        Vector firstEqual[3], secondEqual[3];
        for (unsigned n = 0; n < 3; ++n) {
            firstEqual[n] = V::Equal(blocks[n], first[n]);
            if (kDiffering & (1u << n)) secondEqual[n] = V::Equal(blocks[n], second[n]);
        }
        Vector probed = V::Or(AndOf<V, kDiffering>(firstEqual), AndOf<V, kDiffering>(secondEqual));
        if constexpr (kAgreeing != 0) probed = V::And(AndOf<V, kAgreeing>(firstEqual), probed);
        if constexpr (!kTestsLineEnd) return probed;
        else return V::And(probed, V::Equal(V::Load(q + lineEnd), V::Zero()));
    };
    return RunTurns<V>(p, end, keys.firstLength, last, keys, candidates);
}

// Sibling keys that differ in the last probed byte only, with AVX2: the
// byte there and the one before, with the line end. One compare, one load
// and one constant fewer a block than three bytes; where lines of the keys'
// length are most lines (a flat group's file), two bytes let many through,
// and the loop gives up for three without the line end: it returns 0 with p
// at the first position not decided, where a whole turn may still fit.
template <typename V>
int ScanLastTwo(const char*& p, const char* end, const LineKeys& keys) {
    using Vector = typename V::Vector;
    const size_t last = keys.last, lineEnd = keys.firstLength - last;
    const Vector first = V::Broadcast(keys.first[last]), second = V::Broadcast(keys.second[last]);
    const Vector shared = V::Broadcast(keys.first[last - 1]);
    auto candidates = [&](const char* q) __attribute__((always_inline)) {
        const Vector block = InRegister(V::Load(q));
        const Vector probed = V::Or(V::Equal(block, first), V::Equal(block, second));
        return V::And(V::And(probed, V::Equal(V::Load(q - 1), shared)), V::Equal(V::Load(q + lineEnd), V::Zero()));
    };
    return RunTurns<V, true>(p, end, keys.firstLength, last, keys, candidates);
}

// Keys of different lengths: each key with its own two probes.
template <typename V>
int ScanSeparate(const char*& p, const char* end, const LineKeys& keys) {
    using Vector = typename V::Vector;
    const size_t fi = keys.firstProbes[0], fj = keys.firstProbes[1], fl = keys.firstLength;
    const size_t si = keys.secondProbes[0], sj = keys.secondProbes[1], sl = keys.secondLength;
    const Vector firstI = V::Broadcast(keys.first[fi]), firstJ = V::Broadcast(keys.first[fj]);
    const Vector secondI = V::Broadcast(keys.second[si]), secondJ = V::Broadcast(keys.second[sj]);
    auto candidates = [&](const char* q) __attribute__((always_inline)) {
        const char* at = q - fi;
        const Vector zero = V::Zero();
        const Vector first = V::And(V::And(V::Equal(V::Load(at + fi), firstI), V::Equal(V::Load(at + fj), firstJ)),
                                    V::Equal(V::Load(at + fl), zero));
        const Vector second = V::And(V::And(V::Equal(V::Load(at + si), secondI), V::Equal(V::Load(at + sj), secondJ)),
                                     V::Equal(V::Load(at + sl), zero));
        return V::Or(first, second);
    };
    return RunTurns<V>(p, end, fl > sl ? fl : sl, fi, keys, candidates);
}

// Sibling keys that differ in two or three of the probed bytes: with AVX2
// the byte compares above would need six constants and three blocks in
// eight registers, and the constants spilled are loaded again every turn,
// which bounds the loop. Here each key's four bytes from last - 2 on (the
// probed three and the one after, the line end for a key that ends there)
// are one 32-bit value, compared with the 32-bit lanes of the block loaded
// at each of the four offsets a lane can start at: eight compares a block,
// two constants, nothing spilled. The line end is not tested apart: lines
// that agree in the four bytes are few, and the second stage decides them.
template <typename V>
int ScanWindows(const char*& p, const char* end, const LineKeys& keys) {
    using Vector = typename V::Vector;
    const size_t start = keys.last - 2;
    const Vector first = V::Broadcast4(keys.first + start), second = V::Broadcast4(keys.second + start);
    // The furthest byte a block loads is p + last + width, at or before the
    // line end of a line starting at p + width - 1, which the second stage
    // reads: that read bounds the loop. (Checked first, so that lastBlock
    // never points before the data.)
    if (static_cast<size_t>(end - p) < keys.firstLength + V::kWidth) return 0;
    const char* const lastBlock = end - keys.firstLength - V::kWidth;
    for (; p <= lastBlock; p += V::kWidth) {
        Vector lanes[4];
        for (unsigned offset = 0; offset < 4; ++offset) {
            const Vector block = InRegister(V::Load(p + start + offset));
            lanes[offset] = V::Or(V::Equal32(block, first), V::Equal32(block, second));
        }
        if (!V::Any(V::Or(V::Or(lanes[0], lanes[1]), V::Or(lanes[2], lanes[3])))) continue;
        // Lane n of the block loaded at `offset` stands for position 4n + offset.
        unsigned candidates = 0;
        for (unsigned offset = 0; offset < 4; ++offset) candidates |= V::Mask(lanes[offset]) & (0x11111111u << offset);
        if (int match = MatchCandidates(p, candidates, keys)) {
            p += V::kWidth;
            return match;
        }
    }
    return 0;
}

template <typename V>
int ScanFirstStage(const char*& p, const char* end, const LineKeys& keys) {
    if (!keys.shared) return ScanSeparate<V>(p, end, keys);
    if constexpr (V::kLoadBound) {
        if (keys.differing != 1) return ScanWindows<V>(p, end, keys);
        if (int match = ScanLastTwo<V>(p, end, keys)) return match;
        // Where it ran to the end, no turn fits after p and this returns at once.
        return ScanShared<V, 1, false>(p, end, keys);
    } else {
        switch (keys.differing) {
            case 1: return ScanShared<V, 1>(p, end, keys);
            case 3: return ScanShared<V, 3>(p, end, keys);
            case 5: return ScanShared<V, 5>(p, end, keys);
            default: return ScanShared<V, 7>(p, end, keys);
        }
    }
}

template <typename V>
__attribute__((noinline)) int ScanLines(const char* begin, const char* end, const char* firstKey,
                                        const char* secondKey) {
    if (!(begin < end)) return 0;
    // The first line, where an empty line counts, is the scalar code's.
    const char* stop;
    int match = MatchOrderLine(begin, end, firstKey, secondKey, &stop);
    if (match != 0) return match;

    const char* p = begin + 1;
    // An empty key matches no line after the first.
    if (*firstKey != '\0' && *secondKey != '\0') {
        match = ScanFirstStage<V>(p, end, ChooseLineKeys(firstKey, secondKey));
        if (match != 0) return match;
    }
    // The rest line by line, from the first line that starts at p or later:
    // every start before p has been decided.
    const char* rest = NextLineStart(p - 1, end);
    return rest ? CompareKeysByLines(rest, end, firstKey, secondKey) : 0;
}

}  // namespace
