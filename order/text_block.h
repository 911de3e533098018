// One block of the text logic's memory (the host's, in the module), given
// back on every path.
#pragma once

#include "order/text_platform.h"

class TextBlock {
public:
    TextBlock() : block_(nullptr) {}
    explicit TextBlock(DWORD byteCount) : block_(TextAlloc(byteCount)) {}
    ~TextBlock() { Reset(); }
    TextBlock(const TextBlock&) = delete;
    TextBlock& operator=(const TextBlock&) = delete;

    char* get() const { return static_cast<char*>(block_); }
    explicit operator bool() const { return block_ != nullptr; }
    void* Release() {
        void* block = block_;
        block_ = nullptr;
        return block;
    }
    void Reset() {
        if (block_) TextFree(Release());
    }
    // Gives back what it held and takes over `block`, which came from TextAlloc.
    void Adopt(void* block) {
        Reset();
        block_ = block;
    }
    // Gives back what it held and takes a new block; false when there was none.
    bool Allocate(DWORD byteCount) {
        Reset();
        block_ = TextAlloc(byteCount);
        return block_ != nullptr;
    }
    // Makes room for `needed` bytes, keeping the first `used`: doubling
    // `*capacity` (from `first`), so that the copying stays about as much as
    // is kept. False, with the block as it was, when there was no memory or
    // no 32-bit size would do.
    bool Grow(DWORD used, DWORD needed, DWORD* capacity, DWORD first = 4096);

private:
    void* block_;
};
