// The host's allocator as the module sees it through BKA_Alloc and BKA_Free:
// a private heap that counts what is outstanding and can be told to refuse.
#pragma once

#include <windows.h>

#include <set>

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

    size_t outstandingBlocks() const { return live_.size(); }
    size_t outstandingBytes() const { return outstandingBytes_; }
    size_t peakBytes() const { return peakBytes_; }
    size_t requests() const { return requests_; }
    // Frees of blocks this heap never gave out, or gave back already.
    size_t badFrees() const { return badFrees_; }
    void ResetPeak() { peakBytes_ = outstandingBytes_; }

private:
    HANDLE heap_;
    std::set<void*> live_;
    size_t outstandingBytes_ = 0;
    size_t peakBytes_ = 0;
    size_t requests_ = 0;
    size_t badFrees_ = 0;
};

}  // namespace standin
