#include "plugin/host_api.h"

const char* const kHostFunctionNames[kHostFunctionCount] = {
#define TAMRIVEL_HOST_FUNCTION_NAME(name) #name,
    TAMRIVEL_HOST_FUNCTIONS(TAMRIVEL_HOST_FUNCTION_NAME)
#undef TAMRIVEL_HOST_FUNCTION_NAME
};

HostApi g_hostApi;

bool BindHostApi() {
    if (g_hostApi.hostModule) return true;
    g_hostApi.hostModule = GetModuleHandleA(nullptr);
    if (!g_hostApi.hostModule) return false;
    for (int i = 0; i < kHostFunctionCount; ++i) {
        g_hostApi.functions[i] = GetProcAddress(g_hostApi.hostModule, kHostFunctionNames[i]);
        if (!g_hostApi.functions[i]) {
            g_hostApi.hostModule = nullptr;
            return false;
        }
    }
    return true;
}

void UnbindHostApi() { g_hostApi.hostModule = nullptr; }

extern "C" DWORD __cdecl CallHostFunction(FARPROC function, const DWORD* arguments, DWORD count);

namespace {
DWORD AsArgument(DWORD value) { return value; }
DWORD AsArgument(const void* address) { return reinterpret_cast<DWORD>(address); }

// Every host call goes through the assembly routine, which balances the stack
// whether the host's functions pop their arguments or not. Each argument is
// passed as the 32-bit value the host reads.
template <typename... Arguments>
DWORD CallHost(HostFunction which, Arguments... arguments) {
    // One slot more than needed, so that a call without arguments still has an array.
    const DWORD values[sizeof...(Arguments) + 1] = {AsArgument(arguments)..., 0};
    return CallHostFunction(g_hostApi.functions[which], values, sizeof...(Arguments));
}
}  // namespace

LPCSTR HostGetVersion() { return reinterpret_cast<LPCSTR>(CallHost(HostFn_BKA_GetVersion)); }

HWND HostGetFolderTree() {
    // The host is expected to fill every slot; start them empty so that a
    // host which leaves the tree slot alone gives "no tree", not stack garbage.
    HWND main = nullptr, tree = nullptr, list = nullptr, view = nullptr;
    CallHost(HostFn_BKA_GetWindowHandles, &main, &tree, &list, &view);
    return tree;
}

LPCSTR HostGetDataFolder() { return reinterpret_cast<LPCSTR>(CallHost(HostFn_BKA_GetDataFolder)); }

void* HostAlloc(DWORD byteCount) {
    return reinterpret_cast<void*>(CallHost(HostFn_BKA_Alloc, byteCount));
}

void HostFree(void* block) { CallHost(HostFn_BKA_Free, block); }
