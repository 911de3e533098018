// The order-line scan, 16 start positions at a time. A line equal to a key
// of length L starting at p has a NUL just before p (or p is the first
// byte), the key's bytes at p .. p+L-1 and a NUL (or the end) at p+L. Each
// block of 16 positions is first tested, with unaligned loads, for two of
// each key's bytes chosen to vary from line to line; most blocks fail that
// and cost no more. A block that passes is tested for the NUL before, the
// NUL after and the key's last byte, and the positions left are compared
// whole, in order, the first key before the second, as the line-by-line
// scan would.
//
// Built with -msse2 on its own: nothing else in the module assumes SSE2, and
// this file is only reached after the processor said it has it.
#include <emmintrin.h>

#include "order/order_lines.h"

namespace {

const size_t kBlock = 16;

struct KeyProbe {
    const char* key;
    size_t length;
    size_t rare;        // two indices of bytes that vary from line to line
    size_t secondRare;
};

size_t KeyLength(const char* key) {
    size_t length = 0;
    while (key[length] != '\0') ++length;
    return length;
}

// Two indices below the last byte whose bytes occur least often in the key,
// preferring later ones. Keys of one or two bytes repeat their indices.
void ChooseRareBytes(KeyProbe& probe) {
    probe.rare = probe.secondRare = 0;
    if (probe.length < 2) return;
    const char* key = probe.key;
    unsigned char counts[256];
    for (size_t i = 0; i < sizeof counts; ++i) counts[i] = 0;
    for (size_t i = 0; i < probe.length; ++i) {
        unsigned char byte = static_cast<unsigned char>(key[i]);
        if (counts[byte] != 255) ++counts[byte];
    }
    size_t best = probe.length - 2, second = best;
    for (size_t i = probe.length - 2; i-- > 0;) {
        unsigned char count = counts[static_cast<unsigned char>(key[i])];
        if (count < counts[static_cast<unsigned char>(key[best])]) {
            second = best;
            best = i;
        } else if (second == best || count < counts[static_cast<unsigned char>(key[second])]) {
            second = i;
        }
    }
    probe.rare = best;
    probe.secondRare = second;
}

// The sort compares siblings, whose keys share their parent's path and
// often their length: the bytes in which two such keys differ are the ones
// that vary from line to line, so they are tested first, with the byte
// before when they differ in one byte only (in numbered or nested names the
// byte before varies too, among lines that are not siblings). Other keys
// fall back on their least repeated bytes.
void ChooseProbes(KeyProbe& first, KeyProbe& second) {
    if (first.length == second.length && first.length > 0) {
        size_t found = 0, differing[2] = {0, 0};
        for (size_t i = first.length; i-- > 0 && found < 2;) {
            if (first.key[i] != second.key[i]) differing[found++] = i;
        }
        if (found > 0) {
            first.rare = second.rare = differing[0];
            first.secondRare = second.secondRare =
                found == 2 ? differing[1] : differing[0] > 0 ? differing[0] - 1 : differing[0];
            return;
        }
    }
    ChooseRareBytes(first);
    ChooseRareBytes(second);
}

inline __m128i Load(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

inline __m128i Broadcast(char byte) { return _mm_set1_epi8(byte); }

bool SameBytes(const char* line, const char* key, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (line[i] != key[i]) return false;
    }
    return true;
}

// Positions p .. p+15 whose bytes at the key's two probe indices are the
// key's: the cheap first test, which most blocks fail.
inline __m128i ProbeHits(const char* p, const KeyProbe& probe, __m128i rare, __m128i secondRare) {
    return _mm_and_si128(_mm_cmpeq_epi8(Load(p + probe.rare), rare),
                         _mm_cmpeq_epi8(Load(p + probe.secondRare), secondRare));
}

// Of `hits`, the positions that also start a line of the key's length
// ending in the key's last byte.
inline unsigned LineHits(const char* p, __m128i hits, __m128i lineStarts, const KeyProbe& probe) {
    const __m128i zero = _mm_setzero_si128();
    hits = _mm_and_si128(hits, lineStarts);
    hits = _mm_and_si128(hits, _mm_cmpeq_epi8(Load(p + probe.length), zero));
    hits = _mm_and_si128(hits, _mm_cmpeq_epi8(Load(p + probe.length - 1),
                                              Broadcast(probe.key[probe.length - 1])));
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}

__attribute__((noinline)) int ScanSse2(const char* begin, const char* end, const char* firstKey,
                                       const char* secondKey) {
    if (!(begin < end)) return 0;
    // The first line, where an empty line counts, is the scalar code's.
    const char* stop;
    int match = MatchOrderLine(begin, end, firstKey, secondKey, &stop);
    if (match != 0) return match;

    KeyProbe first = {firstKey, KeyLength(firstKey), 0, 0};
    KeyProbe second = {secondKey, KeyLength(secondKey), 0, 0};
    ChooseProbes(first, second);
    const char* p = begin + 1;
    // An empty key matches no line after the first.
    if (first.length > 0 && second.length > 0) {
        const size_t longest = first.length > second.length ? first.length : second.length;
        const __m128i firstRare = Broadcast(firstKey[first.rare]);
        const __m128i firstSecondRare = Broadcast(firstKey[first.secondRare]);
        const __m128i secondRare = Broadcast(secondKey[second.rare]);
        const __m128i secondSecondRare = Broadcast(secondKey[second.secondRare]);
        // Every load of a block lies within [p - 1, p + longest + 15]: the
        // loop stops while the furthest one still ends inside the data.
        while (static_cast<size_t>(end - p) >= longest + kBlock) {
            const __m128i firstProbed = ProbeHits(p, first, firstRare, firstSecondRare);
            const __m128i secondProbed = ProbeHits(p, second, secondRare, secondSecondRare);
            if (_mm_movemask_epi8(_mm_or_si128(firstProbed, secondProbed)) != 0) {
                const __m128i lineStarts = _mm_cmpeq_epi8(Load(p - 1), _mm_setzero_si128());
                unsigned firstHits = LineHits(p, firstProbed, lineStarts, first);
                unsigned secondHits = LineHits(p, secondProbed, lineStarts, second);
                for (unsigned hits = firstHits | secondHits; hits != 0; hits &= hits - 1) {
                    unsigned at = static_cast<unsigned>(__builtin_ctz(hits));
                    if ((firstHits >> at & 1) && SameBytes(p + at, firstKey, first.length)) return -1;
                    if ((secondHits >> at & 1) && SameBytes(p + at, secondKey, second.length)) return 1;
                }
            }
            p += kBlock;
        }
    }
    // The rest line by line, from the first line that starts at p or later:
    // every start before p has been decided.
    const char* rest = NextLineStart(p - 1, end);
    return rest ? CompareKeysByLines(rest, end, firstKey, secondKey) : 0;
}

}  // namespace

// The tree control calls the comparison with the stack aligned to 4 bytes
// only, and the compiler keeps 16-byte values in aligned stack slots: this
// entry realigns the stack once for the body.
__attribute__((force_align_arg_pointer)) int CompareKeysByLinesSse2(const char* begin,
                                                                   const char* end,
                                                                   const char* firstKey,
                                                                   const char* secondKey) {
    return ScanSse2(begin, end, firstKey, secondKey);
}
