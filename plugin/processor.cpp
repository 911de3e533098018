#include "plugin/processor.h"

#include <windows.h>

bool ProcessorHasSse2() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE; }
