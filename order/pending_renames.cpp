#include "order/pending_renames.h"

#include "order/folder_renames.h"
#include "order/order_text.h"
#include "order/text_block.h"

namespace {

const int kMostPendingRenames = 8;

// The old key and the new one, each with its NUL, in one host block.
struct PendingRename {
    char* keys;  // null: a free place
    DWORD fromLength;
    DWORD toLength;

    FolderRename AsRename() const { return FolderRename{keys, fromLength, keys + fromLength + 1, toLength}; }
};

PendingRename g_pending[kMostPendingRenames];
DWORD g_generation;

}  // namespace

void QueuePendingRename(const FolderRename& rename) {
    for (PendingRename& pending : g_pending) {
        if (pending.keys) continue;
        char* keys = static_cast<char*>(TextAlloc(rename.fromLength + rename.toLength + 2));
        if (!keys) return;
        std::memcpy(keys, rename.from, rename.fromLength);
        keys[rename.fromLength] = '\0';
        std::memcpy(keys + rename.fromLength + 1, rename.to, rename.toLength);
        keys[rename.fromLength + 1 + rename.toLength] = '\0';
        pending = PendingRename{keys, rename.fromLength, rename.toLength};
        return;
    }
}

bool RenamesPending() { return g_pending[0].keys != nullptr; }

int PendingRenameCount() {
    int count = 0;
    while (count < kMostPendingRenames && g_pending[count].keys) ++count;
    return count;
}

DWORD PendingRenamesGeneration() { return g_generation; }

int ApplyPendingRenames(TextBlock* bytes, DWORD* count) {
    if (!RenamesPending() || HoldsNulByte(bytes->get(), *count)) return 0;
    int applied = 0;
    for (const PendingRename& pending : g_pending) {
        if (!pending.keys) break;
        const FolderRename rename = pending.AsRename();
        if (AnyLineUnder(bytes->get(), *count, rename.to, rename.toLength) ||
            !AnyLineUnder(bytes->get(), *count, rename.from, rename.fromLength))
            continue;
        const DWORD renamedCount = RenamedFileBytes(bytes->get(), *count, rename);
        TextBlock renamed;
        if (renamedCount >= 0x80000000u || !renamed.Allocate(renamedCount)) return -1;
        WriteRenamedFile(bytes->get(), *count, rename, renamed.get());
        bytes->Adopt(renamed.Release());
        *count = renamedCount;
        ++applied;
    }
    return applied;
}

void ForgetPendingRenames() {
    for (PendingRename& pending : g_pending) {
        if (pending.keys) TextFree(pending.keys);
        pending = PendingRename{};
    }
    ++g_generation;
}

void ForgetFirstPendingRenames(int count, DWORD generation) {
    if (generation != g_generation) return;
    if (count >= PendingRenameCount()) return ForgetPendingRenames();
    for (int i = 0; i < count; ++i) TextFree(g_pending[i].keys);
    for (int i = 0; i < kMostPendingRenames; ++i)
        g_pending[i] = i + count < kMostPendingRenames ? g_pending[i + count] : PendingRename{};
}
