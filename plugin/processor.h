// What the processor the host runs on can do.
#pragma once

// True when the processor (and the system) support SSE2 instructions.
bool ProcessorHasSse2();
