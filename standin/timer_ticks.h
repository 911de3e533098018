// Counts the ticks of the thread timers a module sets from now on: its
// SetTimer import is patched to put a counting procedure before its own.
// One at a time; destroy it before the module is unloaded.
#pragma once

#include <windows.h>

#include "standin/import_patch.h"

namespace standin {

class TimerTicks {
public:
    explicit TimerTicks(HMODULE module);
    TimerTicks(const TimerTicks&) = delete;
    TimerTicks& operator=(const TimerTicks&) = delete;

    bool applied() const { return patch_.applied(); }
    int count() const;
    void Reset();

private:
    ImportPatch patch_;
};

}  // namespace standin
