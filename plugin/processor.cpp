#include "plugin/processor.h"

#include <windows.h>

#include "plugin/cpu_features.h"

bool ProcessorHasSse2() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE; }

// The system's answers come first: besides saying what the processor
// instructions say, they are what tests replace to keep a sort off a path.
bool ProcessorHasAvx2() {
    return ProcessorHasSse2() && IsProcessorFeaturePresent(PF_XSAVE_ENABLED) != FALSE && CpuidReportsAvx2();
}

// Behind ProcessorHasAvx2, so that what keeps a sort off AVX2 keeps it off
// AVX-512 too; the system is not asked about AVX-512 itself (see
// CpuidReportsAvx512Bw).
bool ProcessorHasAvx512Bw() { return ProcessorHasAvx2() && CpuidReportsAvx512Bw(); }
