// The text logic's platform on Linux, for its native checks and fuzzers:
// the C heap, refusing a block of no bytes as the host may, and code page
// 932 (or UTF-8) through glibc's iconv, held to Windows' contract: no best
// fit, "?" for a character the code page lacks.
#pragma once

namespace native {

// The code page of the host's paths: 932 (Shift_JIS), or UTF-8.
void UseUtf8CodePage(bool utf8);

// The `n`th allocation from now on fails (counted from 1); 0: none does.
void FailAllocation(unsigned n);
// Whether the allocation named last came and failed.
bool AllocationFailed();
// Allocations not yet given back.
long LiveAllocations();

}  // namespace native
