#include "order/text_block.h"

bool TextBlock::Grow(DWORD used, DWORD needed, DWORD* capacity, DWORD first) {
    if (block_ && needed <= *capacity) return true;
    DWORD grown = *capacity ? *capacity : first;
    while (grown < needed) {
        if (grown > 0x7FFFFFFF) return false;
        grown *= 2;
    }
    TextBlock larger;
    if (!larger.Allocate(grown)) return false;
    if (used) std::memcpy(larger.get(), block_, used);
    Adopt(larger.Release());
    *capacity = grown;
    return true;
}
