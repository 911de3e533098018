#include "standin/host_heap.h"

namespace standin {

HostHeap::HostHeap() : heap_(HeapCreate(0, 0, 0)) {}

HostHeap::~HostHeap() { HeapDestroy(heap_); }

void* HostHeap::Alloc(DWORD byteCount) {
    ++requests_;
    if (refuseAll || (refuseZeroBytes && byteCount == 0)) return nullptr;
    if (refuseAfter == 0) {
        refuseAfter = -1;
        return nullptr;
    }
    if (refuseAfter > 0) --refuseAfter;
    void* block = HeapAlloc(heap_, 0, byteCount);
    if (!block) return nullptr;
    // Not zeroed: the module must not rely on bytes it did not write.
    FillMemory(block, byteCount, 0xAB);
    live_.insert(block);
    outstandingBytes_ += byteCount;
    if (outstandingBytes_ > peakBytes_) peakBytes_ = outstandingBytes_;
    return block;
}

void HostHeap::Free(void* block) {
    auto found = live_.find(block);
    if (found == live_.end()) {
        ++badFrees_;
        return;
    }
    outstandingBytes_ -= HeapSize(heap_, 0, block);
    live_.erase(found);
    HeapFree(heap_, 0, block);
}

}  // namespace standin
