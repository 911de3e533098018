// What the processor's own instructions say about AVX2 and AVX-512, asked
// with CPUID and XGETBV directly: no library call, so the module (which
// links no runtime) can ask, and so can a native check on any system.
#pragma once

#include <cpuid.h>

// True when CPUID reports AVX and AVX2, the system has turned XSAVE on, and
// XGETBV says the system saves both the 128-bit and the 256-bit halves of
// the vector registers across thread switches.
inline bool CpuidReportsAvx2() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    const unsigned kOsXsave = 1u << 27, kAvx = 1u << 28;
    if ((ecx & (kOsXsave | kAvx)) != (kOsXsave | kAvx)) return false;
    // XGETBV is only defined once OSXSAVE is known to be set.
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    const unsigned kXmmState = 1u << 1, kYmmState = 1u << 2;
    if ((low & (kXmmState | kYmmState)) != (kXmmState | kYmmState)) return false;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    return (ebx & (1u << 5)) != 0;
}

// True when CPUID reports AVX-512 F and BW besides AVX2, and XGETBV says the
// system saves the mask registers and both upper parts of the 512-bit
// registers too. Asked here and never of the system: Wine answers
// IsProcessorFeaturePresent(PF_AVX512F_INSTRUCTIONS_AVAILABLE) with FALSE on
// processors that have it. A 32-bit program reaches only the first 8 vector
// registers, but a system that saves some of the AVX-512 state and not the
// rest has turned AVX-512 off, as Intel's manual says to read it.
inline bool CpuidReportsAvx512Bw() {
    if (!CpuidReportsAvx2()) return false;
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    const unsigned kOpmaskState = 1u << 5, kUpperZmmState = 1u << 6, kHighZmmState = 1u << 7;
    const unsigned kAvx512State = kOpmaskState | kUpperZmmState | kHighZmmState;
    if ((low & kAvx512State) != kAvx512State) return false;
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    const unsigned kAvx512F = 1u << 16, kAvx512Bw = 1u << 30;
    return (ebx & (kAvx512F | kAvx512Bw)) == (kAvx512F | kAvx512Bw);
}
