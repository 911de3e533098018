// The order-line scan with AVX-512 BW, 64 positions a block (see
// line_scan_loop.h).
//
// Built with -mavx512bw on its own, and only reached after the processor
// and the system said they support it. The byte comparisons answer in mask
// registers, one bit a position, so a block's candidates come without the
// byte masks and movemask of the narrower scans. As with AVX2, the compiler
// ends every use of the wide registers with vzeroupper before each call out
// of this file and before the return (-mvzeroupper): a dirty upper state
// would slow every instruction with SSE encoding in the code around it.
#include <immintrin.h>

#include "order/line_scan_loop.h"
#include "order/order_lines.h"

namespace {

struct Avx512 {
    using Vector = __m512i;
    using Matches = __mmask64;
    static constexpr size_t kWidth = 64;
    static Vector Load(const char* at) { return _mm512_loadu_si512(at); }
    static Vector Broadcast(char byte) { return _mm512_set1_epi8(byte); }
    static Vector Zero() { return _mm512_setzero_si512(); }
    static Matches Equal(Vector a, Vector b) { return _mm512_cmpeq_epi8_mask(a, b); }
    static Matches And(Matches a, Matches b) { return _kand_mask64(a, b); }
    static Matches Or(Matches a, Matches b) { return _kor_mask64(a, b); }
    static bool Any(Matches m) { return !_kortestz_mask64_u8(m, m); }
    // A 32-bit register holds half a block's positions (the module is 32-bit).
    static unsigned Bits(Matches m, size_t from) {
        return _cvtmask32_u32(static_cast<__mmask32>(from == 0 ? m : _kshiftri_mask64(m, 32)));
    }
};

}  // namespace

// The tree control calls the comparison with the stack aligned to 4 bytes
// only; 512-bit values spilled to the stack need 64. This entry realigns the
// stack for the body.
__attribute__((force_align_arg_pointer)) int CompareKeysByLinesAvx512(const char* begin,
                                                                     const char* end,
                                                                     const char* firstKey,
                                                                     const char* secondKey) {
    return ScanLines<Avx512>(begin, end, firstKey, secondKey);
}
