// The vector scans' loop, written once for any vector width. Included only
// by the file built for one instruction set; everything here has internal
// linkage, so the linker can never take a function built for one set where
// another set's (or plain code) was meant.
//
// A line equal to a key of length L that starts at p has a line end just
// before p (or p is the first byte), the key's bytes at p .. p+L-1 and a line
// end at p+L. The first stage tests, for a whole block of positions at once,
// two of each key's bytes and the line end at p+L: a position passes it only
// where a line of the key's length could start, about once a line, instead
// of wherever two bytes happen to match (keys of one length, the common
// case among siblings, test a third byte besides). Blocks go two a turn,
// with one test for both. The few positions that pass go, in order, to the
// scalar second stage (MatchCandidates), which decides each one whole: with
// 8 vector registers only, a vector second stage would push the loop's
// values out to the stack.
#pragma once

#include <cstddef>

#include "order/line_candidates.h"
#include "order/order_lines.h"

namespace {

// Every load of a turn lies within [p, p + L + 2 * width - 1], with L the
// longer key's length, and the second stage reads from p - 1 on: the loop
// runs while the furthest byte is still inside the data. p starts after the
// first byte, so p - 1 is always inside it.
template <typename V>
bool TurnFits(const char* p, const char* end, size_t longest) {
    return static_cast<size_t>(end - p) >= longest + 2 * V::kWidth;
}

// The turns in which no position passes, from p on: answers the first turn
// with a candidate, or the first that does not fit. No call in the loop: a
// call clobbers every vector register, and with one on the loop's other
// path the compiler kept all the broadcast key bytes on the stack and
// reloaded them at every turn. Here it keeps in registers what fits.
template <typename V, typename Candidates>
__attribute__((noinline)) const char* SkipQuietTurns(const char* p, const char* end, size_t reach,
                                                     const Candidates& candidates) {
    while (TurnFits<V>(p, end, reach) && !V::Any(V::Or(candidates(p), candidates(p + V::kWidth))))
        p += 2 * V::kWidth;
    return p;
}

// Two blocks a turn, while every load of the turn (up to `reach` bytes past
// a position) lies inside the data; a turn with a candidate goes to the
// scalar second stage, its two blocks tested again (rarely: once in many
// turns) rather than carried out of the quiet loop.
template <typename V, typename Candidates>
int RunTurns(const char*& p, const char* end, size_t reach, const LineKeys& keys, Candidates candidates) {
    for (; (p = SkipQuietTurns<V>(p, end, reach, candidates), TurnFits<V>(p, end, reach)); p += 2 * V::kWidth) {
        if (int match = MatchCandidates(p, V::Mask(candidates(p)), keys)) return match;
        if (int match = MatchCandidates(p + V::kWidth, V::Mask(candidates(p + V::kWidth)), keys)) return match;
    }
    return 0;
}

// Keys of one length, probed at the same indices: siblings, as a rule.
template <typename V>
int ScanShared(const char*& p, const char* end, const LineKeys& keys) {
    using Vector = typename V::Vector;
    const size_t i = keys.firstProbes[0], j = keys.firstProbes[1], k = keys.firstProbes[2];
    const size_t length = keys.firstLength;
    const Vector firstI = V::Broadcast(keys.first[i]), firstJ = V::Broadcast(keys.first[j]);
    const Vector firstK = V::Broadcast(keys.first[k]);
    const Vector secondI = V::Broadcast(keys.second[i]), secondJ = V::Broadcast(keys.second[j]);
    const Vector secondK = V::Broadcast(keys.second[k]);
    auto candidates = [&](const char* at) {
        const Vector atI = V::Load(at + i), atJ = V::Load(at + j), atK = V::Load(at + k);
        const Vector first = V::And(V::And(V::Equal(atI, firstI), V::Equal(atJ, firstJ)), V::Equal(atK, firstK));
        const Vector second = V::And(V::And(V::Equal(atI, secondI), V::Equal(atJ, secondJ)), V::Equal(atK, secondK));
        return V::And(V::Or(first, second), V::Equal(V::Load(at + length), V::Zero()));
    };
    return RunTurns<V>(p, end, length, keys, candidates);
}

template <typename V>
int ScanSeparate(const char*& p, const char* end, const LineKeys& keys) {
    using Vector = typename V::Vector;
    const size_t fi = keys.firstProbes[0], fj = keys.firstProbes[1], fl = keys.firstLength;
    const size_t si = keys.secondProbes[0], sj = keys.secondProbes[1], sl = keys.secondLength;
    const Vector firstI = V::Broadcast(keys.first[fi]), firstJ = V::Broadcast(keys.first[fj]);
    const Vector secondI = V::Broadcast(keys.second[si]), secondJ = V::Broadcast(keys.second[sj]);
    auto candidates = [&](const char* at) {
        const Vector zero = V::Zero();
        const Vector first = V::And(V::And(V::Equal(V::Load(at + fi), firstI), V::Equal(V::Load(at + fj), firstJ)),
                                    V::Equal(V::Load(at + fl), zero));
        const Vector second = V::And(V::And(V::Equal(V::Load(at + si), secondI), V::Equal(V::Load(at + sj), secondJ)),
                                     V::Equal(V::Load(at + sl), zero));
        return V::Or(first, second);
    };
    return RunTurns<V>(p, end, fl > sl ? fl : sl, keys, candidates);
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
        const LineKeys keys = ChooseLineKeys(firstKey, secondKey);
        match = keys.shared ? ScanShared<V>(p, end, keys) : ScanSeparate<V>(p, end, keys);
        if (match != 0) return match;
    }
    // The rest line by line, from the first line that starts at p or later:
    // every start before p has been decided.
    const char* rest = NextLineStart(p - 1, end);
    return rest ? CompareKeysByLines(rest, end, firstKey, secondKey) : 0;
}

}  // namespace
