// The lines of the order file that a save must carry over: those naming no
// folder of the tree being saved. A user whose two data folders share the
// plug-in folder, or whose mailbox is away for a while (a removable drive,
// a mailbox removed and added back), would otherwise lose that order at the
// next OK without a word.
#pragma once

#include "order/text_table.h"
#include "order/text_block.h"

class KeyList;

// A line's bytes, without its line end.
struct LineText {
    const char* text;
    DWORD length;
};

class KeptLines {
public:
    KeptLines() = default;
    KeptLines(const KeptLines&) = delete;
    KeptLines& operator=(const KeptLines&) = delete;

    // Takes over `file` (the order file's bytes as read, `byteCount` of
    // them) and picks the lines that equal no key of `keys`, each once, in
    // the file's order. Lines are split as a sort reads them. False when the
    // host had no memory for the work: a save without them would lose them.
    // The `dropped` lines are left out too: the user removed them, or
    // replaced them by a folder's key.
    bool Take(TextBlock* file, DWORD byteCount, const KeyList& keys, const LineText* dropped = nullptr,
              DWORD droppedCount = 0);

    // What the kept lines take written, each followed by CR LF.
    DWORD WrittenBytes() const { return writtenBytes_; }
    // Writes them at `out`, byte for byte, each followed by CR LF; answers
    // the end of what was written.
    char* WriteTo(char* out) const;

private:
    TextBlock file_;
    DWORD byteCount_ = 0;
    // The tree's keys, the dropped lines and the lines kept so far.
    TextTable set_;
    DWORD writtenBytes_ = 0;
};

// The order file a save writes: the key of every folder the tree shows, in
// the order `forEachShownKey(visit)` calls `visit(key)` with them (false
// from it: a folder could not be read), then the kept lines; each followed
// by CR LF, in one block (none for an empty file). Measured first, then
// filled. False when a walk failed, the second gave other keys than the
// first, or there was no memory.
template <typename ForEachShownKey>
bool ComposeOrder(ForEachShownKey forEachShownKey, const KeptLines& kept, TextBlock* out, DWORD* byteCount) {
    // Keys are copies of host paths; their sum stays far below 4 GB.
    DWORD total = kept.WrittenBytes();
    if (!forEachShownKey([&](const char* key) { total += TextLength(key) + 2; })) return false;
    *byteCount = 0;
    if (total == 0) {
        out->Reset();
        return true;
    }
    if (!out->Allocate(total)) return false;
    char* end = out->get();
    // Never past what was measured, whatever the second walk gives.
    DWORD room = total - kept.WrittenBytes();
    bool fits = true;
    const bool walked = forEachShownKey([&](const char* key) {
        const DWORD length = TextLength(key);
        fits = fits && length + 2 <= room;
        if (!fits) return;
        std::memcpy(end, key, length);
        end[length] = '\r';
        end[length + 1] = '\n';
        end += length + 2;
        room -= length + 2;
    });
    if (!walked || !fits || room != 0) return false;
    kept.WriteTo(end);
    *byteCount = total;
    return true;
}
