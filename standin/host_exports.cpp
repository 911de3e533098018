// The functions an executable exports to play the host (see host_exports.def).
// Linked into each host executable itself: nothing references them, so they
// would not be taken from a library.
//
// Built with STANDIN_CDECL_HOST, they leave their arguments on the stack for
// the caller to pop (the C convention) instead of popping them themselves:
// nothing promises which of the two the real host uses, and the module must
// work with both.
#include "standin/host.h"

#ifdef STANDIN_CDECL_HOST
#define STANDIN_HOST_CALL __cdecl
#else
#define STANDIN_HOST_CALL WINAPI
#endif

extern "C" {
LPCSTR STANDIN_HOST_CALL StandinGetVersion() { return standin::HostGetVersion(); }
BOOL STANDIN_HOST_CALL StandinGetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view) {
    return standin::HostGetWindowHandles(main, tree, list, view);
}
LPCSTR STANDIN_HOST_CALL StandinGetDataFolder() { return standin::HostGetDataFolder(); }
LPVOID STANDIN_HOST_CALL StandinAlloc(DWORD byteCount) { return standin::HostAlloc(byteCount); }
void STANDIN_HOST_CALL StandinFree(LPVOID block) { standin::HostFree(block); }
int STANDIN_HOST_CALL StandinUnusedFunction() { return 0; }
}
