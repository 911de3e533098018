// The order-line scan with SSE2, 16 positions a block (see line_scan_loop.h).
//
// Built with -msse2 on its own: nothing else in the module assumes SSE2, and
// this file is only reached after the processor said it has it.
#include <emmintrin.h>

#include "order/line_scan_loop.h"
#include "order/order_lines.h"

namespace {

struct Sse2 {
    using Vector = __m128i;
    static constexpr size_t kWidth = 16;
    static constexpr size_t kBlocksPerTurn = 1;
    // The four-byte windows and the two-byte test measured no faster with
    // SSE2's 16-byte blocks, so it keeps the byte compares.
    static constexpr bool kLoadBound = false;
    static Vector Load(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
    static Vector Broadcast(char byte) { return _mm_set1_epi8(byte); }
    static Vector Zero() { return _mm_setzero_si128(); }
    static Vector Equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
    static Vector And(Vector a, Vector b) { return _mm_and_si128(a, b); }
    static Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
    static bool Any(Vector v) { return _mm_movemask_epi8(v) != 0; }
    static unsigned Mask(Vector v) { return static_cast<unsigned>(_mm_movemask_epi8(v)); }
};

}  // namespace

// The tree control calls the comparison with the stack aligned to 4 bytes
// only, and the compiler keeps 16-byte values in aligned stack slots: this
// entry realigns the stack once for the body.
__attribute__((force_align_arg_pointer)) int CompareKeysByLinesSse2(const char* begin,
                                                                   const char* end,
                                                                   const char* firstKey,
                                                                   const char* secondKey) {
    return ScanLines<Sse2>(begin, end, firstKey, secondKey);
}
