// What the processor the host runs on can do.
#pragma once

// True when the processor (and the system) support SSE2 instructions.
bool ProcessorHasSse2();

// True when the processor and the system support AVX2: SSE2 and the
// system's saving of extended register state (XSAVE) reported by the
// system, AVX2 and the 256-bit register state reported by the processor.
bool ProcessorHasAvx2();
