// The order-line scan with AVX2, 32 positions a block (see line_scan_loop.h).
//
// Built with -mavx2 on its own, and only reached after the processor and the
// system said they support AVX2. The compiler ends every use of the 256-bit
// registers with vzeroupper before each call out of this file and before the
// return (-mvzeroupper, on by default with AVX): the scalar and SSE2 code
// around it would otherwise pay for a dirty upper half on every instruction
// with SSE encoding.
#include <immintrin.h>

#include "order/line_scan_loop.h"
#include "order/order_lines.h"

namespace {

struct Avx2 {
    using Vector = __m256i;
    static constexpr size_t kWidth = 32;
    static constexpr size_t kBlocksPerTurn = 2;
    // Bound by its loads: the four-byte windows and the two-byte test.
    static constexpr bool kLoadBound = true;
    static Vector Load(const char* at) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)); }
    static Vector Broadcast(char byte) { return _mm256_set1_epi8(byte); }
    static Vector Zero() { return _mm256_setzero_si256(); }
    static Vector Equal(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
    static Vector Broadcast4(const char* bytes) {
        int value;
        __builtin_memcpy(&value, bytes, sizeof value);
        return _mm256_set1_epi32(value);
    }
    static Vector Equal32(Vector a, Vector b) { return _mm256_cmpeq_epi32(a, b); }
    static Vector And(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector Or(Vector a, Vector b) { return _mm256_or_si256(a, b); }
    static bool Any(Vector v) { return !_mm256_testz_si256(v, v); }
    static unsigned Mask(Vector v) { return static_cast<unsigned>(_mm256_movemask_epi8(v)); }
};

}  // namespace

// The tree control calls the comparison with the stack aligned to 4 bytes
// only; 256-bit values spilled to the stack need 32. This entry realigns the
// stack for the body.
__attribute__((force_align_arg_pointer)) int CompareKeysByLinesAvx2(const char* begin,
                                                                   const char* end,
                                                                   const char* firstKey,
                                                                   const char* secondKey) {
    return ScanLines<Avx2>(begin, end, firstKey, secondKey);
}
