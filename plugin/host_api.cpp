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

namespace {
template <typename Fn>
Fn HostFunctionAt(HostFunction which) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(g_hostApi.functions[which]));
}
}  // namespace

LPCSTR HostGetVersion() { return HostFunctionAt<HostGetVersionFn>(HostFn_BKA_GetVersion)(); }

HWND HostGetFolderTree() {
    // The host is expected to fill every slot; start them empty so that a
    // host which leaves the tree slot alone gives "no tree", not stack garbage.
    HWND main = nullptr, tree = nullptr, list = nullptr, view = nullptr;
    HostFunctionAt<HostGetWindowHandlesFn>(HostFn_BKA_GetWindowHandles)(&main, &tree, &list, &view);
    return tree;
}

LPCSTR HostGetDataFolder() {
    return HostFunctionAt<HostGetDataFolderFn>(HostFn_BKA_GetDataFolder)();
}

void* HostAlloc(DWORD byteCount) {
    return HostFunctionAt<HostAllocFn>(HostFn_BKA_Alloc)(byteCount);
}

void HostFree(void* block) { HostFunctionAt<HostFreeFn>(HostFn_BKA_Free)(block); }
