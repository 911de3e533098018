// The host's allocator as the module sees it through BKA_Alloc and BKA_Free:
// a private heap that counts what is outstanding and can be told to refuse.
#pragma once

#include <windows.h>

#include <map>

namespace standin {

class HostHeap {
public:
    HostHeap();
    ~HostHeap();
    HostHeap(const HostHeap&) = delete;
    HostHeap& operator=(const HostHeap&) = delete;

    void* Alloc(DWORD byteCount);
    void Free(void* block);

    // Refusals: every request, only 0-byte requests, or the next request after
    // `allowed` more have been granted (-1: none planned).
    bool refuseAll = false;
    bool refuseZeroBytes = false;
    int refuseAfter = -1;
    // Refuses the nth request from now (counting from 1), once or from then
    // on, until StopRefusing; refusals() counts what it refused.
    void RefuseNth(int n, bool fromThenOn);
    void StopRefusing() { nth_ = 0; }
    int refusals() const { return refusals_; }

    // Where blocks are placed: in the heap, or in pages of their own, either
    // ending right where an inaccessible page begins or beginning right after
    // one, so that a read one byte past either end faults.
    enum class Placement { kHeap, kEndAtGuardPage, kStartAfterGuardPage };
    Placement placement = Placement::kHeap;

    size_t outstandingBlocks() const { return live_.size(); }
    size_t outstandingBytes() const { return outstandingBytes_; }
    size_t peakBytes() const { return peakBytes_; }
    size_t requests() const { return requests_; }
    // Frees of blocks this heap never gave out, or gave back already.
    size_t badFrees() const { return badFrees_; }
    void ResetPeak() { peakBytes_ = outstandingBytes_; }

private:
    void* AllocGuarded(DWORD byteCount);

    HANDLE heap_;
    std::map<void*, size_t> live_;         // block -> its size
    std::map<void*, void*> guardedBases_;  // guarded block -> its reservation
    size_t outstandingBytes_ = 0;
    size_t peakBytes_ = 0;
    size_t requests_ = 0;
    size_t badFrees_ = 0;
    int nth_ = 0;
    bool fromThenOn_ = false;
    int seen_ = 0;
    int refusals_ = 0;
};

}  // namespace standin
