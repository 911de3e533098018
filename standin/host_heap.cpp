#include "standin/host_heap.h"

namespace standin {

HostHeap::HostHeap() : heap_(HeapCreate(0, 0, 0)) {}

HostHeap::~HostHeap() {
    for (const auto& guarded : guardedBases_) VirtualFree(guarded.second, 0, MEM_RELEASE);
    HeapDestroy(heap_);
}

void* HostHeap::Alloc(DWORD byteCount) {
    ++requests_;
    if (refuseAll || (refuseZeroBytes && byteCount == 0)) return nullptr;
    if (refuseAfter == 0) {
        refuseAfter = -1;
        return nullptr;
    }
    if (refuseAfter > 0) --refuseAfter;
    if (nth_ > 0 && (++seen_ == nth_ || (fromThenOn_ && seen_ > nth_))) {
        ++refusals_;
        return nullptr;
    }
    void* block = placement == Placement::kHeap ? HeapAlloc(heap_, 0, byteCount) : AllocGuarded(byteCount);
    if (!block) return nullptr;
    // Not zeroed: the module must not rely on bytes it did not write.
    FillMemory(block, byteCount, 0xAB);
    live_[block] = byteCount;
    outstandingBytes_ += byteCount;
    if (outstandingBytes_ > peakBytes_) peakBytes_ = outstandingBytes_;
    return block;
}

void HostHeap::RefuseNth(int n, bool fromThenOn) {
    nth_ = n;
    fromThenOn_ = fromThenOn;
    seen_ = 0;
    refusals_ = 0;
}

void HostHeap::Free(void* block) {
    auto found = live_.find(block);
    if (found == live_.end()) {
        ++badFrees_;
        return;
    }
    outstandingBytes_ -= found->second;
    live_.erase(found);
    auto guarded = guardedBases_.find(block);
    if (guarded == guardedBases_.end()) {
        HeapFree(heap_, 0, block);
        return;
    }
    VirtualFree(guarded->second, 0, MEM_RELEASE);
    guardedBases_.erase(guarded);
}

void* HostHeap::AllocGuarded(DWORD byteCount) {
    const DWORD page = 4096;
    const DWORD dataPages = (byteCount + page - 1) / page + (byteCount == 0 ? 1 : 0);
    BYTE* base = static_cast<BYTE*>(
        VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base) return nullptr;
    DWORD old;
    BYTE* block;
    if (placement == Placement::kEndAtGuardPage) {
        VirtualProtect(base + dataPages * page, page, PAGE_NOACCESS, &old);
        block = base + dataPages * page - byteCount;
    } else {
        VirtualProtect(base, page, PAGE_NOACCESS, &old);
        block = base + page;
    }
    guardedBases_[block] = base;
    return block;
}

}  // namespace standin
