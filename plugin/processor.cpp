#include "plugin/processor.h"

#include <windows.h>

#include "plugin/cpu_features.h"

bool ProcessorHasSse2() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE; }

// The system's answers come first: besides saying what the processor
// instructions say, they are what tests replace to keep a sort off a path.
bool ProcessorHasAvx2() {
    return ProcessorHasSse2() && IsProcessorFeaturePresent(PF_XSAVE_ENABLED) != FALSE && CpuidReportsAvx2();
}
