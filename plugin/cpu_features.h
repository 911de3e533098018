// What the processor's own instructions say about AVX2, asked with CPUID and
// XGETBV directly: no library call, so the module (which links no runtime)
// can ask, and so can a native check on any system.
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
