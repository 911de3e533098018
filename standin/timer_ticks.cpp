#include "standin/timer_ticks.h"

namespace standin {

namespace {

TIMERPROC g_moduleTimerProc = nullptr;
int g_ticks = 0;

void CALLBACK CountingTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time) {
    ++g_ticks;
    g_moduleTimerProc(window, message, id, time);
}

UINT_PTR WINAPI SetCountedTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure) {
    g_moduleTimerProc = procedure;
    return SetTimer(window, id, elapse, &CountingTimerProc);
}

}  // namespace

TimerTicks::TimerTicks(HMODULE module)
    : patch_(module, "user32.dll", "SetTimer", reinterpret_cast<void*>(&SetCountedTimer)) {
    g_ticks = 0;
}

int TimerTicks::count() const { return g_ticks; }
void TimerTicks::Reset() { g_ticks = 0; }

}  // namespace standin
