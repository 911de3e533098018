// The functions an executable exports to play the host (see host_exports.def).
// Linked into each host executable itself: nothing references them, so they
// would not be taken from a library.
#include "standin/host.h"

extern "C" {
LPCSTR WINAPI StandinGetVersion() { return standin::HostGetVersion(); }
BOOL WINAPI StandinGetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view) {
    return standin::HostGetWindowHandles(main, tree, list, view);
}
LPCSTR WINAPI StandinGetDataFolder() { return standin::HostGetDataFolder(); }
LPVOID WINAPI StandinAlloc(DWORD byteCount) { return standin::HostAlloc(byteCount); }
void WINAPI StandinFree(LPVOID block) { standin::HostFree(block); }
int WINAPI StandinUnusedFunction() { return 0; }
}
