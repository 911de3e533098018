// Writing the renames that wait for the order file where the host cannot
// feel it. A folder on a network share, a USB stick, a synced folder or
// under an on-access scanner makes each create, write, flush and replace
// cost from a tenth of a second to a network's time-out: on the host's
// thread, its window would freeze for that long. The write runs on a thread
// of its own, which holds the module mapped until it ends and which the
// host's thread never waits for; the watch takes its outcome at a later look.
#pragma once

#include <windows.h>

enum class RenameWrite {
    kNone,       // none was started, or its outcome was taken already
    kUnderWay,   // one runs: no other starts, and nothing waits for it
    kWritten,    // the file took the renames it was given
    kLeftAlone,  // nothing the file could take: those renames are dropped
    kNotNow,     // the file could not be read or replaced: they wait for another try
};

// Starts writing the renames that wait, unless a write is under way or
// there is nothing to write. The file is read, and the renames applied, on
// the calling thread (the host's, as every sort does); only the writing
// runs elsewhere. Answers what became of it at once: kUnderWay, or the
// outcome when nothing needed writing or it could not start.
RenameWrite StartRenameWrite();

// The outcome of the last write, once, when it has ended; the renames it
// took are forgotten when it wrote them or found nothing to write.
RenameWrite TakeRenameWrite();

// At the host's exit: a write under way finishes on its own and cleans up
// after itself; nothing waits for it.
void AbandonRenameWrite();
