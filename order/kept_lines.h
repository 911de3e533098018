// The lines of the order file that a save must carry over: those naming no
// folder of the tree being saved. A user whose two data folders share the
// plug-in folder, or whose mailbox is away for a while (a removable drive,
// a mailbox removed and added back), would otherwise lose that order at the
// next OK without a word.
#pragma once

#include <windows.h>

#include "order/text_table.h"
#include "plugin/host_api.h"

class FolderKeyCopies;

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
    bool Take(HostBlock* file, DWORD byteCount, const FolderKeyCopies& keys, const LineText* dropped = nullptr,
              DWORD droppedCount = 0);

    // What the kept lines take written, each followed by CR LF.
    DWORD WrittenBytes() const { return writtenBytes_; }
    // Writes them at `out`, byte for byte, each followed by CR LF; answers
    // the end of what was written.
    char* WriteTo(char* out) const;

private:
    HostBlock file_;
    DWORD byteCount_ = 0;
    // The tree's keys, the dropped lines and the lines kept so far.
    TextTable set_;
    DWORD writtenBytes_ = 0;
};
