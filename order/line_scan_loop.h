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
// of wherever two bytes happen to match. Blocks go two a turn, with one test
// for both. The few positions that pass go, in order, to the scalar second
// stage (MatchCandidates), which decides each one whole: with 8 vector
// registers only, a vector second stage would push the loop's values out to
// the stack.
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

template <typename V>
int DecideTurn(const char* p, typename V::Vector low, typename V::Vector high, const LineKeys& keys) {
    int match = MatchCandidates(p, V::Mask(low), keys);
    return match != 0 ? match : MatchCandidates(p + V::kWidth, V::Mask(high), keys);
}

// Two blocks a turn, while every load of the turn (up to `reach` bytes past
// a position) lies inside the data; a turn with a candidate goes to the
// scalar second stage.
template <typename V, typename Candidates>
int RunTurns(const char*& p, const char* end, size_t reach, const LineKeys& keys, Candidates candidates) {
    for (; TurnFits<V>(p, end, reach); p += 2 * V::kWidth) {
        const typename V::Vector low = candidates(p), high = candidates(p + V::kWidth);
        if (!V::Any(V::Or(low, high))) continue;
        if (int match = DecideTurn<V>(p, low, high, keys)) return match;
    }
    return 0;
}

// Keys of one length, probed at the same indices: siblings, as a rule.
template <typename V>
int ScanShared(const char*& p, const char* end, const LineKeys& keys) {
    using Vector = typename V::Vector;
    const size_t i = keys.firstProbes[0], j = keys.firstProbes[1], length = keys.firstLength;
    const Vector firstI = V::Broadcast(keys.first[i]), firstJ = V::Broadcast(keys.first[j]);
    const Vector secondI = V::Broadcast(keys.second[i]), secondJ = V::Broadcast(keys.second[j]);
    auto candidates = [&](const char* at) {
        const Vector atI = V::Load(at + i), atJ = V::Load(at + j);
        const Vector probed = V::Or(V::And(V::Equal(atI, firstI), V::Equal(atJ, firstJ)),
                                    V::And(V::Equal(atI, secondI), V::Equal(atJ, secondJ)));
        return V::And(probed, V::Equal(V::Load(at + length), V::Zero()));
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
